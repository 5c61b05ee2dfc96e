// The analysis command: thresholds of input 1 from the data folder, results as text or JSON.
#include "app/AnalyzeCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <sstream>

#include "app/DataFolder.h"
#include "monitor/MonitorSettings.h"
#include "monitor/SettingsStore.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr size_t kStampChars = 20;             // "yyyy/mm/dd hh:mm:ss "
constexpr double kProgressAfterSeconds = 300;  // shorter files finish before anyone waits

const char* KindText(int kind) {
    switch (kind) {
        case kAlertMono:
            return "mono input";
        case kAlertBoth:
            return "both channels";
        case kAlertLeft:
            return "left channel";
        case kAlertRight:
            return "right channel";
        default:
            return "";
    }
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Seconds(double s) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", s);
    return text;
}

// Input 1's thresholds and mono flag, read without writing anything back.
void ReadInput1(const std::string& folder, SilenceThresholds& t, bool& mono) {
    SettingsStore store(folder + "sonivex.ini", false);
    MonitorSettings s;
    ReadThresholds(store, s);
    t = s.thresholds;
    mono = ReadBounded(store, "IsMono_1", 0, 0, 1) == 1;
}

std::function<void(double)> ProgressPrinter(double seconds) {
    if (seconds < kProgressAfterSeconds) return {};
    const bool tty = ::isatty(STDERR_FILENO) == 1;
    auto last = std::make_shared<int>(-1);
    return [tty, last](double fraction) {
        const int percent = static_cast<int>(fraction * 100);
        if (percent / 10 == *last / 10 && !(tty && percent != *last)) return;
        *last = percent;
        std::cerr << (tty ? "\ranalysing: " : "analysing: ") << percent << "%"
                  << (tty ? (percent >= 100 ? "\n" : "") : "\n") << std::flush;
    };
}

}  // namespace

std::string PositionText(double seconds) {
    const long tenths = std::lround(seconds * 10);
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld.%ld", tenths / 36000, tenths / 600 % 60,
                  tenths / 10 % 60, tenths % 10);
    return text;
}

std::string AnalysisText(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono) {
    std::ostringstream out;
    out << "# " << path << ": " << r.info.sampleRate << " Hz, " << r.info.channels << " ch, "
        << r.info.bitsPerSample << "-bit, "
        << PositionText(r.info.lengthFrames / double(r.info.sampleRate)) << "\n# AlertLevelDB "
        << t.alertLevelDB << ", MuonSec " << t.muonSec << ", MuonSecMono " << t.muonSecMono
        << ", HukkiSec " << t.hukkiSec << ", IsMono_1 " << (mono ? 1 : 0) << "\n";
    int alerts = 0;
    for (const AnalysisEvent& e : r.events) {
        out << PositionText(e.seconds);
        if (e.alert) {
            ++alerts;
            out << " alert kind " << e.kind << " (" << KindText(e.kind) << ") silent since "
                << PositionText(e.since) << "\n";
        } else {
            out << " cancel (audio restored) sound since " << PositionText(e.since) << "\n";
        }
    }
    out << "# " << alerts << " alert(s) in " << PositionText(r.analyzedSeconds)
        << (r.endInAlert ? ", still in alert at the end\n" : "\n");
    return out.str();
}

std::string AnalysisJson(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono) {
    std::ostringstream out;
    out << "{\"file\": " << JsonString(path) << ", \"sampleRate\": " << r.info.sampleRate
        << ", \"channels\": " << r.info.channels << ", \"bitsPerSample\": " << r.info.bitsPerSample
        << ", \"analyzedSeconds\": " << Seconds(r.analyzedSeconds)
        << ",\n \"settings\": {\"alertLevelDB\": " << t.alertLevelDB
        << ", \"muonSec\": " << t.muonSec << ", \"muonSecMono\": " << t.muonSecMono
        << ", \"hukkiSec\": " << t.hukkiSec << ", \"isMono\": " << (mono ? 1 : 0)
        << "},\n \"events\": [";
    for (size_t n = 0; n < r.events.size(); ++n) {
        const AnalysisEvent& e = r.events[n];
        out << (n ? ",\n  " : "\n  ") << "{\"position\": \"" << PositionText(e.seconds)
            << "\", \"seconds\": " << Seconds(e.seconds);
        if (e.alert)
            out << ", \"event\": \"alert\", \"kind\": " << e.kind << ", \"cause\": \""
                << KindText(e.kind) << "\", \"silentSince\": " << Seconds(e.since) << "}";
        else
            out << ", \"event\": \"cancel\", \"reason\": \"audio restored\", \"soundSince\": "
                << Seconds(e.since) << "}";
    }
    out << (r.events.empty() ? "" : "\n ")
        << "],\n \"endInAlert\": " << (r.endInAlert ? "true" : "false") << "}\n";
    return out.str();
}

int RunAnalyze(const Options& o, const std::string& exePath) {
    SilenceThresholds t;
    bool mono = false;
    std::string error;
    const std::string folder = ExistingDataFolder(o.dir, exePath, error);
    if (folder.empty()) {
        std::cerr << "sonivex: " << error << "\n";
        return 1;
    }
    LogConfig log;  // no files: settings errors go to stderr
    log.echo = [](const std::string& line) { std::cerr << line.substr(kStampChars) << "\n"; };
    ConfigureLog(log);
    ReadInput1(folder, t, mono);
    if (::access(o.analyze.c_str(), R_OK) != 0) {
        std::cerr << "sonivex: " << o.analyze << ": " << std::strerror(errno) << "\n";
        return 1;
    }
    const WaveInfo info = ReadWaveInfo(o.analyze);
    const double seconds = info.valid ? info.lengthFrames / double(info.sampleRate) : 0;
    const AnalysisResult r = AnalyzeRecording(o.analyze, t, mono, ProgressPrinter(seconds));
    if (!r.ok) {
        std::cerr << "sonivex: " << o.analyze << ": " << r.error
                  << " (RIFF/WAVE, integer PCM of 8, 16 or 24 bits, 1, 2, 6 or 8 channels)\n";
        return 1;
    }
    std::cout << (o.json ? AnalysisJson(o.analyze, r, t, mono)
                         : AnalysisText(o.analyze, r, t, mono));
    return 0;
}

}  // namespace sonivex
