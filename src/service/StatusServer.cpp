// Routes, the token check and start-up of the status server.
#include "service/StatusServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpSocket>
#include <QUrlQuery>

#include "monitor/MonitorSettings.h"
#include "service/MetricsText.h"
#include "service/StatusJson.h"
#include "service/StatusPage.h"
#include "support/Log.h"
#include "support/LogRing.h"

namespace sonivex {

namespace {

using Status = QHttpServerResponder::StatusCode;

const std::string kMask = "********";

// Compares without stopping at the first difference, so timing tells nothing about the token.
bool SameSecret(const QByteArray& given, const std::string& token) {
    if (static_cast<size_t>(given.size()) != token.size()) return false;
    unsigned char diff = 0;
    for (size_t n = 0; n < token.size(); ++n)
        diff |= static_cast<unsigned char>(given[static_cast<qsizetype>(n)] ^ token[n]);
    return diff == 0;
}

void Answer(QHttpServerResponder&& responder, const QByteArray& body, const QByteArray& type,
            Status status = Status::Ok) {
    responder.write(body, {{"Content-Type", type}, {"Cache-Control", "no-store"}}, status);
}

}  // namespace

StatusServer::StatusServer(const MonitorSnapshot& snapshot, const MonitorSettings& settings,
                           std::string token)
    : snapshot_(snapshot), settings_(settings), token_(std::move(token)) {}

std::vector<std::string> StatusServer::LogLines() const {
    std::vector<std::string> lines = RecentLogLines();
    for (const std::string* secret : {&settings_.mailPassWord, &settings_.mailUserName}) {
        if (secret->empty()) continue;
        for (std::string& line : lines)
            for (size_t at = line.find(*secret); at != std::string::npos;
                 at = line.find(*secret, at + kMask.size()))
                line.replace(at, secret->size(), kMask);
    }
    return lines;
}

quint16 StatusServer::Listen(const QHostAddress& address, quint16 port, ConnectionLimits limits) {
    auto* server = new BoundedTcpServer(limits, this);
    if (!server->listen(address, port)) {
        WriteLog("status server: cannot listen on " + address.toString().toStdString() + ":" +
                 std::to_string(port) + " (" + server->errorString().toStdString() + ")");
        delete server;
        return 0;
    }
    bind(server);
    return server->serverPort();
}

bool StatusServer::Authorized(const QHttpServerRequest& request, bool page) const {
    if (token_.empty()) return true;
    const QByteArray header = request.value("Authorization");
    if (header.startsWith("Bearer ") && SameSecret(header.mid(7), token_)) return true;
    // A browser cannot send the header when it opens the page: it brings the token once.
    return page && SameSecret(request.query().queryItemValue("token").toUtf8(), token_);
}

const QByteArray& StatusServer::Metrics() {
    if (metrics_.isEmpty() || metricsTicks_ != snapshot_.ticks) {
        metrics_ = QByteArray::fromStdString(MetricsText(snapshot_));
        metricsTicks_ = snapshot_.ticks;
    }
    return metrics_;
}

bool StatusServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    const QString path = request.url().path();
    const bool page = path == "/" || path.isEmpty();
    if (!page && path != "/metrics" && path != "/status") return false;
    auto responder = makeResponder(request, socket);
    if (request.method() != QHttpServerRequest::Method::Get) {
        Answer(std::move(responder), "GET only\n", "text/plain", Status::MethodNotAllowed);
    } else if (!Authorized(request, page)) {
        responder.write("token required\n",
                        {{"Content-Type", "text/plain"}, {"WWW-Authenticate", "Bearer"}},
                        Status::Unauthorized);
    } else if (page) {
        Answer(std::move(responder), StatusPageHtml(), "text/html; charset=utf-8");
    } else if (path == "/metrics") {
        Answer(std::move(responder), Metrics(), kMetricsContentType);
    } else {
        Answer(std::move(responder), StatusJson(snapshot_, ComputerNameText(), LogLines()),
               "application/json");
    }
    return true;
}

void StatusServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    Answer(makeResponder(request, socket), "not found\n", "text/plain", Status::NotFound);
}

std::unique_ptr<StatusServer> StartStatusServer(const MonitorSettings& s,
                                                const MonitorSnapshot& snapshot) {
    if (s.statusPort == 0) return nullptr;
    const QHostAddress address(QString::fromStdString(s.statusBind));
    if (address.isNull()) {
        WriteLog("status server off: StatusBind=" + s.statusBind + " is not an IP address");
        return nullptr;
    }
    if (!address.isLoopback() && s.statusToken.empty()) {
        WriteLog("status server off: StatusBind=" + s.statusBind +
                 " is not loopback and StatusToken is empty");
        return nullptr;
    }
    auto server = std::make_unique<StatusServer>(snapshot, s, s.statusToken);
    const quint16 port = server->Listen(address, static_cast<quint16>(s.statusPort));
    if (port == 0) return nullptr;
    const bool v6 = address.protocol() == QAbstractSocket::IPv6Protocol;
    WriteLog("status server on http://" + (v6 ? "[" + s.statusBind + "]" : s.statusBind) + ":" +
             std::to_string(port) + "/");
    return server;
}

}  // namespace sonivex
