// One mail as one SMTP session on the socket control: an event-driven state machine that logs
// every command and reply, waits for whole replies, ends at the first negative one, and keeps
// the connect and reply time limits. Plain TCP, STARTTLS or TLS from the start.
#pragma once

#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "mail/SmtpReply.h"
#include "mail/UC_WinSock.h"

namespace sonivex {

struct MailJob {
    std::string subject;
    std::string body;  // UTF-8, lines ended by CR LF
    int localPort = 10001;
    std::string host;
    int remotePort = 587;
    std::string senderName = "sonivex";
    std::string senderAddr;
    std::string userName;  // "" = no authentication
    std::string password;
    std::string targetAddr;  // addresses separated by ";"
    int security = 0;        // 0 plain TCP, 1 STARTTLS required, 2 TLS from the start
    int tlsVerify = 1;       // 1 check the certificate and the host name
    std::string date;        // the Date header; "" = now
    std::string messageId;   // "" = a new one
    std::string heloName;    // the greeting's name; "" = HeloName() of this machine
    std::string envelopeTo;  // the RCPT addresses when not all of targetAddr ("" = all)
};

// The name a greeting gives for this machine: its host name when that is fully qualified, else
// the address literal of our end of the connection ("[192.0.2.7]", "[IPv6:…]"), which servers
// that check the name accept.
std::string HeloName(const std::string& hostName, const std::string& localAddress);

struct SessionLimits {
    int connectMs = 51 * 200;  // connect, host look-up included
    int replyMs = 20000;       // per reply, and for a TLS handshake
    size_t maxReplyLineBytes = 2048;
    size_t maxReplyBytes = 16384;
};

struct SessionResult {
    bool accepted = false;  // the server took the message
    bool timedOut = false;
    bool permanent = false;  // trying again cannot help: a 5xx reply, a rejected certificate
    std::string failure;     // why a session that was not accepted ended
    std::vector<std::string> deferred;  // recipients refused for now (4xx), to try again
};

class SmtpSession {
  public:
    using Done = std::function<void(const SessionResult&)>;

    explicit SmtpSession(UC_WinSock& tcp, SessionLimits limits = {});
    ~SmtpSession();
    SmtpSession(const SmtpSession&) = delete;
    SmtpSession& operator=(const SmtpSession&) = delete;

    // Returns at once; done is called once when the session has ended and the socket is closed.
    void Start(const MailJob& job, Done done);
    bool Running() const { return step_ != Step::kIdle; }
    // Ends a running session as failed, with why in the error log.
    void Abort(const std::string& why);

  private:
    enum class Step {
        kIdle,
        kConnect,
        kImplicitTls,
        kGreeting,
        kHelo,
        kEhlo,
        kStartTls,
        kTlsHandshake,
        kAuth,
        kToken,
        kMailFrom,
        kRcpt,
        kData,
        kMessage,
        kQuit
    };

    bool Prepare(const MailJob& job);
    void Enter(Step step);
    void EnterCommand(Step step);
    void Send(const std::string& command, const std::string& logText);
    void WaitReply();
    void TryReply();
    void OnReply(const SmtpReply& reply);
    bool Expected(int code) const;
    void Advance();
    void RecipientRefused(const SmtpReply& reply);
    void StartTls();
    void OnConnected();
    void OnDataArrival();
    void OnSocketError(const std::string& description);
    void CheckSocketError();
    bool CertificateRejected() const;
    void OnPeerClosed();
    void OnConnectTimeout();
    void OnReplyTimeout();
    // A permanent failure goes to the error log; a transient one, to be tried again, to the
    // operation log.
    void Fail(const std::string& description, bool permanent);
    std::string Server() const;  // host:port
    void Finish(const SessionResult& result);

    UC_WinSock& tcp_;
    SessionLimits limits_;
    SmtpReplyReader reader_;
    QTimer connectTimer_;
    QTimer replyTimer_;
    QTimer errorCheck_;  // looks at the socket once the control's Error event is over
    Step step_ = Step::kIdle;
    bool waiting_ = false;  // a reply is awaited
    bool tlsActive_ = false;
    bool authOffered_ = false;      // the latest EHLO reply lists AUTH
    bool startTlsOffered_ = false;  // by the last EHLO reply before TLS
    MailJob job_;
    std::string heloName_;
    std::vector<std::string> recipients_;
    size_t rcptIndex_ = 0;
    size_t rcptAccepted_ = 0;
    std::vector<std::string> deferred_;
    std::string lastRefusal_;  // the reply to the last recipient refused
    std::string message_;
    std::string messageLog_;
    std::string socketError_;
    std::string awaited_;  // what the reply being waited for answers, for the failure text
    int socketErrorCode_ = 0;
    Done done_;
};

}  // namespace sonivex
