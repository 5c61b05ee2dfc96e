// Runs the built sonivex binary as a separate process and collects what it printed; the private
// ALSA configurations the runs on real ALSA use.
#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/WavWriter.h"

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

// A sonivex running in the background whose output the test reads as it comes.
class LiveRun {
  public:
    LiveRun(const std::vector<std::string>& args, const QProcessEnvironment& env) {
        p_.setProcessEnvironment(env);
        p_.start(SONIVEX_BINARY, Args(args));
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
    // Ends the run as a service manager does; its exit code, -1 when it did not end.
    int Stop() {
        ::kill(static_cast<pid_t>(p_.processId()), SIGTERM);
        if (!p_.waitForFinished(10000)) return -1;
        out += p_.readAllStandardOutput().toStdString();
        return p_.exitCode();
    }

    bool started = false;
    std::string out;

  private:
    QProcess p_;
};

// A file-plugin PCM: playback writes `outfile` raw; with an `infile`, capture reads it raw.
inline std::string FilePcm(const std::string& pcm, const std::string& description,
                           const std::string& outfile, const std::string& infile = "") {
    return "pcm." + pcm + " { type file slave.pcm { type null } file \"" + outfile + "\"" +
           (infile.empty() ? "" : " infile \"" + infile + "\"") + " format \"raw\"" +
           (description.empty() ? "" : " hint.description \"" + description + "\"") + " }\n";
}

// The run's environment with the stock ALSA configuration plus `pcms`, written into `folder`.
inline QProcessEnvironment AlsaEnvironment(const std::string& folder, const std::string& pcms) {
    WriteText(folder + "alsa.conf", pcms);
    QProcessEnvironment env = TestEnvironment(folder);
    env.insert("ALSA_CONFIG_PATH",
               QString::fromStdString("/usr/share/alsa/alsa.conf:" + folder + "alsa.conf"));
    return env;
}

// Appends `frames` stereo frames at 8 kHz: a 1 kHz tone at -20 dBFS, or silence.
inline void AppendTone(std::vector<int16_t>& samples, int frames, bool tone) {
    for (int f = 0; f < frames; ++f) {
        const auto v = static_cast<int16_t>(tone ? std::lround(3277 * std::sin(M_PI * f / 4)) : 0);
        samples.insert(samples.end(), {v, v});
    }
}

inline std::string RawBytes(const std::vector<int16_t>& samples) {
    return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
}

// Every line of the files ending in `ext` in a log folder.
inline std::string LogText(const std::string& folder, const std::string& ext = ".err") {
    std::string text;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.path().extension() == ext) text += ReadText(e.path().string());
    return text;
}
inline std::string ErrorLog(const TempDir& dir) {
    return LogText(dir.Folder() + "log");
}

// Second of the day of the first log line ("YYYY/MM/DD hh:mm:ss ...") holding `text`; -1 if none.
inline int SecondOf(const std::string& log, const std::string& text) {
    const size_t at = log.find(text);
    if (at == std::string::npos) return -1;
    const size_t line = log.rfind('\n', at) + 1;  // npos + 1 = 0 for the first line
    const auto field = [&](size_t pos) { return std::stoi(log.substr(line + pos, 2)); };
    return field(11) * 3600 + field(14) * 60 + field(17);
}

// A stereo 16-bit filler at 8 kHz whose every sample tells where it came from.
constexpr int kFillerFrames = 2803;  // not a multiple of any page: the loop point moves
inline std::vector<int16_t> WriteFiller(const std::string& path) {
    std::vector<int16_t> samples;
    for (int f = 0; f < kFillerFrames; ++f)
        samples.insert(samples.end(),
                       {static_cast<int16_t>(f * 7 + 100), static_cast<int16_t>(-f * 5 - 100)});
    WaveFormat format;
    format.samplesPerSec = 8000;
    format.avgBytesPerSec = 32000;
    WavWriter writer;
    writer.Create(path, format);
    writer.Append(reinterpret_cast<const uint8_t*>(samples.data()), samples.size() * 2);
    writer.Close();
    return samples;
}

// The frames of `bytes` (after `skip`) played as the filler repeated from its start; the rest
// must be silence (the stop-time silence), else 0.
inline size_t LoopedFrames(const std::string& bytes, size_t skip,
                           const std::vector<int16_t>& filler) {
    std::vector<int16_t> played((bytes.size() - std::min(skip, bytes.size())) / 2);
    std::memcpy(played.data(), bytes.data() + skip, played.size() * 2);
    const size_t frames = played.size() / 2;
    size_t f = 0;
    for (; f < frames; ++f) {
        const size_t k = f % kFillerFrames;
        if (played[2 * f] != filler[2 * k] || played[2 * f + 1] != filler[2 * k + 1]) break;
    }
    for (size_t g = f; g < frames; ++g)
        if (played[2 * g] != 0 || played[2 * g + 1] != 0) return 0;
    return f;
}

}  // namespace sonivex::testing
