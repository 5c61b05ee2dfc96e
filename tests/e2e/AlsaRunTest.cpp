// The headless monitor on real ALSA: a private configuration whose capture device reads a raw
// file (tone, silence, tone) and whose default playback device writes a file. The file plugin
// delivers as fast as it is read, so the monitor takes exactly one 0.2 s buffer per 100 ms tick.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <cmath>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "TempDir.h"
#include "e2e/Run.h"
#include "monitor/AlarmTone.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr int kRate = 8000;
constexpr int kBufferFrames = kRate / 5;

// Appends `buffers` 0.2 s buffers of a 1 kHz tone at -20 dBFS, or of silence.
void Append(std::vector<int16_t>& samples, int buffers, bool tone) {
    for (int f = 0; f < buffers * kBufferFrames; ++f) {
        const double v = tone ? 3277 * std::sin(2 * M_PI * 1000 * f / kRate) : 0;
        samples.push_back(static_cast<int16_t>(std::lround(v)));
        samples.push_back(static_cast<int16_t>(std::lround(v)));
    }
}

std::string AlsaConfig(const std::string& dir) {
    return "pcm.testcap { type file slave.pcm { type null } file \"/dev/null\" infile \"" + dir +
           "in.raw\" format \"raw\" hint.description \"Test capture\" }\n"
           "pcm.!default { type file slave.pcm { type null } file \"" +
           dir + "out.raw\" format \"raw\" }\n";
}

struct Moments {
    double started = -1, alert = -1, cancel = -1;
    int alerts = 0;
};

TEST(AlsaRun, SilenceOnARealCaptureDeviceRaisesAndEndsTheAlarm) {
    TempDir dir;
    // 10 silent buffers are one too few for MuonSec 2 (more than 10 needed); 11 are enough.
    std::vector<int16_t> in;
    Append(in, 5, true);
    Append(in, 10, false);
    Append(in, 5, true);
    Append(in, 11, false);
    Append(in, 300, true);
    WriteText(dir.File("in.raw"),
              std::string(reinterpret_cast<const char*>(in.data()), in.size() * sizeof(int16_t)));
    WriteText(dir.File("alsa.conf"), AlsaConfig(dir.Folder()));
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nnFreq=8000\nMuonSec=2\nHukkiSec=2\n"
              "MailAtRestoration=1\nDevInName_1=Test capture\nAuditName_1=Line\n");
    QProcessEnvironment env = testing::TestEnvironment(dir.Folder());
    env.insert("ALSA_CONFIG_PATH",
               QString::fromStdString("/usr/share/alsa/alsa.conf:" + dir.File("alsa.conf")));
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    p.start(SONIVEX_BINARY, testing::Args({"--dir", dir.Folder(), "--headless"}));
    ASSERT_TRUE(p.waitForStarted(10000));
    Moments m;
    std::string out;
    double toneFileSeen = -1;  // when out.raw was first seen
    uintmax_t sizeAtCancel = 0;
    while (clock.elapsed() < 20000 && (m.cancel < 0 || clock.elapsed() / 1000.0 < m.cancel + 1.5)) {
        p.waitForReadyRead(20);
        out += p.readAllStandardOutput().toStdString();
        const double now = clock.elapsed() / 1000.0;
        if (m.started < 0 && out.find("監視開始（起動）") != std::string::npos) m.started = now;
        if (m.alert < 0 && out.find("(両ch 2秒以上)") != std::string::npos) m.alert = now;
        if (toneFileSeen < 0 && std::filesystem::exists(dir.File("out.raw"))) toneFileSeen = now;
        if (m.cancel < 0 && out.find("(音声復旧)") != std::string::npos) {
            m.cancel = now;
            p.waitForReadyRead(100);  // the tick that cancelled has closed the tone by now
            sizeAtCancel = std::filesystem::file_size(dir.File("out.raw"));
        }
    }
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(10000));
    out += p.readAllStandardOutput().toStdString();
    std::cout << "alert " << m.alert - m.started << " s, cancel " << m.cancel - m.alert
              << " s later\n";
    EXPECT_EQ(p.exitCode(), 0);
    ASSERT_GE(m.started, 0) << out;
    ASSERT_GE(m.alert, 0) << out;
    ASSERT_GE(m.cancel, 0) << out;
    EXPECT_NE(out.find("*********終了**********"), std::string::npos);
    // One alert only: the first gap was one buffer short. The 31st buffer raised it (31 ticks),
    // and 10 buffers with sound ended it.
    size_t alerts = 0;
    for (size_t at = out.find("警報 "); at != std::string::npos; at = out.find("警報 ", at + 1))
        ++alerts;
    EXPECT_EQ(alerts, 1u) << out;
    EXPECT_GE(m.alert - m.started, 2.8);
    EXPECT_LE(m.alert - m.started, 6.0);
    EXPECT_GE(m.cancel - m.alert, 0.8);
    EXPECT_LE(m.cancel - m.alert, 3.0);
    // The default output got the triple beep, sample for sample, during the alert only.
    // (The tone opens just before the alert line is printed: allow for that moment.)
    EXPECT_GE(toneFileSeen, m.alert - 0.2);
    const std::string played = ReadText(dir.File("out.raw"));
    EXPECT_EQ(played.size(), sizeAtCancel);
    const std::vector<int16_t> beep = AlarmSamples(kRate);
    const size_t periodBytes = beep.size() * sizeof(int16_t);
    ASSERT_GE(played.size(), periodBytes);
    for (size_t at = 0; at + periodBytes <= played.size(); at += periodBytes)
        ASSERT_EQ(0, std::memcmp(played.data() + at, beep.data(), periodBytes)) << at;
}

}  // namespace
}  // namespace sonivex
