// Mail from the whole program against a local SMTP server: mail that waits through a kill and a
// server that is not there yet, and --send-test-mail with its settings and failures. (An alert and
// its cancel mailed by a run are in the simulated runs; the modes of TLS, in the mail tests.)
#include <gtest/gtest.h>

#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

using testing::ErrorLog;
using testing::LiveRun;
using testing::ParseWithPython;
using testing::RunResult;
using testing::RunSonivex;
using testing::SmtpServer;
using testing::Str;
using testing::TempDir;
using testing::WriteText;

std::string MailIni(int port, const std::string& user = "") {
    return "MailHost=127.0.0.1\nMailHostPort=" + std::to_string(port) +
           "\nMailSenderAddr=alert@station.example\nMailAddr_1=ops@x.example\n" +
           (user.empty() ? "" : "MailUserName=" + user + "\n");
}

std::vector<std::string> Sim(const TempDir& dir, bool fast) {
    std::vector<std::string> args{"--dir", dir.Folder(), "--headless", "--audio", "sim"};
    if (fast) args.push_back("--fast");
    return args;
}

// No server while the alert comes (and a second instance on the folder leaves the first alone);
// the program is killed (SIGKILL) while the mail waits for its next attempt; --mail-queue shows it.
// The next start finds no server either; one starts on the configured port minutes of simulated
// time later, and the retries find it: the mail goes once.
TEST(MailRun, AMailWaitingThroughAKillReachesAServerThatComesLaterOnce) {
    int port = 0;
    {
        SmtpServer probe("plain", "");
        port = probe.port;
    }
    ASSERT_GT(port, 0);
    TempDir dir;
    const std::string ini =
        "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nDevInName_1=Sim In 1\n" + MailIni(port);
    WriteText(dir.File("sonivex.ini"), ini + "SimSignal_1=silence 1000\n");
    {
        LiveRun run(Sim(dir, false), testing::TestEnvironment(dir.Folder()));
        ASSERT_TRUE(run.ReadUntil("メール再送予定", 15000)) << run.out;
        const RunResult second = RunSonivex(Sim(dir, false), dir.Folder(), 10000);
        EXPECT_EQ(second.exitCode, 0);
        EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
        EXPECT_EQ(second.out, "");
    }  // killed
    const RunResult queue = RunSonivex({"--mail-queue", "--dir", dir.Folder()}, dir.Folder());
    EXPECT_EQ(queue.exitCode, 0);
    for (const char* line : {"1 message(s) waiting", "input 1  alert   first ",
                             "attempts 1  last error: 接続が強制的に拒絶されました。"})
        EXPECT_TRUE(queue.Has(line)) << queue.out;

    WriteText(dir.File("sonivex.ini"), ini + "SimSignal_1=tone -20 100000\n");
    LiveRun run(Sim(dir, true), testing::TestEnvironment(dir.Folder()));
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
    EXPECT_TRUE(RunSonivex({"--mail-queue", "--dir", dir.Folder()}, dir.Folder())
                    .Has("0 message(s) waiting"));
}

// Exit 0 when the server accepts, else 1 with the reason; the settings are left alone. A
// first-start ini logs in nowhere; a login set for a server that offers none is skipped.
TEST(MailRun, SendTestMailAndItsFailures) {
    SmtpServer open("plain", ""), tls("tls");
    const std::string tlsIni = MailIni(tls.port, "u") + "MailPassWord=p\nMailSecurity=2\n";
    const struct {
        std::string ini;
        int code;
        std::string said;        // on stdout or stderr
        std::string errLine;     // in the error log, "" for none
        const SmtpServer* gets;  // the server that takes the mail
    } cases[] = {
        {MailIni(open.port), 0, "the server accepted the test mail for input 1", "", &open},
        {MailIni(open.port, "u"), 0, "サーバーが AUTH を提供していません", "", &open},
        {tlsIni + "MailTlsVerify=0\n", 0, "Message sent.", "", &tls},
        {tlsIni + "MailTlsVerify=1\n", 1, "サーバー証明書を検証できません。",
         "メール送信失敗 サーバー証明書を検証できません。", nullptr},
        {MailIni(1), 1, "接続が強制的に拒絶されました。 (127.0.0.1:1)", "", nullptr},
        {"MailAddr_1=***\n", 1, "MailAddr_1 is empty", "", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        TempDir dir;
        const std::string ini = "[conf]\nAuditName_1=FM\nMessageLang=1\n" + c.ini;
        WriteText(dir.File("sonivex.ini"), ini);
        const int before = c.gets ? c.gets->Count() : 0;
        const RunResult r =
            RunSonivex({"--send-test-mail", "1", "--dir", dir.Folder()}, dir.Folder(), 20000);
        EXPECT_EQ(r.exitCode, c.code) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find(c.said), std::string::npos) << r.out << r.err;
        EXPECT_EQ(r.Has("サーバーが AUTH を提供していません"),
                  c.gets == &open && c.ini.find("MailUserName=u") != std::string::npos);
        EXPECT_NE(ErrorLog(dir).find(c.errLine), std::string::npos) << ErrorLog(dir);
        EXPECT_EQ(testing::ReadText(dir.File("sonivex.ini")), ini);
        if (!c.gets) continue;
        ASSERT_EQ(c.gets->Count(), before + 1);
        const QJsonObject m = ParseWithPython(c.gets->Message(before + 1));
        EXPECT_EQ(Str(m, "subject"), "Sonivex has detected the absence of audio #FM");
        EXPECT_TRUE(Str(m, "body").starts_with("[TEST] This is a test message from sonivex.\n"))
            << Str(m, "body");
    }
}

}  // namespace
}  // namespace sonivex
