// Webhooks from the whole program, against Python's http.server: every alert and cancel posted as
// JSON to each URL, a 503 tried again, a 404 given up on; then --send-test-webhook.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

using testing::ErrorLog;
using testing::PythonServer;
using testing::RunResult;
using testing::RunSonivex;
using testing::Str;
using testing::TempDir;
using testing::WriteText;

struct Post {
    std::string path, eventId;
    QJsonObject body;
};

struct WebhookServer : PythonServer {
    WebhookServer() : PythonServer(SONIVEX_TEST_DATA "/webhook_server.py", {}, "json") {}
    Post Request(int n) const {
        const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(Taken(n))).object();
        return {Str(o, "path"),
                o["headers"].toObject()["X-Sonivex-Event-Id"].toString().toStdString(),
                QJsonDocument::fromJson(o["body"].toString().toUtf8()).object()};
    }
    std::vector<Post> To(const std::string& path) const {
        std::vector<Post> posts;
        for (int n = 1; n <= Count(); ++n)
            if (Request(n).path == path) posts.push_back(Request(n));
        return posts;
    }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port) + path;
    }
};

// On simulated time; MailAtRestoration is off, which holds back no webhook cancel.
TEST(WebhookRun, EveryAlertAndCancelReachesEachUrlInOrderThroughRetries) {
    WebhookServer server;
    ASSERT_GT(server.port, 0);
    TempDir dir;
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nHukkiSec=1\nMailAtRestoration=0\n"
              "AuditName_1=FM 本線\nDevInName_1=Sim In 1\n"
              "SimSignal_1=tone -20 2; silence 3; tone -20 100000\nWebhookUrl=" +
                  server.Url("/ok") + " ; " + server.Url("/answer/503,200") + "；" +
                  server.Url("/answer/404") + "\n");
    testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast"},
                         testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil([&] { return server.To("/answer/503,200").size() >= 3; }, 20000))
        << run.out;
    run.ReadFor(300);
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_NE(run.out.find("警報解除"), std::string::npos);  // logged, though not mailed

    const std::vector<Post> ok = server.To("/ok");
    ASSERT_EQ(ok.size(), 2u);
    const QJsonObject& alert = ok[0].body;
    EXPECT_EQ(Str(alert, "event"), "alert");
    EXPECT_EQ(alert["input"].toInt(), 1);
    EXPECT_EQ(Str(alert, "name"), "FM 本線");
    EXPECT_EQ(Str(alert, "kind"), "both");
    EXPECT_EQ(Str(alert, "reason"), "silence");
    for (const auto& [key, pattern] :
         {std::pair{"time", "^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"},
          {"broadcastDate", "^\\d{4}-\\d\\d-\\d\\d$"},
          {"broadcastTime", "^\\d\\d:\\d\\d:\\d\\d$"}})
        EXPECT_TRUE(QRegularExpression(pattern).match(alert[key].toString()).hasMatch()) << key;
    EXPECT_NE(Str(alert, "text").find("ch1 FM 本線 (両ch 1秒以上)"), std::string::npos)
        << Str(alert, "text");
    EXPECT_FALSE(Str(alert, "host").empty());
    EXPECT_EQ(Str(ok[1].body, "event"), "cancel");
    EXPECT_EQ(Str(ok[1].body, "reason"), "audio-restored");
    EXPECT_NE(ok[0].eventId, ok[1].eventId);

    // 503, then the same event again, then the cancel after it.
    const std::vector<Post> retried = server.To("/answer/503,200");
    ASSERT_EQ(retried.size(), 3u);
    EXPECT_EQ(retried[0].eventId, retried[1].eventId);
    EXPECT_EQ(retried[1].body, alert);
    EXPECT_EQ(Str(retried[2].body, "event"), "cancel");
    EXPECT_NE(run.out.find("Webhook再送予定"), std::string::npos);

    // A 404 is not tried again; the cancel still goes.
    const std::vector<Post> gone = server.To("/answer/404");
    ASSERT_EQ(gone.size(), 2u);
    EXPECT_EQ(Str(gone[1].body, "event"), "cancel");
    EXPECT_NE(ErrorLog(dir).find("Webhook送信失敗 ch1 " + server.Url("/answer/404") + ": HTTP 404"),
              std::string::npos)
        << ErrorLog(dir);
    EXPECT_TRUE(RunSonivex({"--mail-queue", "--dir", dir.Folder()}, dir.Folder())
                    .Has("2 webhook post(s) given up on"));

    // --send-test-webhook prints each answer.
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nAuditName_1=FM\nWebhookFormat=text\nWebhookUrl=" + server.Url("/ok") + "\n");
    const RunResult r = RunSonivex({"--send-test-webhook", "--dir", dir.Folder()}, dir.Folder());
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(r.Has(server.Url("/ok") + ": HTTP 200 OK: answer 200")) << r.out;
    ASSERT_EQ(server.To("/ok").size(), 3u);
    const QJsonObject body = server.To("/ok")[2].body;
    EXPECT_EQ(body.keys(), QStringList{"text"});
    EXPECT_TRUE(Str(body, "text").starts_with("【テスト送信】")) << Str(body, "text");
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nWebhookUrl=" + server.Url("/answer/404") + ";http://127.0.0.1:1/\n");
    const RunResult bad = RunSonivex({"--send-test-webhook", "--dir", dir.Folder()}, dir.Folder());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.Has("/answer/404: HTTP 404")) << bad.out;
    EXPECT_TRUE(bad.Has("http://127.0.0.1:1/: no answer: ")) << bad.out;
}

}  // namespace
}  // namespace sonivex
