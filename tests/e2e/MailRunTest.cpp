// Mail from the whole program against a local SMTP server: mail that waits through a kill and a
// server that is not there yet, and --send-test-mail. (Mails in order, refused and deferred
// recipients and the modes of TLS are in the outbox and session tests.)
#include <gtest/gtest.h>

#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

using testing::LiveRun;
using testing::ParseWithPython;
using testing::ReadText;
using testing::RunResult;
using testing::SmtpServer;
using testing::Str;
using testing::TempDir;
using testing::WriteText;

// No server at the alert (a second instance leaves the first alone); SIGKILL while the mail waits;
// --mail-queue shows it, --send-test-mail fails with the reason. A server that starts minutes of
// simulated time after the restart gets the mail once; then --send-test-mail goes, settings kept.
TEST(MailRun, AMailWaitingThroughAKillReachesAServerThatComesLaterOnce) {
    int port = 0;
    {
        SmtpServer probe("plain", "");
        port = probe.port;
    }
    TempDir dir;
    const std::string ini =
        "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nAuditName_1=FM\nDevInName_1=Sim In 1\n"
        "MailHost=127.0.0.1\nMailSenderAddr=alert@station.example\nMailAddr_1=ops@x.example\n"
        "MailHostPort=" +
        std::to_string(port) + "\n";
    const auto sonivex = [&](std::vector<std::string> args) {
        args.insert(args.end(), {"--dir", dir.Folder()});
        return testing::RunSonivex(args, dir.Folder(), 20000);
    };
    const std::vector<std::string> sim{"--dir", dir.Folder(), "--headless", "--audio", "sim"};
    WriteText(dir.File("sonivex.ini"), ini + "SimSignal_1=silence 1000\n");
    {
        LiveRun run(sim, testing::TestEnvironment(dir.Folder()));
        ASSERT_TRUE(run.ReadUntil("メール再送予定", 15000)) << run.out;
        const RunResult second = sonivex({"--headless", "--audio", "sim"});
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
        EXPECT_EQ(second.out, "");
    }  // killed
    const RunResult queue = sonivex({"--mail-queue"});
    EXPECT_EQ(queue.exitCode, 0);
    for (const char* line : {"1 message(s) waiting", "input 1  alert   first ",
                             "attempts 1  last error: 接続が強制的に拒絶されました。"})
        EXPECT_TRUE(queue.Has(line)) << queue.out;
    const RunResult refused = sonivex({"--send-test-mail", "1"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("接続が強制的に拒絶されました。 (127.0.0.1:" + std::to_string(port)),
              std::string::npos)
        << refused.err;

    WriteText(dir.File("sonivex.ini"), ini + "SimSignal_1=tone -20 100000\n");
    LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast"},
                testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil("メール再送予定", 15000)) << run.out;
    EXPECT_NE(run.out.find("未送信メール 1 通をスプールから送信します"), std::string::npos);
    run.ReadFor(500);  // minutes of program time pass
    SmtpServer server("plain", "", "", port);
    ASSERT_EQ(server.port, port);
    ASSERT_TRUE(run.ReadUntil([&] { return server.Count() >= 1; }, 20000)) << run.out;
    run.ReadFor(300);
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_EQ(server.Count(), 1);
    EXPECT_TRUE(Str(ParseWithPython(server.Message(1)), "body").starts_with("警報\n"));
    EXPECT_TRUE(sonivex({"--mail-queue"}).Has("0 message(s) waiting"));

    const std::string settings = ReadText(dir.File("sonivex.ini"));
    const RunResult sent = sonivex({"--send-test-mail", "1"});
    EXPECT_EQ(sent.exitCode, 0) << sent.out << sent.err;
    EXPECT_TRUE(sent.Has("the server accepted the test mail for input 1")) << sent.out;
    EXPECT_EQ(ReadText(dir.File("sonivex.ini")), settings);
    ASSERT_EQ(server.Count(), 2);
    const QJsonObject m = ParseWithPython(server.Message(2));
    EXPECT_EQ(Str(m, "subject"), "sonivex無音検出 FM");
    EXPECT_TRUE(Str(m, "body").starts_with("【テスト送信】これは試験メールです。\n警報\n"));
    WriteText(dir.File("sonivex.ini"), "[conf]\n");
    EXPECT_NE(sonivex({"--send-test-mail", "1"}).err.find("MailAddr_1 is empty"),
              std::string::npos);
}

}  // namespace
}  // namespace sonivex
