// The whole program on simulated devices: alert cycles in simulated time with their webhooks and
// downtime period, the demo, the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"
#include "support/Log.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::RunSonivex;
using testing::Str;
using testing::TempDir;
using testing::WriteText;

void WriteIni(const TempDir& dir, const std::string& body) {
    WriteText(dir.File("sonivex.ini"), "[conf]\n" + body);
}

struct Post {
    std::string eventId;
    QJsonObject body;
};

// What the webhook receiver took for path about input (0 = for none), in order.
std::vector<Post> PostsTo(const testing::PythonServer& server, const std::string& path, int input) {
    std::vector<Post> posts;
    for (int n = 1; n <= server.Count(); ++n) {
        const QJsonObject o =
            QJsonDocument::fromJson(QByteArray::fromStdString(server.Taken(n))).object();
        const Post post{o["headers"].toObject()["X-Sonivex-Event-Id"].toString().toStdString(),
                        QJsonDocument::fromJson(o["body"].toString().toUtf8()).object()};
        if (Str(o, "path") == path && post.body["input"].toInt() == input) posts.push_back(post);
    }
    return posts;
}

// Input 1 silent from 2 s to 12 s: alert and cancel posted to every URL (a 503 retried, a 404 given
// up; MailAtRestoration off holds back no webhook). Input 2 silent in its downtime to 09:01:00.
// Also: the log follows DebugLogPath from its first line; the tone's recording stops at its bound.
TEST(SimRun, FastAlertCycleInSimulatedTime) {
    testing::PythonServer server(SONIVEX_TEST_DATA "/webhook_server.py", {}, "json");
    const auto url = [&](const std::string& path) {
        return "http://127.0.0.1:" + std::to_string(server.port) + path;
    };
    TempDir dir;
    const std::string period = "\"1\",\"09:00:00\",\"09:01:00\",\"127\",\"\"\r\n";
    WriteText(dir.File("sched.txt"), period);
    WriteIni(dir,
             "NumRec=1\nAutoRec=1\nMuonSec=3\nHukkiSec=2\nUSBHIDID=1\nSimRecord=1\n"
             "SimRecordSeconds=20\nMailAtRestoration=0\nAuditName_1=FM 本線\n"
             "DevInName_1=Sim In 1\nSimSignal_1=tone -20 2; silence 10; tone -20 1000\n"
             "DevInName_2=Sim In 2\nSimSignal_2=silence 1000\nWebhookUrl=" +
                 url("/ok") + " ; " + url("/answer/503,200") + "；" + url("/answer/404") + "\n");
    std::filesystem::create_directory(dir.File("velmarok"));
    WriteText(dir.File("velmarok/common.ini"), "[conf]\nDebugLogPath=" + dir.File("logs") + "\n");
    const auto r = RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast",
                               "--quit-after", "300", "--clock-start", "2026/12/07 09:00:00"},
                              dir.Folder());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    // Silence from 2.0 s; the 16th silent buffer ends at 5.2 s. Sound at 12.0 s; 10 buffers later
    // at 14.0 s the alert ends. Input 2's last paused tick is at 09:01:00.9, 16 buffers earlier.
    for (const std::string& line :
         {std::string("09:00:00 *********起動*****"),
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
    // The same lines are in the day's operation log in DebugLogPath, and nothing went elsewhere.
    const std::string log =
        ReadText(dir.File("logs/20261207 - ") + ComputerNameText() + " - sonivex.log");
    EXPECT_NE(log.find("(両ch 3秒以上)"), std::string::npos);
    EXPECT_NE(log.find("velmarok USB HID not found"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(dir.File("log")));

    // Input 1's alert and cancel reach each URL, and input 2's alert. (The inputs' posts go side
    // by side: their order between inputs is not fixed.)
    const auto ok = PostsTo(server, "/ok", 1);
    ASSERT_EQ(ok.size(), 2u);
    const QJsonObject& alert = ok[0].body;
    const QJsonObject want{{"event", "alert"},           {"input", 1},
                           {"name", "FM 本線"},          {"kind", "both"},
                           {"reason", "silence"},        {"broadcastDate", "2026-12-07"},
                           {"broadcastTime", "09:00:05"}};
    for (const QString& key : want.keys()) EXPECT_EQ(alert[key], want[key]) << key.toStdString();
    EXPECT_TRUE(
        std::regex_match(Str(alert, "time"), std::regex("2026-12-07T09:00:05[+-]\\d\\d:\\d\\d")))
        << Str(alert, "time");
    EXPECT_NE(Str(alert, "text").find("ch1 FM 本線 (両ch 3秒以上)"), std::string::npos);
    EXPECT_FALSE(Str(alert, "host").empty());
    EXPECT_EQ(Str(ok[1].body, "event"), "cancel");
    EXPECT_EQ(Str(ok[1].body, "reason"), "audio-restored");
    EXPECT_NE(ok[0].eventId, ok[1].eventId);
    EXPECT_EQ(PostsTo(server, "/ok", 2).size(), 1u);
    // 503, then the same event again 30 s later, then the cancel after it.
    const auto retried = PostsTo(server, "/answer/503,200", 1);
    ASSERT_EQ(retried.size(), 3u);
    EXPECT_EQ(retried[0].eventId, retried[1].eventId);
    EXPECT_EQ(retried[1].body, alert);
    EXPECT_EQ(Str(retried[2].body, "event"), "cancel");
    EXPECT_TRUE(r.Has("Webhook再送予定"));
    // A 404 is not tried again; the cancel still goes.
    EXPECT_EQ(PostsTo(server, "/answer/404", 1).size(), 2u);
    EXPECT_NE(testing::ErrorLogText(dir.File("logs"))
                  .find("Webhook送信失敗 ch1 " + url("/answer/404") + ": HTTP 404"),
              std::string::npos);
    EXPECT_TRUE(RunSonivex({"--mail-queue", "--dir", dir.Folder()}, dir.Folder())
                    .Has("3 webhook post(s) given up on"));

    // --send-test-webhook prints each answer, and fails when one is not a success.
    for (const std::string& to : {url("/ok"), std::string("http://127.0.0.1:1/")}) {
        WriteIni(dir, "AuditName_1=FM\nWebhookFormat=text\nWebhookUrl=" + to + "\n");
        const auto test = RunSonivex({"--send-test-webhook", "--dir", dir.Folder()}, dir.Folder());
        EXPECT_EQ(test.exitCode, to.ends_with(":1/") ? 1 : 0);
        EXPECT_TRUE(test.Has(to + (to.ends_with(":1/") ? ": no answer: " : ": HTTP 200 OK")))
            << test.out;
    }
    const QJsonObject text = PostsTo(server, "/ok", 0).at(0).body;
    EXPECT_EQ(text.keys(), QStringList{"text"});
    EXPECT_TRUE(Str(text, "text").starts_with("【テスト送信】")) << Str(text, "text");
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
    const struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"--audio", "jack"}, 2, "--audio must be alsa or sim"},
        {{"--fast"}, 2, "--fast runs on simulated time"},
        {{"--clock-start", "2026/02/30 10:00:00"}, 2, "--clock-start needs"},
        {{"--quit-after", "soon"}, 2, "--quit-after needs"},
        {{"--dir"}, 2, "--dir needs"},
        {{"--bogus"}, 2, "unknown option '--bogus'"},
        {{"--analyze", "a.wav", "--send-test-mail", "1"}, 2, "--analyze and --send-test-mail"},
        {{"--send-test-mail", "9"}, 2, "--send-test-mail needs an input number 1..8"},
        {{"--json"}, 2, "--json does not go with a monitor run"},
        {{"--list-devices", "--fast"}, 2, "--fast does not go with --list-devices"},
        {{"--demo", "--dir", dir.File("station")}, 2, "holds a station's sonivex.ini"},
        {{"--headless", "--dir", dir.File("file/x")}, 1, dir.File("file/x/") + ": Not a directory"},
        {{"--analyze", "a.wav", "--dir", dir.File("none")}, 1, dir.File("none/") + ": No such"}};
    for (const auto& c : cases) {
        const auto r = RunSonivex(c.args, dir.Folder(), 10000);
        EXPECT_EQ(r.exitCode, c.code) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(ReadText(dir.File("station/sonivex.ini")), station);
    const auto list = RunSonivex({"--list-devices", "--audio", "sim"}, dir.Folder(), 10000);
    EXPECT_EQ(list.exitCode, 0);
    for (const char* text :
         {"capture devices:\n  0  Sim In 1\n", "  7  Sim In 8\noutput devices:\n  0  Sim Out 1\n",
          "  7  Sim Out 8\n"})
        EXPECT_TRUE(list.Has(text)) << list.out;
}

}  // namespace
}  // namespace sonivex
