// An SMTP peer on 127.0.0.1 that answers from a script, so that a test can make a server
// misbehave on purpose (silence, negative replies, a close in the middle, endless lines).
#pragma once

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace sonivex::testing {

struct PeerScript {
    std::string greeting = "220 peer ready\r\n";  // "" = the peer never says anything
    // Replies by whole command line or by command word; "TOKEN" is the line after AUTH,
    // "MESSAGE" the end of the data. An empty reply drops the connection instead.
    std::map<std::string, std::string> replies = {
        {"HELO", "250 peer\r\n"},
        {"EHLO", "250-peer\r\n250-SIZE 1000000\r\n250 AUTH PLAIN\r\n"},
        {"AUTH", "334 \r\n"},
        {"TOKEN", "235 2.7.0 ok\r\n"},
        {"MAIL", "250 2.1.0 ok\r\n"},
        {"RCPT", "250 2.1.5 ok\r\n"},
        {"DATA", "354 go ahead\r\n"},
        {"MESSAGE", "250 2.0.0 queued\r\n"},
        {"QUIT", "221 2.0.0 bye\r\n"}};
};

class ScriptedPeer {
  public:
    explicit ScriptedPeer(PeerScript script = {}) : script_(std::move(script)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] { Accept(); });
    }
    int Port() const { return server_.serverPort(); }
    PeerScript& Script() { return script_; }  // changes apply to the next command

    std::vector<std::string> lines;     // every command line received, without CR LF
    std::vector<std::string> messages;  // the bytes after each DATA, terminator included
    int open = 0, maxOpen = 0;          // connections open now, and at most

  private:
    void Accept() {
        QTcpSocket* s = server_.nextPendingConnection();
        conns_[s] = {};
        maxOpen = std::max(maxOpen, ++open);
        QObject::connect(s, &QTcpSocket::disconnected, s, [this, s] {
            --open;
            s->deleteLater();
        });
        // Not at the disconnect, which can come inside Read.
        QObject::connect(s, &QObject::destroyed, [this, s] { conns_.erase(s); });
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Read(s); });
        if (!script_.greeting.empty()) s->write(script_.greeting.data(), script_.greeting.size());
    }
    void Reply(QTcpSocket* s, const std::string& key) {
        const auto it = script_.replies.find(key);
        if (it != script_.replies.end() && it->second.empty()) return s->abort();
        if (it != script_.replies.end()) s->write(it->second.data(), it->second.size());
        if (key == "QUIT") s->disconnectFromHost();
    }
    void Read(QTcpSocket* s) {
        Conn& c = conns_[s];
        c.buffer += s->readAll().toStdString();
        if (c.inData) return ReadData(s);
        for (size_t end; (end = c.buffer.find("\r\n")) != std::string::npos;) {
            const std::string line = c.buffer.substr(0, end);
            c.buffer.erase(0, end + 2);
            lines.push_back(line);
            std::string word = line.substr(0, line.find_first_of(" :"));
            if (c.afterAuth) word = "TOKEN";
            c.afterAuth = word == "AUTH";
            c.inData = word == "DATA";
            // A reply for the whole line (one recipient, say) goes before the command's.
            Reply(s, script_.replies.count(line) ? line : word);
            if (c.inData) return ReadData(s);
        }
    }
    void ReadData(QTcpSocket* s) {
        Conn& c = conns_[s];
        const size_t end = c.buffer.find("\r\n.\r\n");
        if (end == std::string::npos) return;
        messages.push_back(c.buffer.substr(0, end + 5));
        c.buffer.erase(0, end + 5);
        c.inData = false;
        Reply(s, "MESSAGE");
        if (!c.buffer.empty()) Read(s);
    }

    // Each connection's unread bytes and where its dialogue stands.
    struct Conn {
        std::string buffer;
        bool inData = false;
        bool afterAuth = false;
    };
    PeerScript script_;
    std::map<QTcpSocket*, Conn> conns_;  // outlives the server, whose sockets erase themselves
    QTcpServer server_;
};

}  // namespace sonivex::testing
