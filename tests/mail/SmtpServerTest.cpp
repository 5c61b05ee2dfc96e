// Sessions against a real SMTP server (aiosmtpd) on 127.0.0.1 with AUTH PLAIN: plain TCP,
// STARTTLS and TLS from the start, with certificate checks against a trusted and an untrusted
// certificate; what arrives is read back with Python's email package.
#include <gtest/gtest.h>

#include <QSslConfiguration>

#include "mail/MailTestSupport.h"
#include "mail/SmtpSession.h"

namespace sonivex {
namespace {

using testing::SmtpServer;
using testing::Str;

TEST(SmtpServer, EveryModeDeliversOrFailsForGood) {
    SmtpServer plain("plain"), starttls("starttls"), tls("tls");
    const QSslConfiguration saved = QSslConfiguration::defaultConfiguration();
    QSslConfiguration trusting = saved;
    trusting.addCaCertificates(QString::fromStdString(testing::TestCertificate::Get().cert));
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
        ASSERT_GT(c.server->port, 0);
        QSslConfiguration::setDefaultConfiguration(c.trusted ? trusting : saved);
        const int before = c.server->Count();
        testing::LogCapture log;
        MailJob job = testing::TestJob(c.server->port, "警報\r\nch1 FM 本線 (両ch 15秒以上)");
        job.userName = "u";
        job.password = c.password;
        job.targetAddr = "ops@x.example;night@y.example";
        job.security = c.security;
        job.heloName = "";  // this machine's own
        const SessionResult r = testing::RunSession(job, {3000, 3000, 2048, 16384});
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
        const QJsonObject m = testing::ParseWithPython(c.server->Message(before + 1));
        EXPECT_EQ(Str(m, "subject"), "sonivex無音検出 FM");
        EXPECT_EQ(Str(m, "body"), "警報\nch1 FM 本線 (両ch 15秒以上)\n");
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
