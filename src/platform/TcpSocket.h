// TCP client connections (optionally TLS) and host look-ups on the Qt event loop, reporting the way
// Windows Sockets reports to a window: notification events and Winsock error codes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QObject;
class QSslSocket;

namespace sonivex {

// Notification events, numbered as Winsock numbers them.
constexpr int kFdRead = 1;
constexpr int kFdWrite = 2;
constexpr int kFdConnect = 16;
constexpr int kFdClose = 32;
constexpr int kFdEncrypted = 64;  // TLS handshake finished (Winsock has no TLS)

// Error codes of our own for TLS, outside the Winsock range.
constexpr int kTlsHandshakeFailed = 12001;
constexpr int kTlsCertificateRejected = 12002;
constexpr int kTlsNotAvailable = 12003;

struct TlsOptions {
    bool verify = true;    // certificate against the system CA store and peerName
    std::string peerName;  // the name the server's certificate must carry
};

// One connection. Notifications come from the event loop, never from inside a call; the socket
// may be destroyed from inside its own notification.
class TcpSocket {
  public:
    using Notify = std::function<void(int event, int error)>;

    TcpSocket();
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;

    void SetNotify(Notify notify) { notify_ = std::move(notify); }
    void ConnectTo(const std::string& address, int port);  // numeric address
    // Appends up to maxBytes received bytes to out; the count, or -1 on failure.
    int64_t Read(std::string& out, int64_t maxBytes);
    int64_t BytesAvailable() const;
    // Queues all of data for sending; the count taken, or -1 when the socket cannot send.
    int64_t Write(const std::string& data);
    // Starts the handshake; kFdEncrypted or an error follows. False (LastError set) when TLS
    // cannot start at all: no TLS library, or no connection.
    bool StartClientTls(const TlsOptions& options);
    // What the TLS library said about the last TLS failure ("" when none).
    const std::string& TlsDetail() const { return tlsDetail_; }
    int LastError() const { return lastError_; }
    std::string LocalAddress() const;  // our end of the connection

  private:
    void Wire();
    void Raise(int event, int error);
    void OnQtError(int qtError);

    QSslSocket* socket_;  // deleted later: it may be inside its own signal when we go
    Notify notify_;
    int lastError_ = 0;
    bool connected_ = false;
    std::string tlsDetail_;
};

// An asynchronous host look-up; destroying it or Abort() drops a result still to come.
class HostLookup {
  public:
    // error: 0 or a Winsock code; address: the first IPv4 address (else the first address).
    using Done = std::function<void(int error, const std::string& address)>;

    HostLookup();
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    int Start(const std::string& name, Done done);  // a task id above 0
    void Abort();
    bool Running() const { return task_ != nullptr; }

  private:
    struct Task {
        int id = 0;
        bool live = true;  // false once aborted
    };
    std::unique_ptr<QObject> context_;  // the results are bound to it
    std::shared_ptr<Task> task_;        // the running task; null when none runs
};

bool IsDottedIPv4(const std::string& text);
// The machine's host name; "" when the system cannot tell.
std::string LocalHostNameText();

}  // namespace sonivex
