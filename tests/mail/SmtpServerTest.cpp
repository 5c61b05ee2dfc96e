// Sessions against a real SMTP server (aiosmtpd) on 127.0.0.1 with AUTH PLAIN: plain TCP,
// STARTTLS and TLS from the start, with and without certificate checks; what arrives is read
// back with Python's email package.
#include <gtest/gtest.h>

#include <QSslCertificate>
#include <QSslConfiguration>
#include <memory>

#include "mail/MailTestSupport.h"
#include "mail/SmtpSession.h"

namespace sonivex {
namespace {

using testing::LogCapture;
using testing::ParseWithPython;
using testing::RunSession;
using testing::SmtpServer;
using testing::Str;
using testing::TestCertificate;
using testing::WaitUntil;

constexpr SessionLimits kLimits{3000, 3000, 2048, 16384};

class SmtpServerTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        plain = std::make_unique<SmtpServer>("plain");
        starttls = std::make_unique<SmtpServer>("starttls");
        tls = std::make_unique<SmtpServer>("tls");
    }
    static void TearDownTestSuite() {
        plain.reset();
        starttls.reset();
        tls.reset();
    }

    static MailJob Job(const SmtpServer& server, int security, int verify) {
        MailJob job = testing::TestJob(server.port, "警報\r\nch1 FM 本線 (両ch 15秒以上)");
        job.userName = "u";
        job.targetAddr = "ops@x.example;night@y.example";
        job.security = security;
        job.tlsVerify = verify;
        job.heloName = "";  // this machine's own
        return job;
    }

    // The test certificate trusted for the rest of the test.
    void TrustTestCertificate() {
        saved_ = QSslConfiguration::defaultConfiguration();
        QSslConfiguration conf = saved_;
        conf.addCaCertificates(QString::fromStdString(TestCertificate::Get().cert));
        QSslConfiguration::setDefaultConfiguration(conf);
        trusted_ = true;
    }
    void TearDown() override {
        if (trusted_) QSslConfiguration::setDefaultConfiguration(saved_);
    }

    static std::unique_ptr<SmtpServer> plain, starttls, tls;

  private:
    QSslConfiguration saved_;
    bool trusted_ = false;
};

std::unique_ptr<SmtpServer> SmtpServerTest::plain;
std::unique_ptr<SmtpServer> SmtpServerTest::starttls;
std::unique_ptr<SmtpServer> SmtpServerTest::tls;

TEST_F(SmtpServerTest, EveryModeDeliversTheComposedMail) {
    TrustTestCertificate();
    struct Case {
        SmtpServer* server;
        int security, verify;
        bool tls;
    };
    const Case cases[] = {{plain.get(), 0, 1, false},
                          {starttls.get(), 0, 1, true},  // offered: taken, whatever the certificate
                          {starttls.get(), 1, 0, true},
                          {starttls.get(), 1, 1, true},
                          {tls.get(), 2, 0, true},
                          {tls.get(), 2, 1, true}};
    for (const Case& c : cases) {
        ASSERT_GT(c.server->port, 0);
        const int before = c.server->Count();
        LogCapture log;
        const SessionResult r = RunSession(Job(*c.server, c.security, c.verify), kLimits);
        ASSERT_TRUE(r.accepted) << c.security << "/" << c.verify << " " << r.failure << "\n"
                                << log.All();
        ASSERT_EQ(c.server->Count(), before + 1);
        const std::string envelope = c.server->Envelope(before + 1);
        EXPECT_NE(envelope.find("\"rcpt_tos\": [\"ops@x.example\", \"night@y.example\"]"),
                  std::string::npos);
        EXPECT_NE(envelope.find("\"login\": \"u\""), std::string::npos);
        EXPECT_NE(envelope.find(c.tls ? "\"tls\": true" : "\"tls\": false"), std::string::npos);
        const QJsonObject m = ParseWithPython(c.server->Message(before + 1));
        EXPECT_EQ(Str(m, "subject"), "sonivex無音検出 FM");
        EXPECT_EQ(Str(m, "body"), "警報\nch1 FM 本線 (両ch 15秒以上)\n");
        // The greeting names a fully qualified host or our address; after STARTTLS it is asked
        // for again, and only then does the password go.
        std::vector<std::string> ehlo;
        for (const std::string& l : log.lines)
            if (l.starts_with("送信 EHLO ")) ehlo.push_back(l.substr(l.find(' ') + 6));
        ASSERT_EQ(ehlo.size(), c.tls && c.security != 2 ? 2u : 1u);
        const std::string name = ehlo[0].substr(0, ehlo[0].size() - 2);
        EXPECT_TRUE(name.find('.') != std::string::npos || name == "[127.0.0.1]") << name;
        const std::string all = log.All();
        if (c.tls && c.security != 2) {
            EXPECT_LT(all.find("送信 STARTTLS"), all.find("送信 AUTH PLAIN")) << all;
        }
    }
}

TEST_F(SmtpServerTest, UntrustedCertificateOrWrongPasswordFails) {
    struct Case {
        SmtpServer* server;
        int security;
        std::string password;
        std::string errLine;
    };
    const Case cases[] = {
        {starttls.get(), 1, "p", "メール送信失敗 サーバー証明書を検証できません。"},
        {tls.get(), 2, "p", "メール送信失敗 サーバー証明書を検証できません。"},
        {plain.get(), 0, "wrong", "メール送信失敗 535 5.7.8 Authentication credentials invalid"}};
    for (const Case& c : cases) {
        const int before = c.server->Count();
        LogCapture log;
        MailJob job = Job(*c.server, c.security, 1);
        job.password = c.password;
        const SessionResult r = RunSession(job, kLimits);
        EXPECT_FALSE(r.accepted);
        EXPECT_FALSE(r.timedOut);
        EXPECT_TRUE(r.permanent);  // never tried again
        EXPECT_NE(log.ErrorText().find(c.errLine), std::string::npos) << log.ErrorText() << "\n"
                                                                      << log.All();
        EXPECT_EQ(c.server->Count(), before);
        if (c.security != 0) {
            EXPECT_FALSE(log.Has("送信 AUTH"));
        }
    }
}

}  // namespace
}  // namespace sonivex
