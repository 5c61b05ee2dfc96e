// Mail test helpers: event waits, captured log lines, local server processes, and Python's email
// package as the reader of what was sent.
#pragma once

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "mail/SmtpSession.h"
#include "support/Log.h"

namespace sonivex::testing {

constexpr char kPython[] = "/usr/bin/python3";

// Runs the event loop until done() or timeoutMs; false on time-out.
inline bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs) return false;
        QEventLoop loop;
        QTimer::singleShot(2, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// A mail to 127.0.0.1:port without authentication.
inline MailJob TestJob(int port, const std::string& body = "警報\r\nch1 FM (両ch 15秒以上)") {
    MailJob job;
    job.host = "127.0.0.1";
    job.remotePort = port;
    job.senderAddr = "alert@station.example";
    job.heloName = "alert";
    job.password = "p";
    job.targetAddr = "a@x.example";
    job.subject = "sonivex無音検出 FM";
    job.body = body;
    return job;
}

// Runs one session to its end; the outcome.
inline SessionResult RunSession(const MailJob& job, const SessionLimits& limits) {
    UC_WinSock tcp;
    tcp.Init();
    SmtpSession session(tcp, limits);
    SessionResult result;
    bool ended = false;
    session.Start(job, [&](const SessionResult& r) {
        result = r;
        ended = true;
    });
    EXPECT_TRUE(WaitUntil([&] { return ended; }, 20000)) << "the session never ended";
    return result;
}

// Operation lines as they are written, error lines from the day's error file.
class LogCapture {
  public:
    LogCapture() {
        LogConfig c;
        c.folder = dir_.Folder() + "log/";
        c.echo = [this](const std::string& line) { lines.push_back(line.substr(20)); };
        ConfigureLog(c);
    }
    ~LogCapture() { ConfigureLog(LogConfig{}); }
    std::string ErrorText() const { return ReadText(LogFilePath(16)); }
    bool Has(const std::string& start) const {
        for (const auto& l : lines)
            if (l.rfind(start, 0) == 0) return true;
        return false;
    }
    std::string All() const {
        std::string out;
        for (const auto& l : lines) out += l + "\n";
        return out;
    }
    std::vector<std::string> lines;  // without the time stamp

  private:
    TempDir dir_;
};

// A local Python server that prints "READY <port>" and writes what it takes to OUT/NNN.<ext>;
// it ends when its standard input closes, at the latest when destroyed.
class PythonServer {
  public:
    PythonServer(const std::string& script, QStringList args, std::string ext) : ext_(ext) {
        args << "--out" << QString::fromStdString(out.Folder());
        process_.start(kPython, QStringList{QString::fromStdString(script)} + args);
        const auto ready = [this] {
            return process_.canReadLine() || process_.state() == QProcess::NotRunning;
        };
        WaitUntil(ready, 10000);
        const std::string line = process_.readLine().toStdString();
        if (line.starts_with("READY ")) port = std::stoi(line.substr(6));
    }
    ~PythonServer() {
        process_.closeWriteChannel();
        process_.waitForFinished(3000);  // else killed as the process goes
    }
    // What the n-th request left (1-based), "" when there is none.
    std::string Taken(int n, const std::string& ext = "") const {
        return ReadText(
            out.File(QString::asprintf("%03d.", n).toStdString() + (ext.empty() ? ext_ : ext)));
    }
    int Count() const {
        int n = 0;
        while (!Taken(n + 1).empty()) ++n;
        return n;
    }
    int port = 0;
    TempDir out;

  private:
    std::string ext_;
    QProcess process_;
};

// aiosmtpd on 127.0.0.1 in mode plain, starttls or tls (with a self-signed certificate for
// 127.0.0.1 and localhost), with AUTH PLAIN for user/password when user is not empty; on
// fixedPort when it is not 0.
class SmtpServer : public PythonServer {
  public:
    explicit SmtpServer(const std::string& mode, const std::string& user = "u",
                        const std::string& password = "p", int fixedPort = 0)
        : PythonServer(SONIVEX_TEST_DATA "/mail/smtp_server.py",
                       {"--mode", QString::fromStdString(mode), "--port",
                        QString::number(fixedPort), "--user", QString::fromStdString(user),
                        "--password", QString::fromStdString(password)},
                       "eml") {}
    QString Certificate() const { return QString::fromStdString(out.File("cert.pem")); }
    // The raw bytes of the n-th message taken (1-based), "" when there is none.
    std::string Message(int n) const { return Taken(n); }
    std::string Envelope(int n) const { return Taken(n, "json"); }
};

// Python's email package reads a message: its subject, body and defects.
inline QJsonObject ParseWithPython(const std::string& messageBytes) {
    QProcess p;
    p.start(kPython, {"-c",
                      "import email, email.policy, json, sys\n"
                      "m = email.message_from_binary_file(sys.stdin.buffer, "
                      "policy=email.policy.default)\n"
                      "print(json.dumps({'subject': str(m['subject']), 'body': m.get_content(), "
                      "'defects': len(m.defects)}))"});
    p.write(messageBytes.data(), static_cast<qint64>(messageBytes.size()));
    p.closeWriteChannel();
    p.waitForFinished(10000);
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

inline std::string Str(const QJsonObject& o, const char* key) {
    return o.value(key).toString().toStdString();
}

}  // namespace sonivex::testing
