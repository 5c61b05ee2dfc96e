// Prometheus text exposition of the snapshot: one HELP and TYPE line per family, then its samples.
#include "service/MetricsText.h"

#include <charconv>
#include <functional>

namespace sonivex {

namespace {

constexpr const char* kChannels[2] = {"left", "right"};

class Writer {
  public:
    explicit Writer(std::string& out) : out_(out) {}
    void Family(const char* name, const char* type, const char* help) {
        name_ = name;
        out_ += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
    }
    void Sample(const std::string& labels, double value) {
        // Appended piece by piece: GCC 12 at -O3 takes "literal" + temporary for an overlap.
        out_ += name_;
        if (!labels.empty()) out_.append("{").append(labels).append("}");
        out_.append(" ").append(MetricNumber(value)).append("\n");
    }

  private:
    std::string& out_;
    const char* name_ = "";
};

std::string Label(const char* key, const std::string& value) {
    return std::string(key) + "=\"" + EscapeLabelValue(value) + "\"";
}

std::string InputLabels(const MonitorSnapshot& s, int i) {
    return Label("input", std::to_string(i + 1)) + "," + Label("name", s.inputs[i].name);
}

// One family with a sample per input.
void PerInput(Writer& w, const MonitorSnapshot& s, const char* name, const char* type,
              const char* help, const std::function<double(const InputSnapshot&)>& value) {
    w.Family(name, type, help);
    for (int i = 0; i < s.numInputs; ++i) w.Sample(InputLabels(s, i), value(s.inputs[i]));
}

void InputStates(Writer& w, const MonitorSnapshot& s) {
    PerInput(w, s, "sonivex_input_monitoring", "gauge", "1 while the input is captured.",
             [](const InputSnapshot& in) { return in.monitoring; });
    w.Family("sonivex_input_paused", "gauge", "1 while a pause suspends the input's alerts.");
    for (int i = 0; i < s.numInputs; ++i) {
        w.Sample(InputLabels(s, i) + ",reason=\"schedule\"", s.inputs[i].pausedSchedule);
        w.Sample(InputLabels(s, i) + ",reason=\"external\"", s.inputs[i].pausedExternal);
    }
    PerInput(w, s, "sonivex_input_alert", "gauge", "1 while the input is in alert.",
             [](const InputSnapshot& in) { return in.alert; });
    PerInput(w, s, "sonivex_input_alert_kind", "gauge",
             "Kind of the alert in force: 0 none, 1 mono, 2 both channels, 3 left, 4 right, "
             "5 capture device failed.",
             [](const InputSnapshot& in) { return in.alert ? in.tally.alertKind : 0; });
}

void InputLevels(Writer& w, const MonitorSnapshot& s) {
    w.Family("sonivex_input_peak_dbfs", "gauge", "Peak level of the last buffer in dBFS.");
    for (int i = 0; i < s.numInputs; ++i)
        for (int c = 0; c < 2; ++c)
            w.Sample(InputLabels(s, i) + "," + Label("channel", kChannels[c]),
                     s.inputs[i].tally.peakDB[c]);
    w.Family("sonivex_input_silent_seconds", "gauge", "Seconds of silence counted so far.");
    for (int i = 0; i < s.numInputs; ++i)
        for (int c = 0; c < 2; ++c)
            w.Sample(InputLabels(s, i) + "," + Label("channel", kChannels[c]),
                     s.inputs[i].silentSeconds[c]);
}

void InputCounters(Writer& w, const MonitorSnapshot& s) {
    w.Family("sonivex_alerts_total", "counter", "Alerts raised since start, by kind.");
    for (int i = 0; i < s.numInputs; ++i)
        for (int kind = 1; kind <= kAlertKinds; ++kind)
            w.Sample(InputLabels(s, i) + "," + Label("kind", std::to_string(kind)),
                     static_cast<double>(s.inputs[i].tally.alerts[kind]));
    PerInput(w, s, "sonivex_capture_failures_total", "counter",
             "Failures of the input's capture device since start.",
             [](const InputSnapshot& in) { return static_cast<double>(in.tally.captureFailures); });
}

void Delivery(Writer& w, const char* channel, const DeliveryCounts& c) {
    const std::string base = std::string("sonivex_") + channel;
    const std::string sent = base + "_sent_total", failed = base + "_failed_total",
                      queued = base + "_queued";
    w.Family(sent.c_str(), "counter", "Messages delivered since start.");
    w.Sample("", static_cast<double>(c.sent));
    w.Family(failed.c_str(), "counter", "Delivery attempts that failed since start.");
    w.Sample("", static_cast<double>(c.failed));
    w.Family(queued.c_str(), "gauge", "Messages waiting or being sent.");
    w.Sample("", c.queued);
}

void Loop(Writer& w, const MonitorSnapshot& s) {
    w.Family("sonivex_tick_overruns_total", "counter", "Main-loop ticks that came late.");
    w.Sample("", static_cast<double>(s.tickOverruns));
    w.Family("sonivex_last_tick_timestamp_seconds", "gauge", "Unix time of the last tick.");
    w.Sample("", s.lastTickSeconds);
    w.Family("sonivex_device_connected", "gauge", "1 while a configured external device is open.");
    if (s.hidBox.configured) w.Sample("device=\"hid_box\"", s.hidBox.connected);
    if (s.serialPort.configured) w.Sample("device=\"serial_port\"", s.serialPort.connected);
}

}  // namespace

std::string EscapeLabelValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string MetricNumber(double value) {
    char buffer[32];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

std::string MetricsText(const MonitorSnapshot& s) {
    std::string out;
    out.reserve(8192);
    Writer w(out);
    w.Family("sonivex_up", "gauge", "1 while the monitor's main loop runs.");
    w.Sample("", 1);
    w.Family("sonivex_build_info", "gauge", "The running version.");
    w.Sample(Label("version", SONIVEX_VERSION), 1);
    InputStates(w, s);
    InputLevels(w, s);
    InputCounters(w, s);
    Delivery(w, "mail", s.mail);
    Delivery(w, "webhook", s.webhook);
    Loop(w, s);
    return out;
}

}  // namespace sonivex
