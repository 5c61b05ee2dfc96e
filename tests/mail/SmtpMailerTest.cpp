// The mail queue: sessions one after the other in index order, texts that come during a session
// kept for the next pass, newer texts replacing waiting ones, and the monitor's mail outlet.
#include "mail/SmtpMailer.h"

#include <gtest/gtest.h>

#include <tuple>

#include "mail/MailTestSupport.h"
#include "mail/MonitorMail.h"
#include "mail/ScriptedPeer.h"

namespace sonivex {
namespace {

using testing::LogCapture;
using testing::ScriptedPeer;
using testing::TestJob;
using testing::WaitUntil;

bool Carries(const std::string& message, const std::string& body) {
    return message.find("\r\n\r\n" + body + "\r\n.\r\n") != std::string::npos;
}

TEST(SmtpMailer, OnePassInIndexOrderAndLateTextsWaitForTheNext) {
    ScriptedPeer peer;
    LogCapture log;
    std::vector<int> ends;
    SmtpMailer* self = nullptr;
    SmtpMailer mailer([&](int i, const std::string&, const std::string& body) {
        // A text for the same input while its session runs: it waits for the next pass.
        if (i == 0 && body == "zero") self->Queue(0, "s", "zero again");
        return TestJob(peer.Port(), body);
    });
    self = &mailer;
    mailer.OnSessionEnd = [&](int i, const SessionResult& r) {
        EXPECT_TRUE(r.accepted);
        ends.push_back(i);
    };
    mailer.Queue(2, "s", "two");  // queued before Open: kept
    mailer.Open();
    mailer.Queue(0, "s", "zero");
    mailer.Queue(1, "s", "old one");
    mailer.Queue(1, "s", "one");  // replaces the text that has not gone yet
    ASSERT_TRUE(WaitUntil([&] { return !mailer.Busy(); }, 10000));
    EXPECT_EQ(ends, (std::vector<int>{0, 1, 2, 0}));
    ASSERT_EQ(peer.messages.size(), 4u);
    const char* bodies[] = {"zero", "one", "two", "zero again"};
    for (size_t n = 0; n < 4; ++n) EXPECT_TRUE(Carries(peer.messages[n], bodies[n])) << n;
    EXPECT_EQ(peer.maxOpen, 1);  // sessions never overlap
}

TEST(SmtpMailer, CloseEndsTheRunningSessionAndDropsWaitingTexts) {
    testing::PeerScript silent;
    silent.greeting = "";
    ScriptedPeer peer(silent);
    LogCapture log;
    SmtpMailer mailer([&](int, const std::string&, const std::string& body) {
        return TestJob(peer.Port(), body);
    });
    mailer.Open();
    mailer.Queue(0, "s", "a");
    mailer.Queue(3, "s", "b");
    ASSERT_TRUE(WaitUntil([&] { return peer.open == 1; }, 5000));
    mailer.Close();
    EXPECT_FALSE(mailer.Busy());
    const std::string errors = log.ErrorText();
    EXPECT_NE(errors.find("メール送信失敗 終了のため中止しました"), std::string::npos) << errors;
    EXPECT_NE(errors.find("メール送信失敗 終了のため未送信 ch4"), std::string::npos) << errors;
    mailer.Queue(1, "s", "after close");
    WaitUntil([] { return false; }, 100);
    EXPECT_EQ(mailer.Running(), -1);
}

TEST(MonitorMail, SendsOnlyWhenOpenWithTheSettingsOfTheMoment) {
    ScriptedPeer peer;
    LogCapture log;
    MonitorSettings s;
    s.mailHost = "127.0.0.1";
    s.mailHostPort = peer.Port();
    s.mailSenderAddr = "alert@station.example";
    s.mailUserName = "";
    s.inputs[1].mailAddr = "ops@x.example";
    MonitorMail mail;
    mail.SendAlertMail(1, "s", "before open");  // mail not prepared: dropped
    mail.Open(s);
    s.inputs[1].mailAddr = "night@y.example";  // changed in memory after start-up
    mail.SendAlertMail(1, "s", "after open");
    ASSERT_TRUE(WaitUntil([&] { return !mail.Mailer().Busy(); }, 5000));
    ASSERT_EQ(peer.messages.size(), 1u);
    EXPECT_TRUE(Carries(peer.messages[0], "after open"));
    EXPECT_EQ(peer.lines[2], "RCPT TO:<night@y.example>");

    // Every setting of the moment reaches the job.
    s.mailSecurity = 2;
    s.mailTlsVerify = 0;
    s.mailLocalPort = 10002;
    s.mailPassWord = "pw";
    const MailJob job = MailJobFor(s, 1, "subj", "body");
    EXPECT_EQ(std::tie(job.security, job.tlsVerify, job.localPort), std::make_tuple(2, 0, 10002));
    EXPECT_EQ(job.password + " " + job.targetAddr + " " + job.senderName,
              "pw night@y.example sonivex");
    mail.Close();
}

}  // namespace
}  // namespace sonivex
