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

TEST(SmtpDialogue, CommandsWithoutAuthentication) {
    ScriptedPeer peer;
    LogCapture log;
    MailJob job = TestJob(peer.Port(), ".hidden\r\nline");
    job.targetAddr = "a@x.example; ;;  b@y.example ;";
    EXPECT_TRUE(RunSession(job, kShortLimits).accepted);
    EXPECT_EQ(peer.lines, (V{"EHLO alert", "MAIL FROM:<alert@station.example>",
                             "RCPT TO:<a@x.example>", "RCPT TO:<b@y.example>", "DATA", "QUIT"}));
    EXPECT_NE(peer.messages.at(0).find("\r\n\r\n..hidden\r\nline\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(log.lines.front(),
              "pLocalPort=10001 pHost=127.0.0.1 pRemotePort=" + std::to_string(peer.Port()) +
                  " pSenderName=sonivex pSenderAddr=alert@station.example pTargetAddr=a@x.example; "
                  ";;  b@y.example ;");
    EXPECT_EQ(log.lines[1], "受信 220 peer ready\\n");
    EXPECT_EQ(log.lines[2], "送信 EHLO alert\\n");
    EXPECT_EQ(log.lines.back(), "Message sent.");
}

TEST(SmtpDialogue, AServerThatDoesNotKnowEhloIsGreetedWithHelo) {
    PeerScript script;
    script.replies["EHLO"] = "502 5.5.1 unknown command\r\n";
    ScriptedPeer peer(script);
    LogCapture log;
    EXPECT_TRUE(RunSession(TestJob(peer.Port()), kShortLimits).accepted) << log.All();
    EXPECT_EQ(V(peer.lines.begin(), peer.lines.begin() + 3),
              (V{"EHLO alert", "HELO alert", "MAIL FROM:<alert@station.example>"}));
}

TEST(SmtpDialogue, AuthPlainTokenAndMultiLineReplies) {
    PeerScript script;
    script.greeting = "220-first line\r\n220-second\r\n220 ready\r\n";
    ScriptedPeer peer(script);
    LogCapture log;
    MailJob job = TestJob(peer.Port());
    job.userName = "u";
    EXPECT_TRUE(RunSession(job, kShortLimits).accepted);
    ASSERT_GE(peer.lines.size(), 3u);
    EXPECT_EQ(V(peer.lines.begin(), peer.lines.begin() + 3),
              (V{"EHLO alert", "AUTH PLAIN", "AHUAcA=="}));  // NUL "u" NUL "p"
    EXPECT_TRUE(log.Has("受信 220-first line\\n220-second\\n220 ready\\n"));
    EXPECT_TRUE(log.Has("送信 ********\\n"));  // the password never reaches the log
    EXPECT_FALSE(log.Has("送信 AHUAcA=="));
}

// Each fails with its error-log line; only the STARTTLS case reaches the peer, and it sends no
// credentials there.
TEST(SmtpDialogue, MissingStartTlsAndBadAddressesFailBeforeAnyCredentials) {
    const struct {
        const char* sender;
        const char* target;
        int security;
        const char* errLine;
    } cases[] = {
        {"alert@station.example", "a@x.example", 1, "サーバーが STARTTLS を提供していません"},
        {"no-at-sign", "a@x.example", 0, "送信者アドレスが不正です: no-at-sign"},
        {"a@b", " ; ;", 0, "宛先がありません"},
        {"a@b", "x@y>\r\nRSET", 0, "宛先アドレスが不正です"}};
    for (const auto& c : cases) {
        ScriptedPeer peer;
        LogCapture log;
        MailJob job = TestJob(peer.Port());
        job.senderAddr = c.sender;
        job.targetAddr = c.target;
        job.security = c.security;
        job.userName = "u";
        EXPECT_FALSE(RunSession(job, kShortLimits).accepted) << c.errLine;
        EXPECT_NE(log.ErrorText().find(std::string("メール送信失敗 ") + c.errLine),
                  std::string::npos)
            << c.errLine;
        EXPECT_EQ(peer.lines, c.security ? V{"EHLO alert"} : V{}) << c.errLine;
    }
}

// Each failure is logged and ends within its limits; only a refusal is final. (A refused password
// is in the tests against the real server.)
TEST(SmtpDialogue, FailuresAreLoggedAndBounded) {
    const std::string closed = "接続失敗 (既定値) 閉じています。";
    PeerScript silent, longLine, closing, rejecting;
    silent.greeting = "";
    longLine.greeting = "220 " + std::string(100 * 1024, 'x') + "\r\n";
    closing.closeInData = true;
    rejecting.replies["RCPT"] = "550 5.1.1 no such user\r\n";
    const struct {
        const char* name;
        PeerScript script;
        std::string host;     // "" = the scripted peer
        int port;             // 0 = the scripted peer's
        V opLines;            // the starts of operation lines, in this order
        std::string errLine;  // the start of the error-log line, "" for none
        int maxMs;
    } cases[] = {
        {"refused", {}, "", 1, {"エラー 接続が強制的に拒絶されました。", closed}, "", 1000},
        {"unresolvable",
         {},
         "mail.nowhere.invalid",
         0,
         {"エラー 正式応答。ホストが見つかりません。", closed},
         "",
         2000},
        {"silent", silent, "", 0, {"メール送信タイムアウト "}, "", 1500},
        {"close in DATA",
         closing,
         "",
         0,
         {"送信 DATA\\n", "メール送信失敗 サーバーが接続を閉じました"},
         "",
         400},
        {"100 KB line", longLine, "", 0, {"メール送信失敗 応答が長すぎます: 220 xxx"}, "", 400},
        {"rejected recipient",
         rejecting,
         "",
         0,
         {"受信 550 5.1.1 no such user\\n"},
         "メール送信失敗 宛先拒否 a@x.example: 550 5.1.1 no such user",
         400}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPeer peer(c.script);
        MailJob job = TestJob(c.port ? c.port : peer.Port());
        if (!c.host.empty()) job.host = c.host;
        LogCapture log;
        QElapsedTimer t;
        t.start();
        const SessionResult r = RunSession(job, kShortLimits);
        EXPECT_LT(t.elapsed(), c.maxMs + 1000);
        EXPECT_FALSE(r.accepted);
        EXPECT_EQ(r.permanent, !c.errLine.empty());
        size_t at = 0;
        for (const std::string& line : c.opLines) {
            while (at < log.lines.size() && log.lines[at].rfind(line, 0) != 0) ++at;
            EXPECT_LT(at, log.lines.size()) << line << "\n" << log.All();
        }
        const std::string errors = log.ErrorText();
        if (c.errLine.empty())
            EXPECT_EQ(errors, "");
        else
            EXPECT_NE(errors.find(c.errLine), std::string::npos) << errors;
    }
}

}  // namespace
}  // namespace sonivex
