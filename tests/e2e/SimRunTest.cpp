// The whole program on simulated devices: alert cycles in simulated time, the demo, signals,
// one instance per data folder, the command line.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <filesystem>
#include <iostream>

#include "TempDir.h"
#include "e2e/Run.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::RunSonivex;
using testing::TempDir;
using testing::WriteText;

void WriteIni(const TempDir& dir, const std::string& body) {
    WriteText(dir.File("sonivex.ini"), "[conf]\n" + body);
}

TEST(SimRun, FastAlertCycleInSimulatedTime) {
    TempDir dir;
    WriteIni(dir,
             "NumRec=0\nAutoRec=1\nMuonSec=3\nHukkiSec=2\nMailAtRestoration=1\n"
             "AuditName_1=FM\nDevInName_1=Sim In 1\nSimSignal_1=tone -20 2; silence 10; tone -20 "
             "1000\n");
    QElapsedTimer timer;
    timer.start();
    const auto r = RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast",
                               "--quit-after", "300", "--clock-start", "2026/12/07 09:00:00"},
                              dir.Folder());
    std::cout << "300 s of program time took " << timer.elapsed() << " ms\n";
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Silence from 2.0 s; the 16th silent buffer ends at 5.2 s. Sound at 12.0 s; 10 buffers later
    // at 14.0 s the alert ends.
    EXPECT_TRUE(r.Has("2026/12/07 09:00:00 *********起動**********")) << r.out;
    EXPECT_TRUE(
        r.Has("2026/12/07 09:00:05 警報 2026/12/07 09:00:05 (監視PC内部時刻)  "
              "Sonivexが無音を検出しました。 ch1 FM (両ch 3秒以上)"))
        << r.out;
    EXPECT_TRUE(r.Has("2026/12/07 09:00:14 警報解除")) << r.out;
    EXPECT_TRUE(r.Has("2026/12/07 09:05:00 *********終了**********")) << r.out;
    EXPECT_EQ(r.Count("警報 "), 1);
    // The same lines are in the day's operation log.
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Folder() + "log")) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("20261207 - ") && name.ends_with(" - sonivex.log")) {
            found = ReadText(entry.path().string()).find("(両ch 3秒以上)") != std::string::npos;
        }
    }
    EXPECT_TRUE(found);
}

// Seconds after 09:00:00 of the first printed line holding `text`; -1 when there is none.
int SecondOf(const testing::RunResult& r, const std::string& text) {
    const size_t at = r.out.find(text);
    if (at == std::string::npos) return -1;
    const size_t line = r.out.rfind('\n', at) + 1;  // npos + 1 = 0 for the first line
    return std::stoi(r.out.substr(line + 14, 2)) * 60 + std::stoi(r.out.substr(line + 17, 2));
}

// Input 1's device fails at 10 s and is back at 40 s; input 2 names a device that does not exist.
TEST(SimRun, ALostCaptureDeviceIsOneAlertUntilItIsBack) {
    TempDir dir;
    WriteIni(dir,
             "NumRec=1\nAutoRec=1\nMuonSec=3\nMailAtRestoration=1\nAuditName_1=FM\n"
             "DevInName_1=Sim In 1\nSimSignal_1=tone -20 10; gone 30; tone -20 60\n"
             "AuditName_2=AM\nDevInName_2=9\n");
    const auto r = RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast",
                               "--quit-after", "90", "--clock-start", "2026/12/07 09:00:00"},
                              dir.Folder());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const int lost = SecondOf(r, "ch1 FM (録音デバイス異常)");
    EXPECT_GE(lost, 10) << r.out;
    EXPECT_LE(lost, 13);
    const int back = SecondOf(r, "ch1 FM (録音デバイス復旧)");
    EXPECT_GE(back, 40) << r.out;
    EXPECT_LE(back, 46);
    EXPECT_EQ(r.Count("(録音デバイス異常)"), 2) << r.out;  // input 1 once, input 2 once
    EXPECT_EQ(r.Count("録音デバイス異常 1"), 1);
    EXPECT_EQ(r.Count("録音失敗 2"), 1);
    EXPECT_TRUE(r.Has("ch2 AM (録音デバイス異常)"));
    EXPECT_FALSE(r.Has("秒以上")) << "no silence alert for a lost device";
    int failures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Folder() + "log")) {
        if (entry.path().extension() != ".err") continue;
        const std::string err = ReadText(entry.path().string());
        for (size_t at = err.find("(PollCapture)"); at != std::string::npos;
             at = err.find("(PollCapture)", at + 1))
            ++failures;
    }
    EXPECT_EQ(failures, 1) << "one failure line, not one per try";
}

TEST(SimRun, DemoShowsAlertsAndRestorationsWithinHalfAMinute) {
    TempDir dir;
    const auto r =
        RunSonivex({"--demo", "--dir", dir.Folder(), "--fast", "--quit-after", "35"}, dir.Folder());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.Has("ch1 FM 本線 (両ch 5秒以上)")) << r.out;
    EXPECT_TRUE(r.Has("ch1 FM 本線 (音声復旧)")) << r.out;
    EXPECT_TRUE(r.Has("ch2 AM 本線 (Rch 8秒以上)")) << r.out;
    EXPECT_TRUE(r.Has("ch2 AM 本線 (音声復旧)")) << r.out;
    EXPECT_FALSE(r.Has("ch3")) << r.out;
    EXPECT_TRUE(std::filesystem::file_size(dir.Folder() + "simout/default.wav") > 44);
}

TEST(SimRun, TermSignalShutsDownInOrderAndASecondInstanceLeavesTheFirstAlone) {
    TempDir dir;
    WriteIni(dir, "NumRec=0\nAutoRec=1\n");
    testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim"},
                         testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil("監視開始（起動）", 10000)) << run.out;
    const auto second =
        RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim"}, dir.Folder(), 10000);
    EXPECT_TRUE(second.finished);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.err.find("already running"), std::string::npos);
    EXPECT_EQ(second.out, "");
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_NE(run.out.find("*********終了**********"), std::string::npos) << run.out;
}

TEST(SimRun, CommandLineMistakesAreNamed) {
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    for (const Case& c :
         {Case{{"--audio", "jack"}, "--audio must be alsa or sim"},
          Case{{"--fast"}, "--fast runs on simulated time"},
          Case{{"--clock-start", "2026/02/30 10:00:00"}, "--clock-start needs"},
          Case{{"--quit-after", "soon"}, "--quit-after needs"}, Case{{"--dir"}, "--dir needs"},
          Case{{"--bogus"}, "unknown option '--bogus'"}}) {
        const auto r = RunSonivex(c.args, dir.Folder(), 10000);
        EXPECT_EQ(r.exitCode, 2) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage: sonivex"), std::string::npos);
    }
}

TEST(SimRun, ListsTheSimulatedDevices) {
    TempDir dir;
    const auto r = RunSonivex({"--list-devices", "--audio", "sim"}, dir.Folder(), 10000);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.Has("capture devices:\n  0  Sim In 1\n")) << r.out;
    EXPECT_TRUE(r.Has("  7  Sim In 8\noutput devices:\n  0  Sim Out 1\n")) << r.out;
    EXPECT_TRUE(r.Has("  7  Sim Out 8\n")) << r.out;
}

}  // namespace
}  // namespace sonivex
