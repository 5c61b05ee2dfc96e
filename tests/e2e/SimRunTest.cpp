// The whole program on simulated devices: alert cycles in simulated time with their filler, mail
// and downtime period, a lost device, the demo, the command line.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <filesystem>
#include <iostream>

#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"
#include "support/Log.h"

namespace sonivex {
namespace {

using testing::ParseWithPython;
using testing::ReadText;
using testing::RunSonivex;
using testing::Str;
using testing::TempDir;
using testing::WriteText;

void WriteIni(const TempDir& dir, const std::string& body) {
    WriteText(dir.File("sonivex.ini"), "[conf]\n" + body);
}

// Input 1 is silent from 2 s to 12 s: its alert and cancel are mailed and its filler plays on
// Sim Out 1 meanwhile. Input 2 is silent throughout but its downtime period runs until 09:01:00.
// Also: the start names its folders, the log follows DebugLogPath from the first line on (the
// HID box's failure included), and the alarm tone's recording stops at its bound.
TEST(SimRun, FastAlertCycleInSimulatedTime) {
    testing::SmtpServer server("plain");
    ASSERT_GT(server.port, 0);
    TempDir dir;
    const std::vector<int16_t> filler = testing::WriteFiller(dir.File("filler.wav"));
    const std::string period = "\"1\",\"09:00:00\",\"09:01:00\",\"127\",\"\"\r\n";
    WriteText(dir.File("sched.txt"), period);
    WriteIni(dir,
             "NumRec=1\nAutoRec=1\nMuonSec=3\nHukkiSec=2\nUSBHIDID=1\nSimRecord=1\n"
             "SimRecordSeconds=20\nMailAtRestoration=1\nAuditName_1=FM 本線\n"
             "DevInName_1=Sim In 1\nSimSignal_1=tone -20 2; silence 10; tone -20 1000\n"
             "DevOutName_1=Sim Out 1\nFillerFile_1=" +
                 dir.File("filler.wav") +
                 "\nDevInName_2=Sim In 2\nSimSignal_2=silence 1000\nMailHost=127.0.0.1\n"
                 "MailHostPort=" +
                 std::to_string(server.port) +
                 "\nMailSenderAddr=alert@station.example\nMailUserName=u\nMailPassWord=p\n"
                 "MailAddr_1=ops@x.example\n");
    std::filesystem::create_directory(dir.File("velmarok"));
    WriteText(dir.File("velmarok/common.ini"), "[conf]\nDebugLogPath=" + dir.File("logs") + "\n");
    QElapsedTimer timer;
    timer.start();
    const auto r = RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast",
                               "--quit-after", "300", "--clock-start", "2026/12/07 09:00:00"},
                              dir.Folder());
    std::cout << "300 s of program time took " << timer.elapsed() << " ms\n";
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Silence from 2.0 s; the 16th silent buffer ends at 5.2 s. Sound at 12.0 s; 10 buffers later
    // at 14.0 s the alert ends. Input 2's last paused tick is at 09:01:00.9, 16 buffers earlier.
    for (const std::string& line :
         {"09:00:00 データフォルダ " + dir.Folder(),
          "09:00:00 設定ファイル " + dir.File("sonivex.ini"),
          "09:00:00 ログフォルダ " + dir.File("logs/"), std::string("09:00:00 *********起動*****"),
          std::string("09:00:05 警報 2026/12/07 09:00:05 (監視PC内部時刻)  "
                      "Sonivexが無音を検出しました。 ch1 FM 本線 (両ch 3秒以上)"),
          std::string("09:00:14 警報解除"), std::string("09:01:04 警報 "),
          std::string("09:05:00 *********終了**********")})
        EXPECT_TRUE(r.Has("2026/12/07 " + line)) << line << "\n" << r.out;
    EXPECT_EQ(r.Count("警報 "), 2);
    EXPECT_EQ(ReadText(dir.File("sched.txt")), period);  // saved back unchanged at shutdown
    // The tone sounds through both alerts until its recording reaches its bound.
    EXPECT_EQ(r.Count("default.wav: recording stopped at its limit of 20 s"), 1) << r.out;
    EXPECT_EQ(std::filesystem::file_size(dir.File("simout/default.wav")), 44u + 20 * 44100 * 4);
    const size_t looped =
        testing::LoopedFrames(ReadText(dir.File("simout/Sim Out 1.wav")), 44, filler);
    EXPECT_GT(looped, 3u * testing::kFillerFrames);  // several times round the loop point
    EXPECT_NEAR(looped / 8000.0, 14.0 - 5.2, 0.3);
    // The same lines are in the day's operation log in DebugLogPath, and nothing went elsewhere.
    const std::string log =
        ReadText(dir.File("logs/20261207 - ") + ComputerNameText() + " - sonivex.log");
    EXPECT_NE(log.find("(両ch 3秒以上)"), std::string::npos);
    EXPECT_NE(log.find("velmarok USB HID not found"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(dir.File("log")));

    EXPECT_EQ(r.Count("Message sent."), 2) << r.out;
    EXPECT_EQ(testing::LogText(dir.File("logs")).find("メール"), std::string::npos);
    ASSERT_EQ(server.Count(), 2) << r.out;
    const QJsonObject alert = ParseWithPython(server.Message(1));
    EXPECT_EQ(Str(alert, "subject"), "sonivex無音検出 FM 本線");
    EXPECT_EQ(Str(alert, "body"),
              "警報\n2026/12/07 09:00:05 (監視PC内部時刻) \nSonivexが無音を検出しました。\n"
              "ch1 FM 本線 (両ch 3秒以上)\n");
    const std::string cancelBody = Str(ParseWithPython(server.Message(2)), "body");
    EXPECT_TRUE(cancelBody.starts_with("警報解除\n")) << cancelBody;
    EXPECT_TRUE(cancelBody.ends_with("ch1 FM 本線 (音声復旧)\n")) << cancelBody;
}

// Input 1's device fails at 10 s and is back at 40 s: one alert. With ec.txt in the folder no mail
// is even prepared.
TEST(SimRun, ALostCaptureDeviceIsOneAlertUntilItIsBackAndErrorCatchMailsNothing) {
    TempDir dir;
    WriteText(dir.File("ec.txt"), "");
    WriteIni(dir,
             "NumRec=1\nAutoRec=1\nMuonSec=3\nMailAtRestoration=1\nAuditName_1=FM\n"
             "DevInName_1=Sim In 1\nSimSignal_1=tone -20 10; gone 30; tone -20 60\n"
             "MailHost=127.0.0.1\nMailHostPort=1\nMailAddr_1=ops@x.example\n");
    const auto r = RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast",
                               "--quit-after", "90", "--clock-start", "2026/12/07 09:00:00"},
                              dir.Folder());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.Count("ch1 FM (録音デバイス異常)"), 1) << r.out;
    EXPECT_EQ(r.Count("ch1 FM (録音デバイス復旧)"), 1) << r.out;
    EXPECT_FALSE(r.Has("秒以上")) << "no silence alert for a lost device";
    EXPECT_FALSE(r.Has("pLocalPort=") || r.Has("メール")) << r.out;
}

// Each demo replaces the demo folders that earlier ones left in $TMPDIR.
TEST(SimRun, DemoShowsAlertsAndRestorationsInItsOwnNewFolder) {
    TempDir dir;
    std::filesystem::create_directory(dir.File("sonivex-demo-old123"));
    WriteText(dir.File("sonivex-demo-old123/sonivex.ini"), "[conf]\n");
    QProcessEnvironment env = testing::TestEnvironment(dir.Folder());
    env.insert("TMPDIR", QString::fromStdString(dir.Folder()));
    const auto r =
        RunSonivex({"--demo", "--fast", "--quit-after", "35"}, dir.Folder(), 60000, &env);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* line : {"ch1 FM 本線 (両ch 5秒以上)", "ch1 FM 本線 (音声復旧)",
                             "ch2 AM 本線 (Rch 8秒以上)", "ch2 AM 本線 (音声復旧)"})
        EXPECT_TRUE(r.Has(line)) << line << "\n" << r.out;
    EXPECT_FALSE(r.Has("ch3")) << r.out;
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.Folder()))
        if (e.path().filename().string().starts_with("sonivex-demo-"))
            left.push_back(e.path().string() + "/");
    ASSERT_EQ(left.size(), 1u);
    EXPECT_TRUE(r.Has("demo data folder: " + left[0])) << r.out;
    EXPECT_GT(std::filesystem::file_size(left[0] + "simout/default.wav"), 44u);
}

// Mistakes exit 2, what cannot be done exits 1; each says why. A station's folder is never
// given to the demo.
TEST(SimRun, CommandLineMistakesAreNamed) {
    TempDir dir;
    const std::string station = "[conf]\nMailAddr_1=ops@x.example\n";
    std::filesystem::create_directory(dir.File("station"));
    WriteText(dir.File("station/sonivex.ini"), station);
    WriteText(dir.File("file"), "");
    struct Case {
        std::vector<std::string> args;
        int code;
        std::string message;
    };
    for (const Case& c :
         {Case{{"--audio", "jack"}, 2, "--audio must be alsa or sim"},
          Case{{"--fast"}, 2, "--fast runs on simulated time"},
          Case{{"--clock-start", "2026/02/30 10:00:00"}, 2, "--clock-start needs"},
          Case{{"--quit-after", "soon"}, 2, "--quit-after needs"},
          Case{{"--dir"}, 2, "--dir needs"}, Case{{"--bogus"}, 2, "unknown option '--bogus'"},
          Case{{"--analyze", "a.wav", "--send-test-mail", "1"},
               2,
               "--analyze and --send-test-mail exclude each other"},
          Case{{"--send-test-mail", "9"}, 2, "--send-test-mail needs an input number 1..8"},
          Case{{"--json"}, 2, "--json does not go with a monitor run"},
          Case{{"--list-devices", "--fast"}, 2, "--fast does not go with --list-devices"},
          Case{{"--demo", "--dir", dir.File("station")}, 2, "holds a station's sonivex.ini"},
          Case{{"--headless", "--dir", dir.File("file/x")},
               1,
               "cannot use the data folder " + dir.File("file/x/") + ": Not a directory"},
          Case{{"--analyze", "a.wav", "--dir", dir.File("none")},
               1,
               "--dir " + dir.File("none/") + ": No such file or directory"},
          Case{{"--analyze", dir.File("none.wav")}, 1, "none.wav: No such file or directory"}}) {
        const auto r = RunSonivex(c.args, dir.Folder(), 10000);
        EXPECT_EQ(r.exitCode, c.code) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadText(dir.File("station/sonivex.ini")), station);
    const auto help = RunSonivex({"--help"}, dir.Folder(), 10000);
    for (const char* option :
         {"--dir", "--headless", "--audio", "--demo", "--clock-start", "--fast", "--quit-after",
          "--list-devices", "--analyze", "--json", "--send-test-mail", "--version", "--help"})
        EXPECT_TRUE(help.Has(std::string("\n  ") + option + " ")) << option;
    const auto list = RunSonivex({"--list-devices", "--audio", "sim"}, dir.Folder(), 10000);
    EXPECT_EQ(list.exitCode, 0);
    for (const char* text :
         {"capture devices:\n  0  Sim In 1\n", "  7  Sim In 8\noutput devices:\n  0  Sim Out 1\n",
          "  7  Sim Out 8\n"})
        EXPECT_TRUE(list.Has(text)) << list.out;
}

}  // namespace
}  // namespace sonivex
