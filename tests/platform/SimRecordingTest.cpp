// Recordings of the simulated outputs and the wave writer, read back with sox as the reference.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <vector>

#include "Shell.h"
#include "TempDir.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/SimWaveOut.h"
#include "platform/WavWriter.h"

namespace sonivex {
namespace {

using testing::TempDir;

// One field of soxi for a file: r rate, c channels, b bits, s samples per channel.
std::string Soxi(char field, const std::string& path) {
    std::string out = testing::Shell(std::string("soxi -") + field + " '" + path + "' 2>&1");
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

// The sample bytes as sox decodes them, in the file's own encoding.
std::string SoxData(const std::string& path) {
    return testing::Shell("sox '" + path + "' -t raw - 2>/dev/null");
}

WaveFormat Pcm(uint32_t rate, uint16_t channels, uint16_t bits, uint16_t tag = WAVE_FORMAT_PCM) {
    const auto align = static_cast<uint16_t>(channels * bits / 8);
    return {tag, channels, rate, rate * align, align, bits, bits, channels == 6 ? 0x3Fu : 0u};
}

TEST(WavWriter, WritesFilesSoxReadsAfterEveryFlush) {
    TempDir dir;
    for (const WaveFormat& format :
         {Pcm(8000, 1, 8), Pcm(48000, 6, 24, WAVE_FORMAT_EXTENSIBLE), Pcm(22050, 8, 16)}) {
        const std::string path = dir.File(std::to_string(format.channels) + ".wav");
        SCOPED_TRACE(path);
        WavWriter w;
        ASSERT_TRUE(w.Create(path, format)) << w.Error();
        std::string all;
        for (size_t frames : {1001, 97}) {  // 8-bit mono: odd data with a pad byte, then not
            std::string part(frames * format.blockAlign, '\0');
            std::iota(part.begin(), part.end(), static_cast<char>(frames));
            ASSERT_TRUE(w.Append(reinterpret_cast<const uint8_t*>(part.data()), part.size()));
            ASSERT_TRUE(w.Flush());
            all += part;
            EXPECT_EQ(Soxi('s', path), std::to_string(all.size() / format.blockAlign));
            EXPECT_EQ(std::filesystem::file_size(path) % 2, 0u);
        }
        EXPECT_EQ(Soxi('r', path) + " " + Soxi('c', path) + " " + Soxi('b', path),
                  std::to_string(format.samplesPerSec) + " " + std::to_string(format.channels) +
                      " " + std::to_string(format.bitsPerSample));
        EXPECT_EQ(SoxData(path), all);
        w.Close();
        EXPECT_EQ(Soxi('s', path), "1098");
    }
}

TEST(WavWriter, RefusesWhatItCannotWrite) {
    TempDir dir;
    WavWriter w;
    EXPECT_FALSE(w.Create(dir.File("no/such/folder/x.wav"), Pcm(8000, 2, 16)));
    EXPECT_NE(w.Error().find("no/such/folder/x.wav"), std::string::npos);
    for (const WaveFormat& bad :
         {Pcm(8000, 2, 12), Pcm(8000, 9, 16), Pcm(8000, 2, 16, 3), Pcm(0, 2, 16)}) {
        EXPECT_FALSE(w.Create(dir.File("bad.wav"), bad));
    }
    const uint8_t byte = 0;
    EXPECT_FALSE(w.Append(&byte, 1));
}

// Opens sim output `device` and plays `page` on it for `ms`, serviced every 100 ms or less.
std::unique_ptr<WaveOut> Play(AudioBackend& backend, FakeClock& clock, int device,
                              const WaveFormat& format, std::vector<uint8_t>& page, int64_t ms) {
    auto out = backend.CreateWaveOut();
    EXPECT_EQ(out->Open(device, format), MMSYSERR_NOERROR);
    dynamic_cast<SimWaveOut&>(*out).KeepPlayed(true);
    WaveHeader h{page.data(), static_cast<uint32_t>(page.size())};
    EXPECT_EQ(out->PrepareHeader(h), MMSYSERR_NOERROR);
    EXPECT_EQ(out->Write(h), MMSYSERR_NOERROR);
    for (int64_t t = 0; t < ms; t += 100) {
        clock.Advance(std::min<int64_t>(100, ms - t));
        EXPECT_EQ(out->Service(), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(out->Reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(out->UnprepareHeader(h), MMSYSERR_NOERROR);
    return out;
}

const std::vector<uint8_t>& Played(const std::unique_ptr<WaveOut>& out) {
    return dynamic_cast<SimWaveOut&>(*out).Played();
}

TEST(SimRecording, OutputsAppendWhatTheyPlayToAFilePerDevice) {
    TempDir dir;
    FakeClock clock;
    SimOptions options;
    options.recordFolder = dir.File("rec/sim");  // made on first use
    auto backend = CreateSimBackend(clock, options);
    const std::string path = options.recordFolder + "/Sim Out 2.wav";
    const WaveFormat format = Pcm(8000, 2, 16);
    std::vector<uint8_t> page(8000 * 4);
    std::iota(page.begin(), page.end(), uint8_t{5});

    auto first = Play(*backend, clock, 1, format, page, 350);
    EXPECT_EQ(Soxi('s', path), "2800");  // readable while the device is open
    ASSERT_EQ(first->Close(), MMSYSERR_NOERROR);
    auto again = Play(*backend, clock, 1, format, page, 120);
    EXPECT_EQ(Soxi('r', path), "8000");
    EXPECT_EQ(Soxi('c', path), "2");
    EXPECT_EQ(Soxi('s', path), "3760");
    std::string expected(Played(first).begin(), Played(first).end());
    expected.append(Played(again).begin(), Played(again).end());
    EXPECT_EQ(SoxData(path), expected);
    EXPECT_EQ(expected.substr(2800 * 4, 40), std::string(page.begin(), page.begin() + 40));
    ASSERT_EQ(again->Close(), MMSYSERR_NOERROR);

    // Another format cannot go into the same file: played, not recorded.
    auto other = Play(*backend, clock, 1, Pcm(44100, 2, 16), page, 100);
    EXPECT_NE(dynamic_cast<SimWaveOut&>(*other).RecordError().find("Sim Out 2.wav"),
              std::string::npos);
    EXPECT_EQ(Soxi('s', path), "3760");
    // The default device records to a file of its own.
    Play(*backend, clock, WAVE_MAPPER, format, page, 100);
    EXPECT_EQ(Soxi('s', options.recordFolder + "/default.wav"), "800");
    EXPECT_FALSE(std::filesystem::exists(options.recordFolder + "/Sim Out 1.wav"));
}

}  // namespace
}  // namespace sonivex
