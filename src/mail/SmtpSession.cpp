// The SMTP session's steps, replies, waits and outcome lines.
#include "mail/SmtpSession.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "mail/FCT_ConvChar.h"
#include "mail/MailMessage.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kFailureLog = 16;  // the error log of failed sessions
constexpr char kCrLf[] = "\r\n";

// Traffic in the log: every CR LF as the two characters backslash and n.
std::string LogText(const std::string& text) {
    std::string out;
    for (size_t n = 0; n < text.size(); ++n) {
        if (text[n] == '\r' && n + 1 < text.size() && text[n + 1] == '\n') {
            out += "\\n";
            ++n;
        } else {
            out += text[n];
        }
    }
    return out;
}

std::string SecondsText(int ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", ms / 1000.0);
    return text;
}

// An address that could break out of its command line or its angle brackets.
bool BadAddress(const std::string& a) {
    return a.empty() || a.find_first_of("\r\n<> \t") != std::string::npos;
}

// Whether an EHLO reply lists the extension `name` (STARTTLS, AUTH) on one of its lines.
bool Offers(const std::string& ehloReply, const std::string& name) {
    size_t start = 0;
    while (start < ehloReply.size()) {
        const size_t end = std::min(ehloReply.find("\r\n", start), ehloReply.size());
        std::string keyword = end - start > 4 ? ehloReply.substr(start + 4, end - start - 4) : "";
        keyword = keyword.substr(0, keyword.find(' '));
        for (char& c : keyword) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (keyword == name) return true;
        start = end + 2;
    }
    return false;
}

}  // namespace

std::string HeloName(const std::string& hostName, const std::string& localAddress) {
    if (hostName.find('.') != std::string::npos) return hostName;
    if (localAddress.find(':') != std::string::npos) return "[IPv6:" + localAddress + "]";
    return "[" + localAddress + "]";
}

SmtpSession::SmtpSession(UC_WinSock& tcp, SessionLimits limits)
    : tcp_(tcp), limits_(limits), reader_(limits.maxReplyLineBytes, limits.maxReplyBytes) {
    for (QTimer* t : {&connectTimer_, &replyTimer_, &errorCheck_}) t->setSingleShot(true);
    errorCheck_.setInterval(0);
    QObject::connect(&connectTimer_, &QTimer::timeout, [this] { OnConnectTimeout(); });
    QObject::connect(&replyTimer_, &QTimer::timeout, [this] { OnReplyTimeout(); });
    QObject::connect(&errorCheck_, &QTimer::timeout, [this] { CheckSocketError(); });
    tcp_.OnConnect = [this] { OnConnected(); };
    tcp_.OnDataArrival = [this](long) { OnDataArrival(); };
    tcp_.OnError = [this](UC_WinSock::ErrorArgs& e) {
        socketErrorCode_ = e.number;
        OnSocketError(e.description);
    };
    tcp_.OnDisConnect = [this] { OnPeerClosed(); };
    tcp_.OnEncrypted = [this] {
        if (step_ != Step::kImplicitTls && step_ != Step::kTlsHandshake) return;
        tlsActive_ = true;
        Advance();
    };
}

SmtpSession::~SmtpSession() {
    tcp_.OnConnect = nullptr;
    tcp_.OnDataArrival = nullptr;
    tcp_.OnError = nullptr;
    tcp_.OnDisConnect = nullptr;
    tcp_.OnEncrypted = nullptr;
}

void SmtpSession::Start(const MailJob& job, Done done) {
    if (Running()) return;
    done_ = std::move(done);
    WriteLog("pLocalPort=" + std::to_string(job.localPort) + " pHost=" + job.host +
             " pRemotePort=" + std::to_string(job.remotePort) + " pSenderName=" + job.senderName +
             " pSenderAddr=" + job.senderAddr + " pTargetAddr=" + job.targetAddr);
    step_ = Step::kConnect;
    if (!Prepare(job)) return;
    tcp_.RemoteHost(job.host);
    tcp_.RemotePort(job.remotePort);
    connectTimer_.start(limits_.connectMs);
    tcp_.Connect();
}

// Everything that can be checked before the connection; false when the session has failed.
bool SmtpSession::Prepare(const MailJob& job) {
    job_ = job;
    tlsActive_ = false;
    startTlsOffered_ = false;
    reader_.Clear();
    socketError_.clear();
    socketErrorCode_ = 0;
    const size_t at = job.senderAddr.find('@');
    if (at == std::string::npos || BadAddress(job.senderAddr)) {
        Fail("送信者アドレスが不正です: " + LogText(job.senderAddr), true);
        return false;
    }
    recipients_ = SplitRecipients(job.envelopeTo.empty() ? job.targetAddr : job.envelopeTo);
    rcptAccepted_ = 0;
    deferred_.clear();
    lastRefusal_.clear();
    if (recipients_.empty()) {
        Fail("宛先がありません", true);
        return false;
    }
    for (const std::string& r : recipients_) {
        if (!BadAddress(r)) continue;
        Fail("宛先アドレスが不正です: " + LogText(r), true);
        return false;
    }
    MailHeader header{job.senderName,
                      job.senderAddr,
                      job.targetAddr,
                      job.subject,
                      job.date.empty() ? MailDate() : job.date,
                      job.messageId.empty() ? NewMessageId(job.senderAddr) : job.messageId};
    message_ = MessageBlock(header, job.body);
    messageLog_ = HeaderBlock(header) + job.body + "\r\n.\r\n";
    return true;
}

void SmtpSession::OnConnected() {
    if (step_ != Step::kConnect) return;
    connectTimer_.stop();
    heloName_ = !job_.heloName.empty()
                    ? job_.heloName
                    : HeloName(LocalHostNameText(), tcp_.ConnectionLocalAddress());
    Enter(job_.security == 2 ? Step::kImplicitTls : Step::kGreeting);
}

void SmtpSession::Enter(Step step) {
    step_ = step;
    switch (step) {
        case Step::kImplicitTls:
        case Step::kTlsHandshake:
            StartTls();
            break;
        case Step::kGreeting:
            awaited_ = "接続";
            WaitReply();
            break;
        case Step::kIdle:
        case Step::kConnect:
            break;
        default:
            EnterCommand(step);
            break;
    }
}

void SmtpSession::EnterCommand(Step step) {
    switch (step) {
        case Step::kHelo:
            Send("HELO " + heloName_ + kCrLf, "");
            break;
        case Step::kEhlo:
            Send("EHLO " + heloName_ + kCrLf, "");
            break;
        case Step::kStartTls:
            Send(std::string("STARTTLS") + kCrLf, "");
            break;
        case Step::kAuth:
            Send(std::string("AUTH PLAIN") + kCrLf, "");
            break;
        case Step::kToken: {
            // RFC 4616 with an empty authorisation identity; the log never shows it.
            const std::string token = std::string(1, '\0') + job_.userName + '\0' + job_.password;
            Send(EncodeBase64(token) + kCrLf, "********\\n");
            break;
        }
        case Step::kMailFrom:
            Send("MAIL FROM:<" + job_.senderAddr + ">" + kCrLf, "");
            break;
        case Step::kRcpt:
            Send("RCPT TO:<" + recipients_[rcptIndex_] + ">" + kCrLf, "");
            break;
        case Step::kData:
            Send(std::string("DATA") + kCrLf, "");
            break;
        case Step::kMessage:
            Send(message_, LogText(messageLog_));
            break;
        case Step::kQuit:
            Send(std::string("QUIT") + kCrLf, "");
            break;
        default:
            break;
    }
}

void SmtpSession::Send(const std::string& command, const std::string& logText) {
    WriteLog("送信 " + (logText.empty() ? LogText(command) : logText));
    awaited_ = step_ == Step::kMessage ? "本文"
               : step_ == Step::kToken ? "認証情報"
                                       : command.substr(0, command.find_first_of(" \r"));
    // Nothing may be waiting before a command: bytes the server sent unasked are dropped, so
    // that they cannot pass for the answer (after STARTTLS they would be injected commands).
    reader_.Clear();
    tcp_.SendData(command);
    WaitReply();
}

void SmtpSession::WaitReply() {
    waiting_ = true;
    replyTimer_.start(limits_.replyMs);
    TryReply();
}

void SmtpSession::StartTls() {
    reader_.Clear();
    replyTimer_.start(limits_.replyMs);
    TlsOptions options;
    // Opportunistic TLS asks for no certificate: the alternative would be plain text.
    options.verify = job_.tlsVerify != 0 && job_.security != 0;
    options.peerName = job_.host;
    if (!tcp_.StartTls(options))
        Fail(socketError_.empty() ? "TLS を開始できません" : socketError_, false);
}

void SmtpSession::OnDataArrival() {
    reader_.Append(tcp_.GetData());
    TryReply();
}

void SmtpSession::TryReply() {
    while (Running()) {
        SmtpReply reply;
        std::string problem;
        const auto r = reader_.Next(reply, problem);
        if (r == SmtpReplyReader::Result::kBad) return Fail(problem, false);
        if (r == SmtpReplyReader::Result::kNeedMore || !waiting_) return;
        waiting_ = false;
        replyTimer_.stop();
        OnReply(reply);
    }
}

bool SmtpSession::Expected(int code) const {
    switch (step_) {
        case Step::kGreeting:
        case Step::kStartTls:
            return code == 220;
        case Step::kAuth:
            return code == 334;
        case Step::kToken:
            return code == 235;
        case Step::kRcpt:
            return code == 250 || code == 251;
        case Step::kData:
            return code == 354;
        default:
            return code == 250;
    }
}

void SmtpSession::OnReply(const SmtpReply& reply) {
    WriteLog("受信 " + LogText(reply.text));
    // The message was taken at the end of the data: whatever the reply to QUIT, it is sent.
    if (step_ == Step::kQuit) return Advance();
    // A server that does not know EHLO is greeted the old way, when nothing needs EHLO.
    if (step_ == Step::kEhlo && reply.code >= 500 && job_.security != 1 && !tlsActive_ &&
        job_.userName.empty())
        return Enter(Step::kHelo);
    if (step_ == Step::kRcpt && reply.code >= 400 && reply.code < 600)
        return RecipientRefused(reply);
    if (!Expected(reply.code)) return Fail(LogText(reply.text), reply.code >= 500);
    if (step_ != Step::kGreeting) WriteLog("送信成功");
    if (step_ == Step::kRcpt) ++rcptAccepted_;
    if (step_ == Step::kEhlo && !tlsActive_) {
        startTlsOffered_ = Offers(reply.text, "STARTTLS");
        if (job_.security == 1 && !startTlsOffered_)
            return Fail("サーバーが STARTTLS を提供していません (認証情報は送信していません)",
                        true);
    }
    authOffered_ = step_ == Step::kEhlo ? Offers(reply.text, "AUTH") : authOffered_;
    Advance();
}

void SmtpSession::Advance() {
    const bool auth = !job_.userName.empty();
    switch (step_) {
        case Step::kImplicitTls:
            return Enter(Step::kGreeting);
        case Step::kGreeting:
            return Enter(Step::kEhlo);  // EHLO shows whether the server offers STARTTLS
        case Step::kEhlo:
            // STARTTLS whenever offered: required with 1, opportunistic with 0.
            if (!tlsActive_ && startTlsOffered_ && job_.security != 2)
                return Enter(Step::kStartTls);
            // A server that offers no login may not need one; its later replies will say.
            if (auth && !authOffered_)
                WriteLog("サーバーが AUTH を提供していません: ログインせずに送信します");
            return Enter(auth && authOffered_ ? Step::kAuth : Step::kMailFrom);
        case Step::kStartTls:
            return Enter(Step::kTlsHandshake);
        case Step::kTlsHandshake:
            return Enter(Step::kEhlo);
        case Step::kAuth:
            return Enter(Step::kToken);
        case Step::kHelo:
        case Step::kToken:
            return Enter(Step::kMailFrom);
        case Step::kMailFrom:
            rcptIndex_ = 0;
            return Enter(Step::kRcpt);
        case Step::kRcpt:
            if (++rcptIndex_ < recipients_.size()) return Enter(Step::kRcpt);
            if (rcptAccepted_ == 0) return Fail(lastRefusal_, deferred_.empty());
            return Enter(Step::kData);
        case Step::kData:
            return Enter(Step::kMessage);
        case Step::kMessage:
            return Enter(Step::kQuit);
        case Step::kQuit: {
            WriteLog("Message sent.");
            SessionResult r;
            r.accepted = true;
            r.deferred = deferred_;
            for (const std::string& d : deferred_)
                r.failure += (r.failure.empty() ? "一時拒否された宛先 " : " ") + d;
            return Finish(r);
        }
        default:
            return;
    }
}

// One refused recipient does not stop the mail to the others: refused for good (5xx) it is
// dropped with its line in the error log; refused for now (4xx) it is tried again on its own.
void SmtpSession::RecipientRefused(const SmtpReply& reply) {
    const std::string& r = recipients_[rcptIndex_];
    lastRefusal_ = LogText(reply.text);
    if (reply.code >= 500) {
        WriteLog("メール送信失敗 宛先拒否 " + r + ": " + LogText(reply.text), kFailureLog);
    } else {
        WriteLog("宛先保留 " + r + ": " + LogText(reply.text));
        deferred_.push_back(r);
    }
    Advance();
}

void SmtpSession::OnSocketError(const std::string& description) {
    WriteLog("エラー " + description);
    socketError_ = description;
    if (Running()) errorCheck_.start();
}

// After the control's Error event: a connect attempt that has closed the socket is over now;
// a failure on the open connection ends the session.
void SmtpSession::CheckSocketError() {
    if (!Running() || socketError_.empty()) return;
    if (step_ != Step::kConnect) return Fail(socketError_, CertificateRejected());
    if (tcp_.SocketHandle() != -1) return;
    WriteLog("接続失敗 " + tcp_.StateMessage());
    Finish(SessionResult{false, false, false, socketError_ + " (" + Server() + ")", {}});
}

std::string SmtpSession::Server() const {
    return job_.host + ":" + std::to_string(job_.remotePort);
}

void SmtpSession::OnPeerClosed() {
    if (!Running()) return;
    if (step_ == Step::kQuit) return Advance();
    // A TLS failure closes the connection before its Error event has been looked at.
    Fail(socketError_.empty() ? "サーバーが接続を閉じました" : socketError_, CertificateRejected());
}

void SmtpSession::OnConnectTimeout() {
    if (step_ != Step::kConnect) return;
    WriteLog("接続失敗 " + tcp_.StateMessage());
    const std::string why = socketError_.empty() ? "" : socketError_ + " ";
    Finish(SessionResult{
        false,
        true,
        false,
        why + SecondsText(limits_.connectMs) + " 秒以内に接続できませんでした (" + Server() + ")",
        {}});
}

void SmtpSession::OnReplyTimeout() {
    if (!Running() || step_ == Step::kConnect) return;
    if (step_ == Step::kQuit) return Advance();
    WriteLog("メール送信タイムアウト ");
    Finish(SessionResult{false,
                         true,
                         false,
                         "メール送信タイムアウト: " + SecondsText(limits_.replyMs) + " 秒以内に " +
                             awaited_ + " への応答がありません (" + Server() + ")",
                         {}});
}

void SmtpSession::Abort(const std::string& why) {
    if (Running()) Fail(why, false);
}

bool SmtpSession::CertificateRejected() const {
    return socketErrorCode_ == kTlsCertificateRejected;
}

void SmtpSession::Fail(const std::string& description, bool permanent) {
    WriteLog("メール送信失敗 " + description, permanent ? kFailureLog : 0);
    Finish(SessionResult{false, false, permanent, description, {}});
}

void SmtpSession::Finish(const SessionResult& result) {
    step_ = Step::kIdle;
    waiting_ = false;
    for (QTimer* t : {&connectTimer_, &replyTimer_, &errorCheck_}) t->stop();
    tcp_.DisConnect();
    reader_.Clear();
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(result);
}

}  // namespace sonivex
