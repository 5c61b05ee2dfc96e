// ALSA playback: loops written sample-exact, volume per format, pause, underrun, unplug.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

#include "AlsaScriptedPcm.h"
#include "AlsaTestConfig.h"
#include "TempDir.h"
#include "platform/AlsaDeviceList.h"
#include "platform/AlsaWaveOut.h"

namespace sonivex {
namespace {

using test::PcmFormat;
using Samples = std::vector<int16_t>;

// Stereo 16-bit samples, different for every `index`, frame and channel.
Samples Tone(size_t index, size_t frames) {
    Samples samples(frames * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>((index + 1) * 5000 + i);
    }
    return samples;
}

WaveHeader HeaderOf(Samples& samples, uint32_t flags = 0, uint32_t loops = 0) {
    return {reinterpret_cast<uint8_t*>(samples.data()),
            static_cast<uint32_t>(samples.size() * sizeof(int16_t)), 0, flags, loops};
}

void Queue(WaveOut& out, WaveHeader& header) {
    ASSERT_EQ(out.PrepareHeader(header), MMSYSERR_NOERROR);
    ASSERT_EQ(out.Write(header), MMSYSERR_NOERROR);
}

uint64_t Position(WaveOut& out) {
    uint64_t frames = 0;
    EXPECT_EQ(out.GetPosition(frames), MMSYSERR_NOERROR);
    return frames;
}

Samples FileSamples(const std::string& path) {
    const std::string bytes = testing::ReadText(path);
    Samples samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(int16_t));
    return samples;
}

class AlsaFilePlaybackTest : public ::testing::Test {
  protected:
    int Open(const WaveFormat& format = PcmFormat(44100)) {
        return out_.Open(test::IndexOfPcm(*list_, false, "testplay"), format);
    }
    const std::string& file_ = test::UseAlsaTestConfig();
    std::shared_ptr<AlsaDeviceList> list_ = std::make_shared<AlsaDeviceList>();
    AlsaWaveOut out_{list_};
};

TEST_F(AlsaFilePlaybackTest, PlaysLoopRunsSampleExact) {
    constexpr uint32_t kBegin = WHDR_BEGINLOOP, kEnd = WHDR_ENDLOOP;
    const struct {
        const char* name;
        std::vector<std::array<uint32_t, 3>> blocks;  // frames, flags, loops
        std::vector<size_t> order;                    // blocks in the order they must sound
    } cases[] = {
        {"one header three times", {{1000, kBegin | kEnd, 3}}, {0, 0, 0}},
        {"run of two twice, then a tail",
         {{500, kBegin, 2}, {700, kEnd, 0}, {300, 0, 0}},
         {0, 1, 0, 1, 2}},
        {"loop count 0 plays once", {{400, kBegin | kEnd, 0}}, {0}},
        {"stray end flag", {{400, kEnd, 5}, {200, 0, 0}}, {0, 1}},
        {"empty endless loop is skipped", {{0, kBegin | kEnd, kEndlessLoops}, {300, 0, 0}}, {1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Open(), MMSYSERR_NOERROR);
        const size_t n = c.blocks.size();
        std::vector<Samples> tones(n);
        std::vector<WaveHeader> headers(n);
        for (size_t i = 0; i < n; ++i) {
            tones[i] = Tone(i, c.blocks[i][0]);
            headers[i] = HeaderOf(tones[i], c.blocks[i][1], c.blocks[i][2]);
            Queue(out_, headers[i]);
        }
        for (int tick = 0; tick < 20; ++tick) ASSERT_EQ(out_.Service(), MMSYSERR_NOERROR);
        Samples expected;
        for (size_t i : c.order) expected.insert(expected.end(), tones[i].begin(), tones[i].end());
        for (const WaveHeader& header : headers) EXPECT_NE(header.flags & WHDR_DONE, 0u);
        EXPECT_EQ(Position(out_), expected.size() / 2);
        ASSERT_EQ(out_.Close(), MMSYSERR_NOERROR);
        EXPECT_EQ(FileSamples(file_), expected);
    }
}

TEST_F(AlsaFilePlaybackTest, EndlessLoopRepeatsUntilReset) {
    ASSERT_EQ(Open(), MMSYSERR_NOERROR);
    Samples tone = Tone(0, 1000);
    WaveHeader header = HeaderOf(tone, WHDR_BEGINLOOP | WHDR_ENDLOOP, kEndlessLoops);
    Queue(out_, header);
    for (int tick = 0; tick < 3; ++tick) ASSERT_EQ(out_.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(header.flags & WHDR_DONE, 0u);
    const uint64_t played = Position(out_);
    EXPECT_GT(played, 3000u);
    ASSERT_EQ(out_.Reset(), MMSYSERR_NOERROR);
    EXPECT_NE(header.flags & WHDR_DONE, 0u);
    EXPECT_EQ(Position(out_), 0u);
    ASSERT_EQ(out_.Close(), MMSYSERR_NOERROR);
    const Samples file = FileSamples(file_);
    ASSERT_EQ(file.size(), played * 2);
    for (size_t i = 0; i < file.size(); ++i) ASSERT_EQ(file[i], tone[i % tone.size()]) << i;
}

TEST_F(AlsaFilePlaybackTest, ScalesSamplesByTheVolumeInEachFormat) {
    constexpr uint32_t kHalfLeftQuarterRight = 0x4000'8000;
    struct Case {
        uint16_t bits;
        uint32_t volume;
        std::vector<uint8_t> in, out;  // stereo frames, raw little-endian bytes
    } cases[] = {
        {8, kHalfLeftQuarterRight, {228, 228, 28, 28, 255, 0}, {178, 153, 78, 103, 191, 96}},
        {16,
         kHalfLeftQuarterRight,
         {0xE8, 0x03, 0xE8, 0x03, 0xFF, 0x7F, 0x00, 0x80},   // 1000, 1000, 32767, -32768
         {0xF4, 0x01, 0xFA, 0x00, 0xFF, 0x3F, 0x00, 0xE0}},  // 500, 250, 16383, -8192
        {16, kFullVolume, {0xE8, 0x03, 0x00, 0x80}, {0xE8, 0x03, 0x00, 0x80}},
        {24,
         kHalfLeftQuarterRight,
         {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80},   // 8388607, -8388608
         {0x3F, 0x00, 0x40, 0xE0, 0xFF, 0xDF}},  // 4194367, -2097184
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.bits);
        ASSERT_EQ(Open(PcmFormat(44100, 2, c.bits)), MMSYSERR_NOERROR);
        ASSERT_EQ(out_.SetVolume(c.volume), MMSYSERR_NOERROR);
        WaveHeader header{c.in.data(), static_cast<uint32_t>(c.in.size())};
        Queue(out_, header);
        EXPECT_NE(header.flags & WHDR_DONE, 0u);
        ASSERT_EQ(out_.Close(), MMSYSERR_NOERROR);
        EXPECT_EQ(testing::ReadText(file_), std::string(c.out.begin(), c.out.end()));
    }
}

std::shared_ptr<const DeviceList> ScriptedList() {
    return std::make_shared<AlsaDeviceList>(
        std::vector<PcmHint>{{test::kScriptedPcmName, "Scripted", ""}});
}
constexpr int kScripted = 1;

TEST(AlsaWaveOutTest, PauseAndRestartLoseNoSampleWithOrWithoutHardwarePause) {
    for (bool hardwarePause : {true, false}) {
        SCOPED_TRACE(hardwarePause ? "hardware pause" : "emulated pause");
        test::ScriptedPcm device(hardwarePause);
        AlsaWaveOut out(ScriptedList(), device.Opener());
        ASSERT_EQ(out.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
        Samples tone = Tone(0, 3000);
        WaveHeader header = HeaderOf(tone);
        Queue(out, header);
        device.Advance(1000);
        EXPECT_EQ(Position(out), 1000u);
        ASSERT_EQ(out.Pause(), MMSYSERR_NOERROR);
        device.Advance(500);
        EXPECT_EQ(out.Service(), MMSYSERR_NOERROR);
        EXPECT_EQ(Position(out), 1000u);
        EXPECT_EQ(device.played.size(), 2000u);
        ASSERT_EQ(out.Restart(), MMSYSERR_NOERROR);
        device.Advance(2500);
        EXPECT_EQ(Position(out), 3000u);
        EXPECT_EQ(device.played, tone);
        EXPECT_NE(header.flags & WHDR_DONE, 0u);
    }
}

TEST(AlsaWaveOutTest, UnderrunIsRecoveredButAnUnpluggedDeviceIsGone) {
    test::ScriptedPcm device;
    AlsaWaveOut out(ScriptedList(), device.Opener());
    Samples first = Tone(0, 1000), second = Tone(1, 1000), third = Tone(2, 500);
    WaveHeader headers[] = {HeaderOf(first), HeaderOf(second), HeaderOf(third)};
    for (int result : {out.PrepareHeader(headers[0]), out.Write(headers[0]), out.Reset(),
                       out.Pause(), out.Service(), out.Close()}) {
        EXPECT_EQ(result, MMSYSERR_INVALHANDLE) << "not open yet";
    }
    ASSERT_EQ(out.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    Queue(out, headers[0]);
    ASSERT_EQ(out.PrepareHeader(headers[2]), MMSYSERR_NOERROR);
    device.Advance(1000);
    device.Overrun();
    Queue(out, headers[1]);
    device.Advance(1000);
    Samples both = first;
    both.insert(both.end(), second.begin(), second.end());
    EXPECT_EQ(device.played, both);

    device.Unplug();
    EXPECT_EQ(out.Write(headers[2]), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.Pause(), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.ErrorText(MMSYSERR_NODRIVER),
              "There is no driver installed on your system. (ALSA: No such device on scripted)");
    EXPECT_EQ(out.Reset(), MMSYSERR_NODRIVER);
    EXPECT_NE(headers[2].flags & WHDR_DONE, 0u);
    EXPECT_EQ(out.Close(), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace sonivex
