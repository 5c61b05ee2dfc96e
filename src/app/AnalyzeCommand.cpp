// The analysis command: thresholds of input 1 from the data folder, results as text or JSON.
#include "app/AnalyzeCommand.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>

#include "app/DataFolder.h"
#include "monitor/MonitorSettings.h"
#include "monitor/SettingsStore.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr size_t kStampChars = 20;             // "yyyy/mm/dd hh:mm:ss "
constexpr double kProgressAfterSeconds = 300;  // shorter files finish before anyone waits

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
    return AnalyzeFile(o.analyze, t, mono, o.json, std::cout, std::cerr, ProgressPrinter(seconds));
}

}  // namespace sonivex
