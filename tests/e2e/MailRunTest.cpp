// Mail from the whole program against a local SMTP server: mail that waits through a kill and a
// server that is not there yet, sessions that stall or are refused, and --send-test-mail in every
// security mode. (An alert and its cancel mailed by a run are in the simulated runs.)
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

std::string MailIni(int port, const std::string& user = "",
                    const std::string& to = "MailAddr_1=ops@x.example\n") {
    return "MailHost=127.0.0.1\nMailHostPort=" + std::to_string(port) +
           "\nMailSenderAddr=alert@station.example\n" +
           (user.empty() ? "" : "MailUserName=" + user + "\n") + to;
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

// On simulated time against aiosmtpd: input 1's session stalls (its server holds RCPT past the
// reply limit) while input 2's alert and cancel come; input 2's mails are greylisted once and
// one of its recipients is refused for good. Both of input 2's mails arrive, in order, while
// input 1's session still stalls, and input 1's mail arrives on its retry.
TEST(MailRun, AStalledSessionAGreylistAndARefusedRecipientLoseNoMail) {
    SmtpServer server("plain", "");
    ASSERT_GT(server.port, 0);
    TempDir dir;
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=1\nAutoRec=1\nMuonSec=1\nHukkiSec=1\nMailAtRestoration=1\n" +
                  MailIni(server.port, "", "MailAddr_1=stall@x.example\n") +
                  "DevInName_1=Sim In 1\nSimSignal_1=silence 100000\n"
                  "DevInName_2=Sim In 2\nSimSignal_2=tone -20 30; silence 3; tone -20 100000\n"
                  "MailAddr_2=grey@x.example;gone@x.example\n");
    LiveRun run(Sim(dir, true), testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil([&] { return server.Count() >= 2; }, 15000)) << run.out;
    EXPECT_EQ(run.out.find("ch1 (1回失敗"), std::string::npos) << "input 1 still stalls";
    ASSERT_TRUE(run.ReadUntil([&] { return server.Count() >= 3; }, 40000)) << run.out;
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_TRUE(Str(ParseWithPython(server.Message(1)), "body").starts_with("警報\n"));
    EXPECT_TRUE(Str(ParseWithPython(server.Message(2)), "body").starts_with("警報解除\n"));
    for (int n : {1, 2})
        EXPECT_NE(server.Envelope(n).find("\"rcpt_tos\": [\"grey@x.example\"]"), std::string::npos)
            << server.Envelope(n);
    EXPECT_NE(server.Envelope(3).find("stall@x.example"), std::string::npos);
    EXPECT_NE(run.out.find("メール再送予定"), std::string::npos);
    EXPECT_NE(ErrorLog(dir).find("メール送信失敗 宛先拒否 gone@x.example: 550 5.1.1 no such user"),
              std::string::npos)
        << ErrorLog(dir);
    EXPECT_EQ(server.Count(), 3);  // nothing twice
}

// Exit 0 when the server accepts, else 1 with the reason; the settings are left alone. A
// first-start ini logs in nowhere; a login set for a server that offers none is skipped.
TEST(MailRun, SendTestMailInEveryModeAndItsFailures) {
    SmtpServer open("plain", ""), plain("plain"), starttls("starttls"), tls("tls");
    const auto secure = [](const SmtpServer& s, int security, int verify,
                           const std::string& password = "p") {
        return MailIni(s.port, "u") + "MailPassWord=" + password +
               "\nMailSecurity=" + std::to_string(security) +
               "\nMailTlsVerify=" + std::to_string(verify) + "\n";
    };
    const struct {
        std::string ini;
        int code;
        std::string said;        // on stdout or stderr
        std::string errLine;     // in the error log, "" for none
        const SmtpServer* gets;  // the server that takes the mail
    } cases[] = {
        {MailIni(open.port), 0, "the server accepted the test mail for input 1", "", &open},
        {MailIni(open.port, "u"), 0, "サーバーが AUTH を提供していません", "", &open},
        {secure(starttls, 1, 0), 0, "Message sent.", "", &starttls},
        {secure(tls, 2, 0), 0, "Message sent.", "", &tls},
        {secure(plain, 0, 1, "wrong"), 1, "535 5.7.8",
         "メール送信失敗 535 5.7.8 Authentication credentials invalid", nullptr},
        {secure(tls, 2, 1), 1, "サーバー証明書を検証できません。",
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
    EXPECT_EQ(plain.Count(), 0);
}

}  // namespace
}  // namespace sonivex
