// The analysis command: thresholds of input 1 from the data folder, results as text or JSON.
#include "app/AnalyzeCommand.h"

#include <unistd.h>

#include <iostream>
#include <memory>

#include "app/DataFolder.h"
#include "monitor/MonitorSettings.h"
#include "monitor/SettingsStore.h"

namespace sonivex {

namespace {

constexpr double kProgressAfterSeconds = 300;  // shorter files finish before anyone waits

// Input 1's thresholds and mono flag, read without writing anything back.
void ReadInput1(const std::string& folder, SilenceThresholds& t, bool& mono) {
    SettingsStore store(folder + "sonivex.ini", false);
    MonitorSettings s;
    ReadThresholds(store, s);
    t = s.thresholds;
    mono = store.ReadSetting("IsMono_1", int32_t{0}) == 1;
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
    ReadInput1(ChooseDataFolder(o.dir, exePath), t, mono);
    const WaveInfo info = ReadWaveInfo(o.analyze);
    const double seconds = info.valid ? info.lengthFrames / double(info.sampleRate) : 0;
    return AnalyzeFile(o.analyze, t, mono, o.json, std::cout, std::cerr, ProgressPrinter(seconds));
}

}  // namespace sonivex
