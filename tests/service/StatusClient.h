// A plain HTTP/1.1 client on loopback for the status server's tests: one request, its answer.
#pragma once

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <string>

namespace sonivex::testing {

struct HttpReply {
    int status = 0;  // 0 = no answer
    std::string headers;
    std::string body;
};

inline quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

inline HttpReply HttpGet(quint16 port, const std::string& target, const std::string& header = "") {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    HttpReply r;
    if (!s.waitForConnected(5000)) return r;
    s.write(("GET " + target + " HTTP/1.1\r\nHost: localhost\r\n" + header + "\r\n").c_str());
    std::string all;
    size_t end = std::string::npos, length = 0;
    while (s.waitForReadyRead(5000)) {
        all += s.readAll().toStdString();
        if (end == std::string::npos && (end = all.find("\r\n\r\n")) != std::string::npos) {
            r.headers = all.substr(0, end);
            const size_t at = r.headers.find("Content-Length: ");
            length = at == std::string::npos ? 0 : std::stoul(r.headers.substr(at + 16));
        }
        if (end != std::string::npos && all.size() >= end + 4 + length) break;
    }
    if (end == std::string::npos) return r;
    r.status = std::stoi(r.headers.substr(9, 3));
    r.body = all.substr(end + 4);
    return r;
}

}  // namespace sonivex::testing
