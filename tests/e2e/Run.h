// Runs the built sonivex binary as a separate process and collects what it printed.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <string>
#include <vector>

namespace sonivex::testing {

struct RunResult {
    int exitCode = -1;
    bool finished = false;
    std::string out;
    std::string err;
    bool Has(const std::string& text) const { return out.find(text) != std::string::npos; }
    int Count(const std::string& text) const {
        int n = 0;
        for (size_t at = out.find(text); at != std::string::npos; at = out.find(text, at + 1)) ++n;
        return n;
    }
};

inline QStringList Args(const std::vector<std::string>& args) {
    QStringList list;
    for (const auto& a : args) list << QString::fromStdString(a);
    return list;
}

// A private, empty config home so a test never touches the user's settings.
inline QProcessEnvironment TestEnvironment(const std::string& configHome) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(configHome));
    env.insert("LANG", "C.UTF-8");
    // Runs without --headless stay headless too, whatever display the developer has.
    for (const char* var : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(var);
    return env;
}

inline RunResult RunSonivex(const std::vector<std::string>& args, const std::string& configHome,
                            int timeoutMs = 60000, const QProcessEnvironment* extraEnv = nullptr) {
    QProcess p;
    p.setProcessEnvironment(extraEnv ? *extraEnv : TestEnvironment(configHome));
    p.start(SONIVEX_BINARY, Args(args));
    RunResult r;
    if (!p.waitForStarted(10000)) return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

}  // namespace sonivex::testing
