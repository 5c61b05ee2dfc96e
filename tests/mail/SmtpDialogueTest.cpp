// The SMTP dialogue against scripted peers: the exact commands, whole and multi-line replies,
// and every way a session can fail, each with its log lines and within its limits.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "mail/MailTestSupport.h"
#include "mail/ScriptedPeer.h"

namespace sonivex {
namespace {

using testing::LogCapture;
using testing::PeerScript;
using testing::RunSession;
using testing::ScriptedPeer;
using testing::TestJob;
using V = std::vector<std::string>;

constexpr SessionLimits kShortLimits{2000, 500, 2048, 16384};

// The server named, so found by a look-up.
TEST(SmtpDialogue, CommandsWithoutAuthentication) {
    ScriptedPeer peer;
    LogCapture log;
    MailJob job = TestJob(peer.Port(), ".hidden\r\nline");
    job.host = "localhost";
    job.targetAddr = "a@x.example; ;;  b@y.example ;";
    EXPECT_TRUE(RunSession(job, kShortLimits).accepted);
    EXPECT_EQ(peer.lines, (V{"EHLO alert", "MAIL FROM:<alert@station.example>",
                             "RCPT TO:<a@x.example>", "RCPT TO:<b@y.example>", "DATA", "QUIT"}));
    EXPECT_NE(peer.messages.at(0).find("\r\n\r\n..hidden\r\nline\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(log.lines.front(),
              "pLocalPort=10001 pHost=localhost pRemotePort=" + std::to_string(peer.Port()) +
                  " pSenderName=sonivex pSenderAddr=alert@station.example pTargetAddr=a@x.example; "
                  ";;  b@y.example ;");
    EXPECT_EQ(log.lines[1], "受信 220 peer ready\\n");
    EXPECT_EQ(log.lines[2], "送信 EHLO alert\\n");
    EXPECT_EQ(log.lines.back(), "Message sent.");
}

// AUTH PLAIN after a multi-line greeting (the token never reaches the log), a server that does
// not know EHLO, and one that refuses QUIT: the message was taken at the end of its data, so it
// counts as sent (sending it again would deliver it twice).
TEST(SmtpDialogue, ServersThatAnswerOtherwiseStillTakeTheMail) {
    const struct {
        std::string key, reply;  // a reply other than the peer's usual one
        std::string user;
        V commands;          // the commands from the first on
        std::string logged;  // a line of the operation log
    } cases[] = {{"", "", "u", {"EHLO alert", "AUTH PLAIN", "AHUAcA=="}, "送信 ********\\n"},
                 {"EHLO",
                  "502 5.5.1 unknown command\r\n",
                  "",
                  {"EHLO alert", "HELO alert", "MAIL FROM:<alert@station.example>"},
                  "送信 HELO alert\\n"},
                 {"QUIT",
                  "500 5.5.1 what?\r\n",
                  "",
                  {"EHLO alert", "MAIL FROM:<alert@station.example>", "RCPT TO:<a@x.example>",
                   "DATA", "QUIT"},
                  "受信 500 5.5.1 what?\\n"}};
    for (const auto& c : cases) {
        PeerScript script;
        script.greeting = "220-first line\r\n220-second\r\n220 ready\r\n";
        if (!c.key.empty()) script.replies[c.key] = c.reply;
        ScriptedPeer peer(script);
        LogCapture log;
        MailJob job = TestJob(peer.Port());
        job.userName = c.user;
        EXPECT_TRUE(RunSession(job, kShortLimits).accepted) << log.All();
        peer.lines.resize(c.commands.size());
        EXPECT_EQ(peer.lines, c.commands);  // "AHUAcA==": NUL "u" NUL "p"
        EXPECT_TRUE(log.Has(c.logged)) << log.All();
        EXPECT_TRUE(log.Has("受信 220-first line\\n220-second\\n220 ready\\n"));
        EXPECT_FALSE(log.Has("送信 AHUAcA=="));
        EXPECT_EQ(log.lines.back(), "Message sent.");
        EXPECT_EQ(log.ErrorText(), "");
    }
}

// Each failure is logged and ends within its limits; only a refusal is final, with its line in
// the error log. Bad addresses and a missing STARTTLS fail before any credentials are sent. (A
// refused password is in the tests against the real server.)
TEST(SmtpDialogue, FailuresAreLoggedAndBounded) {
    const std::string closed = "接続失敗 (既定値) 閉じています。";
    PeerScript silent, longLine, closing, rejecting;
    silent.greeting = "";
    longLine.greeting = "220 " + std::string(100 * 1024, 'x') + "\r\n";
    closing.closeInData = true;
    rejecting.replies["RCPT"] = "550 5.1.1 no such user\r\n";
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
        int maxMs = 400;
    } cases[] = {
        {.name = "refused",
         .port = 1,
         .opLines = {"エラー 接続が強制的に拒絶されました。", closed},
         .maxMs = 1000},
        {.name = "unresolvable",
         .host = "mail.nowhere.invalid",
         .opLines = {"エラー 正式応答。ホストが見つかりません。", closed},
         .maxMs = 2000},
        {.name = "silent", .script = silent, .opLines = {"メール送信タイムアウト "}, .maxMs = 1500},
        {.name = "close in DATA",
         .script = closing,
         .opLines = {"送信 DATA\\n", "メール送信失敗 サーバーが接続を閉じました"},
         .commands = 6},
        {.name = "100 KB line",
         .script = longLine,
         .opLines = {"メール送信失敗 応答が長すぎます: 220 xxx"}},
        {.name = "rejected recipient",
         .script = rejecting,
         .opLines = {"受信 550 5.1.1 no such user\\n"},
         .errLine = "メール送信失敗 宛先拒否 a@x.example: 550 5.1.1 no such user",
         .commands = 5},
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
        EXPECT_LT(t.elapsed(), c.maxMs + 1000);
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

}  // namespace
}  // namespace sonivex
