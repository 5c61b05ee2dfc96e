// The SMTP dialogue against scripted peers: the exact commands, whole and multi-line replies,
// and every way a session can fail, each with its log lines, within its limits, and with the
// next mail still going out.
#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "mail/MailTestSupport.h"
#include "mail/ScriptedPeer.h"
#include "mail/SmtpMailer.h"

namespace sonivex {
namespace {

using testing::LogCapture;
using testing::PeerScript;
using testing::ScriptedPeer;
using testing::WaitUntil;

constexpr SessionLimits kShortLimits{2000, 500, 2048, 16384};

MailJob Job(int port, const std::string& user = "") {
    MailJob job;
    job.host = "127.0.0.1";
    job.remotePort = port;
    job.senderAddr = "alert@station.example";
    job.userName = user;
    job.password = "p";
    job.targetAddr = "a@x.example";
    job.subject = "sonivex無音検出 FM";
    job.body = "警報\r\nch1 FM (両ch 15秒以上)";
    return job;
}

// Runs one session to its end; the outcome.
SessionResult RunSession(const MailJob& job, SessionLimits limits = kShortLimits) {
    UC_WinSock tcp;
    tcp.Init();
    SmtpSession session(tcp, limits);
    SessionResult result;
    bool ended = false;
    session.Start(job, [&](const SessionResult& r) {
        result = r;
        ended = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return ended; }, 15000));
    return result;
}

TEST(SmtpDialogue, CommandsWithoutAuthentication) {
    ScriptedPeer peer;
    LogCapture log;
    MailJob job = Job(peer.Port());
    job.targetAddr = "a@x.example; ;;  b@y.example ;";
    job.body = ".hidden\r\nline";
    EXPECT_TRUE(RunSession(job).accepted);
    EXPECT_EQ(peer.lines, (std::vector<std::string>{
                              "HELO alert", "MAIL FROM:<alert@station.example>",
                              "RCPT TO:<a@x.example>", "RCPT TO:<b@y.example>", "DATA", "QUIT"}));
    EXPECT_NE(peer.message.find("\r\n\r\n..hidden\r\nline\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(log.lines.front(),
              "pLocalPort=10001 pHost=127.0.0.1 pRemotePort=" + std::to_string(peer.Port()) +
                  " pSenderName=sonivex pSenderAddr=alert@station.example pTargetAddr=a@x.example; "
                  ";;  b@y.example ;");
    EXPECT_EQ(log.lines[1], "受信 220 peer ready\\n");
    EXPECT_EQ(log.lines[2], "送信 HELO alert\\n");
    EXPECT_EQ(log.lines.back(), "Message sent.");
}

TEST(SmtpDialogue, AuthPlainTokenAndMultiLineReplies) {
    PeerScript script;
    script.greeting = "220-first line\r\n220-second\r\n220 ready\r\n";
    ScriptedPeer peer(script);
    LogCapture log;
    MailJob job = Job(peer.Port(), "u");
    EXPECT_TRUE(RunSession(job).accepted);
    ASSERT_GE(peer.lines.size(), 3u);
    EXPECT_EQ(peer.lines[0], "EHLO alert");
    EXPECT_EQ(peer.lines[1], "AUTH PLAIN");
    EXPECT_EQ(peer.lines[2], "AHUAcA==");  // NUL "u" NUL "p"
    EXPECT_TRUE(log.Has("受信 220-first line\\n220-second\\n220 ready\\n"));
    EXPECT_TRUE(log.Has("送信 ********\\n"));  // the password never reaches the log
    EXPECT_FALSE(log.Has("送信 AHUAcA=="));
}

TEST(SmtpDialogue, StartTlsRequiredButNotOfferedSendsNoCredentials) {
    ScriptedPeer peer;
    LogCapture log;
    MailJob job = Job(peer.Port(), "u");
    job.security = 1;
    const SessionResult r = RunSession(job);
    EXPECT_FALSE(r.accepted);
    EXPECT_EQ(peer.lines, std::vector<std::string>{"EHLO alert"});
    EXPECT_NE(log.ErrorText().find("メール送信失敗 サーバーが STARTTLS を提供していません"),
              std::string::npos);
}

TEST(SmtpDialogue, BadSenderOrRecipientsFailBeforeConnecting) {
    ScriptedPeer peer;
    for (const auto& [sender, target, line] :
         {std::tuple{"no-at-sign", "a@x.example", "送信者アドレスが不正です: no-at-sign"},
          std::tuple{"a@b", " ; ;", "宛先がありません"},
          std::tuple{"a@b", "x@y>\r\nRSET", "宛先アドレスが不正です"}}) {
        LogCapture log;
        MailJob job = Job(peer.Port());
        job.senderAddr = sender;
        job.targetAddr = target;
        EXPECT_FALSE(RunSession(job).accepted);
        EXPECT_NE(log.ErrorText().find(std::string("メール送信失敗 ") + line), std::string::npos)
            << line;
    }
    EXPECT_TRUE(peer.lines.empty());
}

struct FailureCase {
    const char* name;
    std::function<void(PeerScript&, MailJob&)> setUp;
    std::vector<std::string> opLines;  // in this order, among the operation lines
    std::string errLine;               // the start of the error-log line, "" for none
    int maxMs;
};

// Each failure on input 1, then input 2 to a good peer must still go out.
TEST(SmtpDialogue, FailuresAreLoggedBoundedAndTheNextMailGoesOut) {
    const std::string longLine = "220 " + std::string(100 * 1024, 'x') + "\r\n";
    const FailureCase cases[] = {
        {"refused",
         [](PeerScript&, MailJob& j) { j.remotePort = 1; },
         {"エラー 接続が強制的に拒絶されました。", "接続失敗 (既定値) 閉じています。"},
         "",
         1000},
        {"unresolvable",
         [](PeerScript&, MailJob& j) { j.host = "mail.nowhere.invalid"; },
         {"エラー 正式応答。ホストが見つかりません。", "接続失敗 (既定値) 閉じています。"},
         "",
         2000},
        {"silent",
         [](PeerScript& s, MailJob&) { s.greeting = ""; },
         {"メール送信タイムアウト "},
         "",
         1500},
        {"535",
         [](PeerScript& s, MailJob& j) {
             s.replies["TOKEN"] = "535 5.7.8 Authentication credentials invalid\r\n";
             j.userName = "u";
         },
         {"送信 AUTH PLAIN\\n", "受信 535 5.7.8 Authentication credentials invalid\\n"},
         "メール送信失敗 535 5.7.8 Authentication credentials invalid",
         400},
        {"close in DATA",
         [](PeerScript& s, MailJob&) { s.closeInData = true; },
         {"送信 DATA\\n"},
         "メール送信失敗 サーバーが接続を閉じました",
         400},
        {"100 KB line",
         [&](PeerScript& s, MailJob&) { s.greeting = longLine; },
         {},
         "メール送信失敗 応答が長すぎます: 220 xxx",
         400},
        {"rejected recipient",
         [](PeerScript& s, MailJob&) { s.replies["RCPT"] = "550 5.1.1 no such user\r\n"; },
         {"受信 550 5.1.1 no such user\\n"},
         "メール送信失敗 550 5.1.1 no such user",
         400}};
    for (const FailureCase& c : cases) {
        PeerScript badScript;
        MailJob bad = Job(0);
        c.setUp(badScript, bad);
        ScriptedPeer badPeer(badScript), goodPeer;
        if (bad.remotePort == 0) bad.remotePort = badPeer.Port();
        LogCapture log;
        std::vector<std::pair<int, SessionResult>> ends;
        SmtpMailer mailer([&](int i, const std::string&,
                              const std::string&) { return i == 0 ? bad : Job(goodPeer.Port()); },
                          kShortLimits);
        mailer.OnSessionEnd = [&](int i, const SessionResult& r) { ends.emplace_back(i, r); };
        mailer.Open();
        QElapsedTimer t;
        t.start();
        mailer.Queue(0, "s", "b");
        mailer.Queue(1, "s", "b");
        ASSERT_TRUE(WaitUntil([&] { return ends.size() == 2; }, 15000)) << c.name;
        EXPECT_LT(t.elapsed(), c.maxMs + 1000) << c.name;
        EXPECT_EQ(ends[0].first, 0);
        EXPECT_FALSE(ends[0].second.accepted) << c.name;
        EXPECT_EQ(ends[1].first, 1);
        EXPECT_TRUE(ends[1].second.accepted) << c.name << "\n" << log.All();
        size_t at = 0;
        for (const std::string& line : c.opLines) {
            while (at < log.lines.size() && log.lines[at] != line) ++at;
            EXPECT_LT(at, log.lines.size()) << c.name << ": " << line << "\n" << log.All();
        }
        const std::string errors = log.ErrorText();
        if (c.errLine.empty())
            EXPECT_EQ(errors, "") << c.name;
        else
            EXPECT_NE(errors.find(c.errLine), std::string::npos) << c.name << "\n" << errors;
    }
}

}  // namespace
}  // namespace sonivex
