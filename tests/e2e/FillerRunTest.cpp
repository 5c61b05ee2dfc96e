// The filler of an input in alert plays, looped, on the input's output device and stops when the
// alert ends: on simulated devices in simulated time, and on ALSA through a file-plugin output.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "e2e/Run.h"
#include "platform/WavWriter.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr int kFillerFrames = 2803;  // not a multiple of any page: the loop point moves

// A stereo 16-bit filler at 8 kHz whose every sample tells where it came from.
std::vector<int16_t> MakeFiller(const std::string& path) {
    std::vector<int16_t> samples;
    for (int f = 0; f < kFillerFrames; ++f) {
        samples.push_back(static_cast<int16_t>(f * 7 + 100));
        samples.push_back(static_cast<int16_t>(-f * 5 - 100));
    }
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
size_t LoopedFrames(const std::string& bytes, size_t skip, const std::vector<int16_t>& filler) {
    std::vector<int16_t> played((bytes.size() - std::min(skip, bytes.size())) / 2);
    std::memcpy(played.data(), bytes.data() + skip, played.size() * 2);
    size_t f = 0;
    const size_t frames = played.size() / 2;
    for (; f < frames; ++f) {
        const size_t k = f % kFillerFrames;
        if (played[2 * f] != filler[2 * k] || played[2 * f + 1] != filler[2 * k + 1]) break;
    }
    for (size_t g = f; g < frames; ++g)
        if (played[2 * g] != 0 || played[2 * g + 1] != 0) return 0;
    return f;
}

TEST(FillerRun, SimulatedOutputPlaysTheFillerLoopedDuringTheAlertOnly) {
    TempDir dir;
    const std::vector<int16_t> filler = MakeFiller(dir.File("filler.wav"));
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nMuonSec=2\nHukkiSec=2\nSimRecord=1\nUseBeep=0\n"
              "DevInName_1=Sim In 1\nDevOutName_1=Sim Out 1\nFillerFile_1=" +
                  dir.File("filler.wav") + "\nSimSignal_1=tone -20 2; silence 5; tone -20 1000\n");
    const auto r = testing::RunSonivex(
        {"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast", "--quit-after", "20"},
        dir.Folder());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // Alert at 4.2 s (11 silent buffers after 2 s), end at 9.0 s (10 buffers after 7 s).
    const size_t looped = LoopedFrames(ReadText(dir.File("simout/Sim Out 1.wav")), 44, filler);
    EXPECT_GT(looped, 3u * kFillerFrames);  // several times round the loop point
    EXPECT_NEAR(looped / 8000.0, 9.0 - 4.2, 0.3);
}

TEST(FillerRun, AlsaOutputDeviceGetsTheLoopedFillerAndStopsAfterTheAlert) {
    TempDir dir;
    const std::string d = dir.Folder();
    const std::vector<int16_t> filler = MakeFiller(d + "filler.wav");
    std::vector<int16_t> in;  // 8 kHz capture: tone 1 s, silence 3 s, tone 30 s
    testing::AppendTone(in, 8000, true);
    testing::AppendTone(in, 8000 * 3, false);
    testing::AppendTone(in, 8000 * 30, true);
    WriteText(d + "in.raw", testing::RawBytes(in));
    WriteText(d + "sonivex.ini",
              "[conf]\nNumRec=0\nAutoRec=1\nnFreq=8000\nMuonSec=2\nHukkiSec=2\nUseBeep=0\n"
              "MailAtRestoration=1\nDevInName_1=Test capture\nDevOutName_1=Test output\n"
              "FillerFile_1=" +
                  d + "filler.wav\n");
    testing::LiveRun run(
        {"--dir", d, "--headless"},
        testing::AlsaEnvironment(
            d, testing::FilePcm("testcap", "Test capture", "/dev/null", d + "in.raw") +
                   testing::FilePcm("testout", "Test output", d + "out.raw")));
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.ReadUntil("(音声復旧)", 20000)) << run.out;
    run.ReadFor(1000);  // the stop-time silence has passed by now
    const uintmax_t sizeAfterStop = std::filesystem::file_size(d + "out.raw");
    run.ReadFor(1000);
    EXPECT_EQ(std::filesystem::file_size(d + "out.raw"), sizeAfterStop);
    run.Stop();
    EXPECT_GT(LoopedFrames(ReadText(d + "out.raw"), 0, filler), 2u * kFillerFrames);
}

}  // namespace
}  // namespace sonivex
