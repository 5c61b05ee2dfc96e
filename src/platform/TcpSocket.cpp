// TCP over Qt Network: QSslSocket for connections (TLS on demand), QHostInfo for look-ups.
#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <unistd.h>

#include <QHostAddress>
#include <QHostInfo>
#include <QSslConfiguration>
#include <QSslSocket>
#include <array>

namespace sonivex {

namespace {

// Depth of notifications running now: a socket destroyed from inside one is deleted later,
// because Qt may still be inside the signal that led there.
int g_notifyDepth = 0;

struct NotifyScope {
    NotifyScope() { ++g_notifyDepth; }
    ~NotifyScope() { --g_notifyDepth; }
};

void Dispose(QObject* object) {
    if (!object) return;
    QObject::disconnect(object, nullptr, nullptr, nullptr);
    if (g_notifyDepth > 0)
        object->deleteLater();
    else
        delete object;
}

int WinsockCodeOfQt(QAbstractSocket::SocketError e, bool certificateRejected) {
    using E = QAbstractSocket::SocketError;
    switch (e) {
        case E::ConnectionRefusedError:
            return 10061;
        case E::RemoteHostClosedError:
            return 10054;
        case E::HostNotFoundError:
            return 11001;
        case E::SocketAccessError:
            return 10013;
        case E::SocketResourceError:
            return 10055;
        case E::SocketTimeoutError:
            return 10060;
        case E::DatagramTooLargeError:
            return 10040;
        case E::AddressInUseError:
            return 10048;
        case E::SocketAddressNotAvailableError:
            return 10049;
        case E::UnsupportedSocketOperationError:
            return 10045;
        case E::UnfinishedSocketOperationError:
        case E::OperationError:
            return 10036;
        case E::TemporaryError:
            return 10035;
        case E::SslHandshakeFailedError:
            return certificateRejected ? kTlsCertificateRejected : kTlsHandshakeFailed;
        case E::SslInternalError:
        case E::SslInvalidUserDataError:
            return kTlsHandshakeFailed;
        default:
            return 10050;
    }
}

}  // namespace

// ---- TcpSocket ----

TcpSocket::TcpSocket() : socket_(new QSslSocket) {
    Wire();
}

TcpSocket::~TcpSocket() {
    QObject::disconnect(socket_, nullptr, nullptr, nullptr);
    socket_->abort();
    Dispose(socket_);
}

void TcpSocket::Wire() {
    QObject::connect(socket_, &QSslSocket::connected, socket_, [this] {
        connected_ = true;
        Raise(kFdConnect, 0);
    });
    QObject::connect(socket_, &QSslSocket::readyRead, socket_, [this] { Raise(kFdRead, 0); });
    QObject::connect(socket_, &QSslSocket::disconnected, socket_, [this] {
        if (!connected_) return;
        connected_ = false;
        Raise(kFdClose, 0);
    });
    QObject::connect(socket_, &QSslSocket::encrypted, socket_, [this] { Raise(kFdEncrypted, 0); });
    QObject::connect(socket_, &QSslSocket::errorOccurred, socket_,
                     [this](QAbstractSocket::SocketError e) { OnQtError(static_cast<int>(e)); });
    QObject::connect(
        socket_, &QSslSocket::sslErrors, socket_, [this](const QList<QSslError>& list) {
            tlsDetail_.clear();
            for (const QSslError& e : list)
                tlsDetail_ += (tlsDetail_.empty() ? "" : "; ") + e.errorString().toStdString();
        });
}

void TcpSocket::Raise(int event, int error) {
    NotifyScope scope;
    Notify notify = notify_;  // the handler may destroy this socket
    if (notify) notify(event, error);
}

void TcpSocket::OnQtError(int qtError) {
    const auto e = static_cast<QAbstractSocket::SocketError>(qtError);
    // A peer close while connected is the close notification, not an error.
    if (e == QAbstractSocket::RemoteHostClosedError && connected_) return;
    const bool tls = e == QAbstractSocket::SslHandshakeFailedError ||
                     e == QAbstractSocket::SslInternalError ||
                     e == QAbstractSocket::SslInvalidUserDataError;
    if (tls && tlsDetail_.empty()) tlsDetail_ = socket_->errorString().toStdString();
    lastError_ = WinsockCodeOfQt(e, tls && !socket_->sslHandshakeErrors().isEmpty());
    Raise(connected_ ? kFdRead : kFdConnect, lastError_);
}

void TcpSocket::ConnectTo(const std::string& address, int port) {
    socket_->connectToHost(QHostAddress(QString::fromStdString(address)),
                           static_cast<quint16>(port));
}

int64_t TcpSocket::Read(std::string& out, int64_t maxBytes) {
    if (!socket_->isOpen()) return -1;
    const QByteArray bytes = socket_->read(maxBytes);
    out.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    return bytes.size();
}

int64_t TcpSocket::BytesAvailable() const {
    return socket_->bytesAvailable();
}

int64_t TcpSocket::Write(const std::string& data) {
    if (socket_->state() != QAbstractSocket::ConnectedState) {
        lastError_ = 10057;
        return -1;
    }
    return socket_->write(data.data(), static_cast<qint64>(data.size()));
}

bool TcpSocket::StartClientTls(const TlsOptions& options) {
    tlsDetail_.clear();
    if (!QSslSocket::supportsSsl() || socket_->state() != QAbstractSocket::ConnectedState) {
        lastError_ = QSslSocket::supportsSsl() ? 10057 : kTlsNotAvailable;
        return false;
    }
    QSslConfiguration conf = socket_->sslConfiguration();
    conf.setPeerVerifyMode(options.verify ? QSslSocket::VerifyPeer : QSslSocket::VerifyNone);
    socket_->setSslConfiguration(conf);
    socket_->setPeerVerifyName(QString::fromStdString(options.peerName));
    socket_->startClientEncryption();
    return true;
}

namespace {

// An IPv4 address mapped into IPv6 is shown as the IPv4 address it is.
std::string AddressText(const QHostAddress& a) {
    bool isV4 = false;
    const quint32 v4 = a.toIPv4Address(&isV4);
    return (isV4 ? QHostAddress(v4) : a).toString().toStdString();
}

}  // namespace

std::string TcpSocket::LocalAddress() const {
    return AddressText(socket_->localAddress());
}

// ---- host look-ups ----

HostLookup::HostLookup() : context_(std::make_unique<QObject>()) {}

HostLookup::~HostLookup() {
    Abort();
    Dispose(context_.release());
}

namespace {

// The first IPv4 address, else the first address, and the Winsock code of the outcome.
int LookupOutcome(const QHostInfo& info, std::string& address) {
    QString first;
    for (const QHostAddress& a : info.addresses()) {
        if (first.isEmpty()) first = a.toString();
        if (a.protocol() == QAbstractSocket::IPv4Protocol) {
            first = a.toString();
            break;
        }
    }
    address = first.toStdString();
    if (info.error() == QHostInfo::HostNotFound) return 11001;
    if (info.error() != QHostInfo::NoError) return 11002;
    return first.isEmpty() ? 11004 : 0;
}

}  // namespace

int HostLookup::Start(const std::string& name, Done done) {
    Abort();
    auto task = std::make_shared<Task>();
    task_ = task;
    task->id = QHostInfo::lookupHost(QString::fromStdString(name), context_.get(),
                                     [this, task, done](const QHostInfo& info) {
                                         // An aborted task's result may still be on its way.
                                         if (!task->live) return;
                                         task_.reset();
                                         std::string address;
                                         const int error = LookupOutcome(info, address);
                                         NotifyScope scope;
                                         done(error, address);
                                     });
    return task->id;
}

void HostLookup::Abort() {
    if (!task_) return;
    task_->live = false;
    QHostInfo::abortHostLookup(task_->id);
    task_.reset();
}

bool IsDottedIPv4(const std::string& text) {
    in_addr a{};
    return ::inet_pton(AF_INET, text.c_str(), &a) == 1;
}

std::string LocalHostNameText() {
    std::array<char, 250> name{};
    if (::gethostname(name.data(), name.size() - 1) != 0) return "";
    return name.data();
}

}  // namespace sonivex
