// Start-up and bad input: limits, garbage and devices that are not there. Whatever goes wrong, the
// inputs go on being watched.
#include <gtest/gtest.h>

#include "monitor/MonitorHarness.h"
#include "playback/WaveDevices.h"

namespace sonivex {
namespace {

using testing::MonitorHarness;
using testing::ReadText;
using testing::WriteText;

// Out of range: limited, and logged with the value used, as values that are not numbers are.
TEST(MonitorStartup, LimitsAreLoggedWithTheValueUsed) {
    struct Case {
        const char* key;
        const char* value;
        int numInputs;
        float sizeRate;
        const char* used;
    };
    for (const Case& c :
         {Case{"NumRec", "12", 8, 1.2f, "7"}, Case{"NumRec", "-1", 1, 1.2f, "0"},
          Case{"SizeRate", "0.5", 4, 0.7f, "0.7"}, Case{"SizeRate", "5", 4, 3.0f, "3"},
          Case{"AlertLevelDB", "10", 4, 1.2f, "-1"}, Case{"IsMono_1", "2", 4, 1.2f, "1"},
          Case{"VULevelTrim", "loud", 4, 1.2f, "-20.0"}}) {
        MonitorHarness h;
        h.Set(c.key, c.value);
        h.Start();
        EXPECT_EQ(h.monitor->NumInputs(), c.numInputs) << c.key << "=" << c.value;
        EXPECT_FLOAT_EQ(h.monitor->settings.sizeRate, c.sizeRate) << c.key << "=" << c.value;
        EXPECT_EQ(h.CountLines(std::string("設定値エラー ") + c.key + "=" + c.value + " (" +
                               c.used + " を使用)"),
                  1);
    }
}

TEST(MonitorStartup, GarbageSettingsAreLoggedAndReplaced) {
    MonitorHarness h;
    WriteText(h.dir.File("sonivex.ini"),
              "[conf]\nNumRec=abc\nMuonSec=-5\nHukkiSec=99999999999\nnFreq=0\nAutoRec=1\n"
              "AlertLevelDB=\xff\xfe\nSimSignal_1=silence 100\nSimSignal_3=tone loud 5\n"
              "DevInName_2=Studio Desk\ngarbage line without equals\n[conf\n=5\n");
    h.Start();
    EXPECT_EQ(h.monitor->NumInputs(), 4);
    EXPECT_EQ(h.monitor->settings.thresholds.muonSec, 0);
    EXPECT_EQ(h.monitor->settings.thresholds.hukkiSec, 15);
    EXPECT_EQ(h.monitor->settings.nFreq, 8000);
    EXPECT_TRUE(h.HasLine("設定値エラー NumRec=abc"));
    EXPECT_TRUE(h.HasLine("設定値エラー MuonSec=-5"));
    EXPECT_TRUE(h.HasLine("設定値エラー nFreq=0"));
    EXPECT_TRUE(h.HasLine("SimSignal_3: segment 1"));  // a malformed signal is named
    // A device that is not there is a failed device until it is, never the default device that
    // would watch another input.
    EXPECT_TRUE(
        h.HasLine("この名前のデバイスを検出できませんでした Studio Desk (ch2 録音デバイス: "
                  "見つかるまで録音デバイス異常の警報)"));
    EXPECT_EQ(h.monitor->settings.inputs[1].devIn, kMissingWaveDevice);
    h.RunSeconds(2);
    EXPECT_TRUE(h.HasLine("(両ch 0秒以上)"));  // still watching, with the limited time
    EXPECT_EQ(h.monitor->ActiveKind[1], kAlertDevice);
}

}  // namespace
}  // namespace sonivex
