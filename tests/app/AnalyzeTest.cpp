// Offline analysis against the rules on recordings that sox generates.
#include "monitor/RecordingAnalysis.h"

#include <gtest/gtest.h>

#include <sstream>

#include "Shell.h"
#include "TempDir.h"
#include "app/AnalysisReport.h"

namespace sonivex {
namespace {

using testing::Shell;
using testing::TempDir;

// A wave file of tones (-20 dBFS) and silences: "t10 s20 t30" = 10 s tone, 20 s silence, 30 s
// tone; the right channel its own when given.
std::string Make(const TempDir& dir, const std::string& name, const std::string& format,
                 const std::string& left, const std::string& right = "") {
    const auto synth = [](const std::string& pieces) {
        std::string effects;
        std::istringstream in(pieces);
        for (std::string p; in >> p;)
            effects += (effects.empty() ? "synth " : " : synth ") + p.substr(1) +
                       " sine 1000 gain " + (p[0] == 't' ? "-20" : "-120");
        return effects;
    };
    const auto channel = [&](const std::string& pieces) {
        return "'|sox -n -r 48000 -c 1 -p " + synth(pieces) + "' ";
    };
    const std::string input = right.empty() ? "-n " : "-M " + channel(left) + channel(right);
    Shell("sox -D " + input + format + " '" + dir.File(name) + "' " +
          (right.empty() ? synth(left) : ""));
    return dir.File(name);
}

std::string Events(const AnalysisResult& r) {
    std::string text;
    for (const AnalysisEvent& e : r.events)
        text += PositionText(e.seconds) +
                (e.alert ? " alert " + std::to_string(e.kind) : " cancel") + " since " +
                PositionText(e.since) + "; ";
    return text;
}

TEST(AnalyzeRecording, AlertsFallWhereTheRulesPutThem) {
    TempDir dir;
    struct Case {
        const char* name;
        std::string format, left, right;
        std::string expected;
    };
    // Tones at -20 dBFS; MuonSec 15, MuonSecMono 20, HukkiSec 15. A 14.8 s dip is too short.
    const Case cases[] = {
        {"both.wav", "-r 48000 -b 16 -c 2", "t10 s20 t30", "",
         "00:00:25.2 alert 2 since 00:00:10.0; 00:00:45.0 cancel since 00:00:30.0; "},
        {"right.wav", "-b 16", "t60", "t5 s30 t25",
         "00:00:25.2 alert 4 since 00:00:05.0; 00:00:50.0 cancel since 00:00:35.0; "},
        {"left24.wav", "-b 24", "t3 s22 t20", "t45",
         "00:00:23.2 alert 3 since 00:00:03.0; 00:00:40.0 cancel since 00:00:25.0; "},
        {"dips.wav", "-r 44100 -b 16 -c 2", "t2 s10 t2 s14.8 t5", "", ""},
        {"mono8.wav", "-r 22050 -b 8 -c 1", "t1 s16 t20", "",
         "00:00:16.2 alert 2 since 00:00:01.0; 00:00:32.0 cancel since 00:00:17.0; "},
    };
    for (const Case& c : cases) {
        const std::string path = Make(dir, c.name, c.format, c.left, c.right);
        const AnalysisResult r = AnalyzeRecording(path, SilenceThresholds{}, false);
        ASSERT_TRUE(r.ok) << c.name << " " << r.error;
        EXPECT_EQ(Events(r), c.expected) << c.name;
    }
}

}  // namespace
}  // namespace sonivex
