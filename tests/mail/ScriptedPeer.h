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
    // "MESSAGE" the end of the data.
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
    bool closeInData = false;  // drops the connection once message bytes arrive
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
    std::string message;                // the bytes after DATA, terminator included (last)
    std::vector<std::string> messages;  // every message, in order
    int open = 0, maxOpen = 0;          // connections open now, and at most

  private:
    void Accept() {
        QTcpSocket* s = server_.nextPendingConnection();
        inData_ = afterAuth_ = false;
        maxOpen = std::max(maxOpen, ++open);
        QObject::connect(s, &QTcpSocket::disconnected, s, [this, s] {
            --open;
            s->deleteLater();
        });
        QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { Read(s); });
        if (!script_.greeting.empty()) s->write(script_.greeting.data(), script_.greeting.size());
    }
    void Reply(QTcpSocket* s, const std::string& key) {
        const auto it = script_.replies.find(key);
        if (it != script_.replies.end()) s->write(it->second.data(), it->second.size());
        if (key == "QUIT") s->disconnectFromHost();
    }
    void Read(QTcpSocket* s) {
        buffer_ += s->readAll().toStdString();
        if (inData_) return ReadData(s);
        for (size_t end; (end = buffer_.find("\r\n")) != std::string::npos;) {
            const std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 2);
            lines.push_back(line);
            std::string word = line.substr(0, line.find_first_of(" :"));
            if (afterAuth_) word = "TOKEN";
            afterAuth_ = word == "AUTH";
            inData_ = word == "DATA";
            // A reply for the whole line (one recipient, say) goes before the command's.
            Reply(s, script_.replies.count(line) ? line : word);
            if (inData_) return ReadData(s);
        }
    }
    void ReadData(QTcpSocket* s) {
        if (script_.closeInData && !buffer_.empty()) {
            s->abort();
            return;
        }
        const size_t end = buffer_.find("\r\n.\r\n");
        if (end == std::string::npos) return;
        message = buffer_.substr(0, end + 5);
        messages.push_back(message);
        buffer_.erase(0, end + 5);
        inData_ = false;
        Reply(s, "MESSAGE");
        if (!buffer_.empty()) Read(s);
    }

    PeerScript script_;
    QTcpServer server_;
    std::string buffer_;
    bool inData_ = false;
    bool afterAuth_ = false;
};

}  // namespace sonivex::testing
