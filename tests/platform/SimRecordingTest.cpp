// Recordings of the simulated outputs and the wave writer, read back with sox as the reference.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <numeric>
#include <vector>

#include "TempDir.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/SimWaveOut.h"
#include "platform/WavWriter.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;

std::string Run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char chunk[256];
        while (size_t n = fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
        pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
    return output;
}

// One field of soxi for a file: r rate, c channels, b bits, s samples per channel.
std::string Soxi(char field, const std::string& path) {
    return Run(std::string("soxi -") + field + " '" + path + "' 2>&1");
}

// The sample bytes as sox decodes them, in the file's own encoding.
std::string SoxData(const std::string& path, const std::string& scratch) {
    Run("sox '" + path + "' -t raw '" + scratch + "' 2>&1");
    return ReadText(scratch);
}

WaveFormat Pcm(uint16_t tag, uint32_t rate, uint16_t channels, uint16_t bits) {
    WaveFormat f;
    f.formatTag = tag;
    f.samplesPerSec = rate;
    f.channels = channels;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    f.validBitsPerSample = bits;
    f.channelMask = channels == 6 ? 0x3F : 0;
    return f;
}

std::string Bytes(size_t count, uint8_t seed) {
    std::string bytes(count, '\0');
    std::iota(bytes.begin(), bytes.end(), static_cast<char>(seed));
    return bytes;
}

TEST(WavWriter, WritesFilesSoxReadsAtEveryStep) {
    TempDir dir;
    const struct {
        WaveFormat format;
        size_t firstFrames, moreFrames;
    } cases[] = {
        {Pcm(WAVE_FORMAT_PCM, 8000, 1, 8), 1001, 500},  // odd data: pad byte, then overwritten
        {Pcm(WAVE_FORMAT_PCM, 44100, 2, 16), 441, 4410},
        {Pcm(WAVE_FORMAT_EXTENSIBLE, 48000, 6, 24), 480, 97},
        {Pcm(WAVE_FORMAT_PCM, 22050, 8, 16), 3, 300},
    };
    for (const auto& c : cases) {
        const WaveFormat& f = c.format;
        const std::string path = dir.File("w" + std::to_string(f.bitsPerSample) + "_" +
                                          std::to_string(f.channels) + ".wav");
        WavWriter w;
        ASSERT_TRUE(w.Create(path, f)) << w.Error();
        EXPECT_EQ(Soxi('s', path), "0") << path;
        const std::string first = Bytes(c.firstFrames * f.blockAlign, 3);
        const std::string more = Bytes(c.moreFrames * f.blockAlign, 101);
        for (const std::string* part : {&first, &more}) {
            ASSERT_TRUE(w.Append(reinterpret_cast<const uint8_t*>(part->data()), part->size()));
            ASSERT_TRUE(w.Flush());
            EXPECT_EQ(std::filesystem::file_size(path) % 2, 0u) << path;
        }
        EXPECT_EQ(Soxi('r', path), std::to_string(f.samplesPerSec)) << path;
        EXPECT_EQ(Soxi('c', path), std::to_string(f.channels)) << path;
        EXPECT_EQ(Soxi('b', path), std::to_string(f.bitsPerSample)) << path;
        EXPECT_EQ(Soxi('s', path), std::to_string(c.firstFrames + c.moreFrames)) << path;
        EXPECT_EQ(SoxData(path, dir.File("raw")), first + more) << path;
        w.Close();
        EXPECT_EQ(Soxi('s', path), std::to_string(c.firstFrames + c.moreFrames)) << path;
    }
}

TEST(WavWriter, RefusesWhatItCannotWrite) {
    TempDir dir;
    WavWriter w;
    EXPECT_FALSE(w.Create(dir.File("no/such/folder/x.wav"), Pcm(WAVE_FORMAT_PCM, 8000, 2, 16)));
    EXPECT_NE(w.Error().find("no/such/folder/x.wav"), std::string::npos);
    for (const WaveFormat& bad :
         {Pcm(WAVE_FORMAT_PCM, 8000, 2, 12), Pcm(WAVE_FORMAT_PCM, 8000, 9, 16), Pcm(3, 8000, 2, 16),
          Pcm(WAVE_FORMAT_PCM, 0, 2, 16)}) {
        EXPECT_FALSE(w.Create(dir.File("bad.wav"), bad));
    }
    const uint8_t byte = 0;
    EXPECT_FALSE(w.Append(&byte, 1));
}

// Plays `page` for `ms` on an open device and services it every 100 ms or less.
void Play(FakeClock& clock, WaveOut& out, std::vector<uint8_t>& page, int64_t ms) {
    WaveHeader h;
    h.data = page.data();
    h.bufferLength = static_cast<uint32_t>(page.size());
    ASSERT_EQ(out.PrepareHeader(h), MMSYSERR_NOERROR);
    ASSERT_EQ(out.Write(h), MMSYSERR_NOERROR);
    for (int64_t t = 0; t < ms; t += 100) {
        clock.Advance(std::min<int64_t>(100, ms - t));
        ASSERT_EQ(out.Service(), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(out.Reset(), MMSYSERR_NOERROR);
    ASSERT_EQ(out.UnprepareHeader(h), MMSYSERR_NOERROR);
}

TEST(SimRecording, OutputsAppendWhatTheyPlayToAFilePerDevice) {
    TempDir dir;
    FakeClock clock;
    SimOptions options;
    options.recordFolder = dir.File("rec/sim");  // made on first use
    auto backend = CreateSimBackend(clock, options);
    const std::string path = options.recordFolder + "/Sim Out 2.wav";
    const WaveFormat format = Pcm(WAVE_FORMAT_PCM, 8000, 2, 16);
    std::vector<uint8_t> page(8000 * 4);
    std::iota(page.begin(), page.end(), uint8_t{5});

    auto first = backend->CreateWaveOut();
    ASSERT_EQ(first->Open(1, format), MMSYSERR_NOERROR);
    dynamic_cast<SimWaveOut&>(*first).KeepPlayed(true);
    Play(clock, *first, page, 350);
    EXPECT_EQ(Soxi('s', path), "2800");  // readable while the device is open
    ASSERT_EQ(first->Close(), MMSYSERR_NOERROR);

    auto again = backend->CreateWaveOut();
    ASSERT_EQ(again->Open(1, format), MMSYSERR_NOERROR);
    dynamic_cast<SimWaveOut&>(*again).KeepPlayed(true);
    Play(clock, *again, page, 120);
    EXPECT_EQ(Soxi('r', path), "8000");
    EXPECT_EQ(Soxi('c', path), "2");
    EXPECT_EQ(Soxi('s', path), "3760");
    const auto& a = dynamic_cast<SimWaveOut&>(*first).Played();
    const auto& b = dynamic_cast<SimWaveOut&>(*again).Played();
    std::string expected(a.begin(), a.end());
    expected.append(b.begin(), b.end());
    EXPECT_EQ(SoxData(path, dir.File("raw")), expected);
    EXPECT_EQ(expected.substr(2800 * 4, 40), std::string(page.begin(), page.begin() + 40));

    // Another format cannot go into the same file: played, not recorded.
    ASSERT_EQ(again->Close(), MMSYSERR_NOERROR);
    ASSERT_EQ(again->Open(1, Pcm(WAVE_FORMAT_PCM, 44100, 2, 16)), MMSYSERR_NOERROR);
    EXPECT_NE(dynamic_cast<SimWaveOut&>(*again).RecordError().find("Sim Out 2.wav"),
              std::string::npos);
    Play(clock, *again, page, 100);
    EXPECT_EQ(Soxi('s', path), "3760");

    // The default device records to a file of its own.
    auto tone = backend->CreateWaveOut();
    ASSERT_EQ(tone->Open(WAVE_MAPPER, format), MMSYSERR_NOERROR);
    Play(clock, *tone, page, 100);
    EXPECT_EQ(Soxi('s', options.recordFolder + "/default.wav"), "800");
    EXPECT_EQ(Soxi('s', path), "3760");
    EXPECT_FALSE(std::filesystem::exists(options.recordFolder + "/Sim Out 1.wav"));
}

}  // namespace
}  // namespace sonivex
