// Runs the built sonivex binary as a separate process and collects what it printed.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"

namespace sonivex::testing {

// A private, empty config home so a test never touches the user's settings.
inline QProcessEnvironment TestEnvironment(const std::string& configHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(configHome));
    env.insert("LANG", "C.UTF-8");
    // Runs without --headless stay headless too, whatever display the developer has.
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(var);
    return env;
}

// A sonivex running in the background whose output the test reads as it comes.
class LiveRun {
  public:
    LiveRun(const std::vector<std::string>& args, const QProcessEnvironment& env) {
        QStringList list;
        for (const auto& a : args) list << QString::fromStdString(a);
        p_.setProcessEnvironment(env);
        p_.start(SONIVEX_BINARY, list);
        started = p_.waitForStarted(10000);
    }
    ~LiveRun() {
        p_.kill();
        p_.waitForFinished(5000);
    }
    // Reads output until done() or `ms` have passed, calling `each` after every read; done().
    bool ReadUntil(const std::function<bool()>& done, int ms,
                   const std::function<void()>& each = {}) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) {
            p_.waitForReadyRead(20);
            out += p_.readAllStandardOutput().toStdString();
            if (each) each();
        }
        return done();
    }
    bool ReadUntil(const std::string& text, int ms, const std::function<void()>& each = {}) {
        return ReadUntil([&] { return out.find(text) != std::string::npos; }, ms, each);
    }
    void ReadFor(int ms) {
        ReadUntil([] { return false; }, ms);
    }
    // Waits for the run to end by itself; whether it did. Then out and err hold all it printed.
    bool Finish(int ms) {
        const bool ended = started && p_.waitForFinished(ms);
        out += p_.readAllStandardOutput().toStdString();
        err = p_.readAllStandardError().toStdString();
        return ended;
    }
    // Ends the run as a service manager does; its exit code, -1 when it did not end.
    int Stop() {
        ::kill(static_cast<pid_t>(p_.processId()), SIGTERM);
        if (!p_.waitForFinished(10000)) return -1;
        out += p_.readAllStandardOutput().toStdString();
        return p_.exitCode();
    }
    int ExitCode() const { return p_.exitCode(); }

    bool started = false;
    std::string out, err;

  private:
    QProcess p_;
};

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    std::string out, err;
    bool Has(const std::string& text) const { return out.find(text) != std::string::npos; }
    int Count(const std::string& text) const {
        int n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
        return n;
    }
};

// A run to its end, at most timeoutMs.
inline RunResult RunSonivex(const std::vector<std::string>& args, const std::string& configHome,
                            int timeoutMs = 60000, const QProcessEnvironment* extraEnv = nullptr) {
    LiveRun run(args, extraEnv ? *extraEnv : TestEnvironment(configHome));
    RunResult r;
    r.finished = run.Finish(timeoutMs);
    if (r.finished) r.exitCode = run.ExitCode();
    r.out = run.out;
    r.err = run.err;
    return r;
}

// Every line of the error logs in a log folder.
inline std::string ErrorLogText(const std::string& folder) {
    std::string text;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ".err") text += ReadText(e.path().string());
    return text;
}

}  // namespace sonivex::testing
