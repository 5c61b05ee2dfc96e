// SMTP sessions: the exact dialogue with scripted peers and every way it fails, with its log lines
// and limits; against a real server (aiosmtpd, AUTH PLAIN) plain, STARTTLS and TLS.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSslConfiguration>

#include "mail/MailTestSupport.h"
#include "mail/ScriptedPeer.h"

namespace sonivex {
namespace {

using testing::LogCapture;
using testing::PeerScript;
using testing::RunSession;
using testing::ScriptedPeer;
using testing::SmtpServer;
using testing::TestJob;
using V = std::vector<std::string>;

constexpr SessionLimits kShortLimits{2000, 500, 2048, 16384};

// Each ends with the mail taken by the server named (found by a look-up): plain to two recipients
// after a multi-line greeting; AUTH PLAIN, token never logged; no EHLO; no login offered; QUIT
// refused (the message was taken at the end of its data: sending it again would deliver it twice).
TEST(SmtpDialogue, DialoguesThatDeliver) {
    const struct {
        std::string key, reply;  // a reply other than the peer's usual one
        std::string user;
        V commands;          // the commands from the first on
        std::string logged;  // a line of the operation log
    } cases[] = {{"QUIT",
                  "500 5.5.1 what?\r\n",
                  "",
                  {"EHLO alert", "MAIL FROM:<alert@station.example>", "RCPT TO:<a@x.example>",
                   "RCPT TO:<b@y.example>", "DATA", "QUIT"},
                  "受信 500 5.5.1 what?\\n"},
                 {"", "", "u", {"EHLO alert", "AUTH PLAIN", "AHUAcA=="}, "送信 ********\\n"},
                 {"EHLO",
                  "502 5.5.1 unknown command\r\n",
                  "",
                  {"EHLO alert", "HELO alert", "MAIL FROM:<alert@station.example>"},
                  "送信 HELO alert\\n"},
                 {"EHLO",
                  "250-peer\r\n250 SIZE 1000000\r\n",
                  "u",
                  {"EHLO alert", "MAIL FROM:<alert@station.example>"},
                  "サーバーが AUTH を提供していません: ログインせずに送信します"}};
    for (const auto& c : cases) {
        PeerScript script;
        script.greeting = "220-first line\r\n220-second\r\n220 ready\r\n";
        if (!c.key.empty()) script.replies[c.key] = c.reply;
        ScriptedPeer peer(script);
        LogCapture log;
        MailJob job = TestJob(peer.Port(), ".hidden\r\nline");
        job.host = "localhost";
        job.targetAddr = "a@x.example; ;;  b@y.example ;";
        job.userName = c.user;
        EXPECT_TRUE(RunSession(job, kShortLimits).accepted) << log.All();
        EXPECT_NE(peer.messages.at(0).find("\r\n\r\n..hidden\r\nline\r\n.\r\n"), std::string::npos);
        peer.lines.resize(c.commands.size());
        EXPECT_EQ(peer.lines, c.commands);  // "AHUAcA==": NUL "u" NUL "p"
        EXPECT_EQ(log.lines.at(0),
                  "pLocalPort=10001 pHost=localhost pRemotePort=" + std::to_string(peer.Port()) +
                      " pSenderName=sonivex pSenderAddr=alert@station.example "
                      "pTargetAddr=a@x.example; ;;  b@y.example ;");
        EXPECT_EQ(log.lines.at(1), "受信 220-first line\\n220-second\\n220 ready\\n");
        EXPECT_TRUE(log.Has(c.logged)) << log.All();
        EXPECT_FALSE(log.Has("送信 AHUAcA=="));
        EXPECT_EQ(log.lines.back(), "Message sent.");
        EXPECT_EQ(log.ErrorText(), "");
    }
}

// Each failure is logged and ends within its limits; only a refusal is final, with its line in
// the error log. Bad addresses and a missing STARTTLS fail before any credentials are sent. (A
// refused password is in the test against the real server, refused recipients in the outbox's.)
TEST(SmtpDialogue, FailuresAreLoggedAndBounded) {
    const std::string closed = "接続失敗 (既定値) 閉じています。";  // State 0
    PeerScript closing;
    closing.replies["MESSAGE"] = "";
    const struct Case {
        const char* name;
        PeerScript script = {};
        const char* host = "127.0.0.1";
        int port = 0;  // 0 = the scripted peer's
        const char* sender = "alert@station.example";
        const char* target = "a@x.example";
        int security = 0;
        V opLines = {};            // the starts of operation lines, in this order
        std::string errLine = "";  // the start of the error-log line, "" for none
        size_t commands = 0;       // how many the peer got
    } cases[] = {
        {.name = "refused",
         .port = 1,
         .opLines = {"エラー 接続が強制的に拒絶されました。", closed}},
        {.name = "unresolvable",
         .host = "mail.nowhere.invalid",
         .opLines = {"エラー 正式応答。ホストが見つかりません。", closed}},
        {.name = "silent", .script = {.greeting = ""}, .opLines = {"メール送信タイムアウト "}},
        {.name = "close in DATA",
         .script = closing,
         .opLines = {"送信 DATA\\n", "メール送信失敗 サーバーが接続を閉じました"},
         .commands = 6},
        {.name = "100 KB line",
         .script = {.greeting = "220 " + std::string(100 * 1024, 'x') + "\r\n"},
         .opLines = {"メール送信失敗 応答が長すぎます: 220 xxx"}},
        {.name = "no STARTTLS",
         .security = 1,
         .errLine = "メール送信失敗 サーバーが STARTTLS を提供していません",
         .commands = 1},
        {.name = "bad sender",
         .sender = "no-at-sign",
         .errLine = "メール送信失敗 送信者アドレスが不正です: no-at-sign"},
        {.name = "no recipient", .target = " ; ;", .errLine = "メール送信失敗 宛先がありません"},
        {.name = "bad recipient",
         .target = "x@y>\r\nRSET",
         .errLine = "メール送信失敗 宛先アドレスが不正です"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer(c.script);
        MailJob job = TestJob(c.port ? c.port : peer.Port());
        job.host = c.host;
        job.senderAddr = c.sender;
        job.targetAddr = c.target;
        job.security = c.security;
        job.userName = "u";
        LogCapture log;
        QElapsedTimer t;
        t.start();
        const SessionResult r = RunSession(job, kShortLimits);
        EXPECT_LT(t.elapsed(), 3000);  // the connect limit and a little
        EXPECT_FALSE(r.accepted);
        EXPECT_EQ(r.permanent, !c.errLine.empty());
        EXPECT_EQ(peer.lines.size(), c.commands);
        size_t at = 0;
        for (const std::string& line : c.opLines) {
            while (at < log.lines.size() && log.lines[at].rfind(line, 0) != 0) ++at;
            EXPECT_LT(at, log.lines.size()) << line << "\n" << log.All();
        }
        const std::string errors = log.ErrorText();
        EXPECT_EQ(errors.empty(), c.errLine.empty()) << errors;
        EXPECT_NE(errors.find(c.errLine), std::string::npos) << errors;
    }
}

TEST(SmtpServer, EveryModeDeliversOrFailsForGood) {
    SmtpServer plain("plain"), starttls("starttls"), tls("tls");
    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = saved;
    for (const SmtpServer* s : {&starttls, &tls}) trusting.addCaCertificates(s->Certificate());
    const std::string untrusted = "メール送信失敗 サーバー証明書を検証できません。";
    const struct {
        SmtpServer* server;
        int security;
        bool trusted;
        const char* password;
        std::string errLine;  // "" when the mail goes
    } cases[] = {
        {&plain, 0, false, "p", ""},
        {&starttls, 0, false, "p", ""},  // offered: taken, whatever the certificate
        {&starttls, 1, true, "p", ""},
        {&tls, 2, true, "p", ""},
        {&starttls, 1, false, "p", untrusted},
        {&tls, 2, false, "p", untrusted},
        {&plain, 0, false, "wrong", "メール送信失敗 535 5.7.8 Authentication credentials invalid"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.security) + " " + c.errLine);
        QSslConfiguration::setDefaultConfiguration(c.trusted ? trusting : saved);
        const int before = c.server->Count();
        LogCapture log;
        MailJob job = TestJob(c.server->port);
        job.userName = "u";
        job.password = c.password;
        job.targetAddr = "ops@x.example;night@y.example";
        job.security = c.security;
        job.heloName = "";  // this machine's own
        const SessionResult r = RunSession(job, {3000, 3000, 2048, 16384});
        const std::string all = log.All();
        if (!c.errLine.empty()) {
            EXPECT_FALSE(r.accepted || r.timedOut);
            EXPECT_TRUE(r.permanent);  // never tried again
            EXPECT_NE(log.ErrorText().find(c.errLine), std::string::npos) << log.ErrorText() << all;
            EXPECT_EQ(c.server->Count(), before);
            EXPECT_EQ(log.Has("送信 AUTH"), c.security == 0);
            continue;
        }
        ASSERT_TRUE(r.accepted) << r.failure << "\n" << all;
        ASSERT_EQ(c.server->Count(), before + 1);
        const std::string tlsUsed = c.server == &plain ? "false" : "true";
        EXPECT_NE(c.server->Envelope(before + 1)
                      .find("\"rcpt_tos\": [\"ops@x.example\", \"night@y.example\"], \"login\": "
                            "\"u\", \"tls\": " +
                            tlsUsed),
                  std::string::npos)
            << c.server->Envelope(before + 1);
        // The greeting names a fully qualified host or our address; after STARTTLS it is asked
        // for again, and only then does the password go.
        const std::string ehlo = "送信 EHLO ";
        const size_t at = all.find(ehlo) + ehlo.size();
        const std::string name = all.substr(at, all.find("\\n", at) - at);
        EXPECT_TRUE(name.find('.') != std::string::npos || name == "[127.0.0.1]") << name;
        const bool starts = c.server == &starttls;
        EXPECT_EQ(all.find(ehlo, at) != std::string::npos, starts) << all;
        EXPECT_TRUE(!starts || all.find("送信 STARTTLS") < all.find("送信 AUTH PLAIN")) << all;
    }
    QSslConfiguration::setDefaultConfiguration(saved);
}

}  // namespace
}  // namespace sonivex
