// A whole monitor on simulated devices and the fake clock; every latch code, tone switch and mail
// goes into one sequence, so a test also sees that nothing else went out.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "TempDir.h"
#include "app/SimSettings.h"
#include "monitor/Monitor.h"
#include "monitor/SettingsStore.h"
#include "platform/Clock.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex::testing {

class RecordingView : public MonitorView {
  public:
    void SetAuditColour(int i, int set) override { audit[i] = set; }
    void SetAlertColour(int i, int set) override { alert[i] = set; }
    void SetAlertText(int i, const std::string& text) override { alertText[i] = text; }
    void ResetMeter(int) override {}
    void ShowLevels(int i, const ChannelLevel& l, const ChannelLevel&) override { left[i] = l; }
    void ShowMissingDevices(const std::string& m) override { missing = m; }
    void ShowClock(const std::string& a, const std::string& b) override {
        clock0 = a;
        clock1 = b;
    }
    int audit[8] = {}, alert[8] = {};
    std::string alertText[8];
    ChannelLevel left[8];
    std::string clock0, clock1;
    std::string missing;  // configured devices that are not there
};

struct Recorder {
    std::vector<std::string> events;
};

class RecordingLatch : public LatchOutput {
  public:
    RecordingLatch(Recorder& r, std::string name, bool open) : open_(open), r_(r), name_(name) {}
    bool IsOpen() const override { return open_; }
    void SendCode(int code) override { r_.events.push_back(name_ + " " + std::to_string(code)); }

  private:
    bool open_;
    Recorder& r_;
    std::string name_;
};

class RecordingMail : public AlertSender {
  public:
    explicit RecordingMail(Recorder& r) : r_(r) {}
    void Send(const AlertMessage& m) override {
        r_.events.push_back("mail " + std::to_string(m.input + 1) + " " + m.subject);
        bodies.push_back(m.body);
    }
    std::vector<std::string> bodies;

  private:
    Recorder& r_;
};

class MonitorHarness {
  public:
    explicit MonitorHarness(LocalDateTime start = {2026, 12, 7, 9, 0, 0}) : clock(start) {
        SetProgramClock(&clock);
        SetAppPath(dir.Folder());
        store = std::make_unique<SettingsStore>(dir.File("sonivex.ini"));
    }
    ~MonitorHarness() {
        monitor.reset();
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    void Set(const std::string& key, const std::string& value) { store->WriteSetting(key, value); }
    // The schedule the next Start() hands the monitor; the caller keeps it alive.
    void SetSchedule(ScheduleSource* schedule) { schedule_ = schedule; }
    // Inputs 1..n on "Sim In 1".."Sim In n" (an empty device name would mean device 0 for all).
    void SimInputs(int n) {
        for (int k = 1; k <= n; ++k)
            Set("DevInName_" + std::to_string(k), "Sim In " + std::to_string(k));
    }

    // `wire` may add parts (real devices, say) once the log is set up.
    void Start(const std::function<void(MonitorParts&)>& wire = {}) {
        LogConfig log;
        log.folder = dir.Folder() + "log/";
        log.echo = [this](const std::string& line) { lines.push_back(line.substr(20)); };
        ConfigureLog(log);
        audio = CreateSimBackend(clock, ReadSimOptions(*store, dir.Folder()));
        MonitorParts parts;
        parts.audio = audio.get();
        parts.store = store.get();
        parts.view = &view;
        parts.dataFolder = dir.Folder();
        parts.commonIniPath = dir.File("common.ini");
        parts.hid = &hid;
        parts.serial = &serial;
        parts.mail = &mail;
        parts.schedule = schedule_;
        if (wire) wire(parts);
        monitor = std::make_unique<Monitor>(parts);
        monitor->Startup();
    }

    // Runs whole ticks of 100 ms; the mail timer every tenth tick. Tone switches are recorded.
    void RunTicks(int ticks) {
        for (int n = 0; n < ticks; ++n) {
            clock.Advance(100);
            monitor->TimerProgTick();
            const bool playing = monitor->Tone().Playing();
            if (playing != tone_) rec.events.push_back(playing ? "tone on" : "tone off");
            tone_ = playing;
            if (++tickCount_ % 10 == 0) monitor->TimerMailTick();
        }
    }
    void RunSeconds(double s) { RunTicks(static_cast<int>(s * 10 + 0.5)); }

    // The ticks until the log holds a line containing text; -1 when not within maxTicks.
    int TicksUntilLine(const std::string& text, int maxTicks) {
        for (int n = 1; n <= maxTicks; ++n) {
            RunTicks(1);
            if (HasLine(text)) return n;
        }
        return -1;
    }
    bool HasLine(const std::string& text) const { return CountLines(text) > 0; }
    int CountLines(const std::string& text) const {
        return static_cast<int>(std::ranges::count_if(
            lines, [&](const std::string& l) { return l.find(text) != std::string::npos; }));
    }

    TempDir dir;
    FakeClock clock;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<AudioBackend> audio;
    RecordingView view;
    Recorder rec;
    RecordingLatch hid{rec, "hid", true};
    RecordingLatch serial{rec, "serial", false};
    RecordingMail mail{rec};
    std::unique_ptr<Monitor> monitor;
    std::vector<std::string> lines;  // operation log lines without their stamp

  private:
    ScheduleSource* schedule_ = nullptr;
    long tickCount_ = 0;
    bool tone_ = false;
};

}  // namespace sonivex::testing
