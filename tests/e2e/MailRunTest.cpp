// Mail from the whole program: an alert and its cancellation in a headless run arrive at a local
// SMTP server; --send-test-mail succeeds and fails as it should in every security mode.
#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

using testing::ErrorLog;
using testing::ParseWithPython;
using testing::ReadText;
using testing::RunResult;
using testing::RunSonivex;
using testing::SmtpServer;
using testing::Str;
using testing::TempDir;
using testing::WriteText;

std::string MailIni(int port, int security, int verify, const std::string& password = "p") {
    return "MailHost=127.0.0.1\nMailHostPort=" + std::to_string(port) +
           "\nMailSenderAddr=alert@station.example\nMailUserName=u\nMailPassWord=" + password +
           "\nMailSecurity=" + std::to_string(security) +
           "\nMailTlsVerify=" + std::to_string(verify) + "\nMailAddr_1=ops@x.example\n";
}

TEST(MailRun, AlertAndCancelOfAHeadlessRunArriveAsMails) {
    SmtpServer server("plain");
    ASSERT_GT(server.port, 0);
    TempDir dir;
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nHukkiSec=1\nMailAtRestoration=1\n"
              "AuditName_1=FM 本線\nDevInName_1=Sim In 1\n"
              "SimSignal_1=tone -20 0.5; silence 2; tone -20 1000\n" +
                  MailIni(server.port, 0, 1));
    const RunResult r =
        RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--quit-after", "6.5"},
                   dir.Folder());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.Count("Message sent."), 2) << r.out;
    ASSERT_EQ(server.Count(), 2) << r.out;
    const QJsonObject alert = ParseWithPython(server.Message(1));
    EXPECT_EQ(Str(alert, "subject"), "sonivex無音検出 FM 本線");
    const std::string alertBody = Str(alert, "body");
    EXPECT_TRUE(alertBody.starts_with("警報\n")) << alertBody;
    EXPECT_NE(alertBody.find("(監視PC内部時刻) \nSonivexが無音を検出しました。\nch1 FM 本線 (両ch "
                             "1秒以上)\n"),
              std::string::npos)
        << alertBody;
    const std::string cancelBody = Str(ParseWithPython(server.Message(2)), "body");
    EXPECT_TRUE(cancelBody.starts_with("警報解除\n")) << cancelBody;
    EXPECT_TRUE(cancelBody.ends_with("ch1 FM 本線 (音声復旧)\n")) << cancelBody;
    EXPECT_EQ(ErrorLog(dir), "");
}

// No server while the alert comes; the program is killed (SIGKILL) while the mail waits for its
// next attempt; --mail-queue shows it; the next start sends it, once.
TEST(MailRun, AMailWaitingWhenTheProgramIsKilledIsSentOnceAfterTheRestart) {
    SmtpServer server("plain");
    ASSERT_GT(server.port, 0);
    TempDir dir;
    const std::string input = "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nDevInName_1=Sim In 1\n";
    WriteText(dir.File("sonivex.ini"), input + "SimSignal_1=silence 1000\n" + MailIni(1, 0, 1));
    {
        testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim"},
                             testing::TestEnvironment(dir.Folder()));
        ASSERT_TRUE(run.ReadUntil("メール再送予定", 15000)) << run.out;
    }  // killed
    const RunResult queue = RunSonivex({"--mail-queue", "--dir", dir.Folder()}, dir.Folder());
    EXPECT_EQ(queue.exitCode, 0);
    EXPECT_TRUE(queue.Has("1 message(s) waiting")) << queue.out;
    EXPECT_TRUE(queue.Has("input 1  alert   first ")) << queue.out;
    EXPECT_TRUE(queue.Has("attempts 1  last error: 接続が強制的に拒絶されました。")) << queue.out;

    WriteText(dir.File("sonivex.ini"),
              input + "SimSignal_1=tone -20 1000\n" + MailIni(server.port, 0, 1));
    const RunResult r = RunSonivex(
        {"--dir", dir.Folder(), "--headless", "--audio", "sim", "--quit-after", "3"}, dir.Folder());
    EXPECT_TRUE(r.Has("未送信メール 1 通をスプールから送信します")) << r.out;
    EXPECT_EQ(r.Count("Message sent."), 1) << r.out;
    ASSERT_EQ(server.Count(), 1);
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
              "[conf]\nNumRec=1\nAutoRec=1\nMuonSec=1\nHukkiSec=1\nMailAtRestoration=1\n"
              "MailHost=127.0.0.1\nMailHostPort=" +
                  std::to_string(server.port) +
                  "\nMailSenderAddr=alert@station.example\nMailUserName=\n"
                  "DevInName_1=Sim In 1\nSimSignal_1=silence 100000\n"
                  "MailAddr_1=stall@x.example\nDevInName_2=Sim In 2\n"
                  "SimSignal_2=tone -20 30; silence 3; tone -20 100000\n"
                  "MailAddr_2=grey@x.example;gone@x.example\n");
    testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast"},
                         testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil([&] { return server.Count() >= 2; }, 15000)) << run.out;
    EXPECT_FALSE(run.out.find("ch1 (1回失敗") != std::string::npos) << "input 1 still stalls";
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

// No server while the alert comes; one starts on the configured port a while later (minutes of
// simulated time): the retries find it.
TEST(MailRun, AServerThatComesLaterStillGetsTheAlert) {
    int port = 0;
    {
        SmtpServer probe("plain", "");
        port = probe.port;
    }
    ASSERT_GT(port, 0);
    TempDir dir;
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nDevInName_1=Sim In 1\n"
              "SimSignal_1=silence 100000\nMailHost=127.0.0.1\nMailHostPort=" +
                  std::to_string(port) + "\nMailUserName=\nMailAddr_1=ops@x.example\n");
    testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast"},
                         testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil("メール再送予定", 15000)) << run.out;
    run.ReadFor(500);  // minutes of program time pass
    SmtpServer server("plain", "", "", port);
    ASSERT_EQ(server.port, port);
    ASSERT_TRUE(run.ReadUntil([&] { return server.Count() >= 1; }, 20000)) << run.out;
    EXPECT_TRUE(Str(ParseWithPython(server.Message(1)), "body").starts_with("警報\n"));
}

TEST(MailRun, ErrorCatchPreparesNoMail) {
    SmtpServer server("plain");
    TempDir dir;
    WriteText(dir.File("ec.txt"), "");
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=1\nDevInName_1=Sim In 1\n"
              "SimSignal_1=silence 1000\n" +
                  MailIni(server.port, 0, 1));
    const RunResult r = RunSonivex(
        {"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast", "--quit-after", "30"},
        dir.Folder());
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.Has("(両ch 1秒以上)")) << r.out;  // the alert itself happens
    EXPECT_FALSE(r.Has("pLocalPort=")) << r.out;
    EXPECT_EQ(server.Count(), 0);
}

TEST(MailRun, SendTestMailSucceedsInEveryMode) {
    SmtpServer plain("plain"), starttls("starttls"), tls("tls");
    struct Case {
        SmtpServer* server;
        int security;
    };
    for (const Case& c : {Case{&plain, 0}, Case{&starttls, 1}, Case{&tls, 2}}) {
        TempDir dir;
        const std::string ini =
            "[conf]\nAuditName_1=FM\nMessageLang=1\n" + MailIni(c.server->port, c.security, 0);
        WriteText(dir.File("sonivex.ini"), ini);
        const RunResult r =
            RunSonivex({"--send-test-mail", "1", "--dir", dir.Folder()}, dir.Folder(), 20000);
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_TRUE(r.Has("Message sent.")) << r.out;
        EXPECT_TRUE(r.Has("the server accepted the test mail for input 1")) << r.out;
        ASSERT_EQ(c.server->Count(), 1) << c.security;
        const QJsonObject m = ParseWithPython(c.server->Message(1));
        EXPECT_EQ(Str(m, "subject"), "Sonivex has detected the absence of audio #FM");
        EXPECT_TRUE(Str(m, "body").starts_with("[TEST] This is a test message from sonivex.\n"))
            << Str(m, "body");
        EXPECT_EQ(ReadText(dir.File("sonivex.ini")), ini);  // the settings are left alone
    }
}

// A first-start ini logs in nowhere; a login set for a server that offers none is skipped, and
// the server's replies decide.
TEST(MailRun, NoLoginWhereTheServerOffersNone) {
    SmtpServer server("plain", "");
    for (const std::string& user : {std::string(), std::string("MailUserName=u\n")}) {
        TempDir dir;
        WriteText(dir.File("sonivex.ini"),
                  "[conf]\nMailHost=127.0.0.1\nMailHostPort=" + std::to_string(server.port) +
                      "\nMailAddr_1=ops@x.example\n" + user);
        const RunResult r =
            RunSonivex({"--send-test-mail", "1", "--dir", dir.Folder()}, dir.Folder(), 20000);
        EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
        EXPECT_FALSE(r.Has("AUTH PLAIN")) << r.out;
        EXPECT_EQ(r.Has("サーバーが AUTH を提供していません"), !user.empty()) << r.out;
    }
    EXPECT_EQ(server.Count(), 2);
}

TEST(MailRun, SendTestMailFailuresExitWithOne) {
    SmtpServer plain("plain"), tls("tls");
    struct Case {
        std::string ini;
        std::string message;  // on stderr
        std::string errLine;  // in the error log, "" for none
    };
    const Case cases[] = {{MailIni(plain.port, 0, 1, "wrong"), "535 5.7.8",
                           "メール送信失敗 535 5.7.8 Authentication credentials invalid"},
                          {MailIni(tls.port, 2, 1), "サーバー証明書を検証できません。",
                           "メール送信失敗 サーバー証明書を検証できません。"},
                          {MailIni(1, 0, 1), "接続が強制的に拒絶されました。 (127.0.0.1:1)", ""},
                          {"MailAddr_1=***\n", "MailAddr_1 is empty", ""}};
    for (const Case& c : cases) {
        TempDir dir;
        WriteText(dir.File("sonivex.ini"), "[conf]\n" + c.ini);
        const RunResult r =
            RunSonivex({"--send-test-mail", "1", "--dir", dir.Folder()}, dir.Folder(), 20000);
        EXPECT_EQ(r.exitCode, 1) << c.message << "\n" << r.out << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (!c.errLine.empty()) {
            EXPECT_NE(ErrorLog(dir).find(c.errLine), std::string::npos) << ErrorLog(dir);
        }
    }
    EXPECT_EQ(plain.Count() + tls.Count(), 0);
    TempDir dir;
    const RunResult bad = RunSonivex({"--send-test-mail", "9"}, dir.Folder(), 10000);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("--send-test-mail needs an input number 1..8"), std::string::npos);
}

}  // namespace
}  // namespace sonivex
