// ALSA playback: loops written sample-exact, volume per format, pause, underrun, unplug.
#include <gtest/gtest.h>

#include <memory>

#include "AlsaScriptedPcm.h"
#include "AlsaTestConfig.h"
#include "platform/AlsaDeviceList.h"
#include "platform/AlsaWaveOut.h"

namespace sonivex {
namespace {

using test::PcmFormat;
using Samples = std::vector<int16_t>;

// A header's stereo 16-bit samples, different for every header, frame and channel.
Samples Tone(int header, size_t frames) {
    Samples samples;
    for (size_t f = 0; f < frames; ++f) {
        for (int ch = 0; ch < 2; ++ch) {
            samples.push_back(static_cast<int16_t>((header + 1) * 5000 + f * 2 + ch));
        }
    }
    return samples;
}

struct Block {
    Samples samples;
    WaveHeader header;
    Block(int index, size_t frames, uint32_t flags = 0, uint32_t loops = 0)
        : samples(Tone(index, frames)) {
        header.data = reinterpret_cast<uint8_t*>(samples.data());
        header.bufferLength = static_cast<uint32_t>(samples.size() * sizeof(int16_t));
        header.flags = flags;
        header.loops = loops;
    }
    // A copy's header points at the copy's samples.
    Block(const Block& other) : samples(other.samples), header(other.header) {
        header.data = reinterpret_cast<uint8_t*>(samples.data());
    }
    Block& operator=(const Block&) = delete;
};

Samples FileSamples(const std::string& path) {
    const std::vector<uint8_t> bytes = test::ReadFileBytes(path);
    Samples samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

Samples Concat(std::initializer_list<const Samples*> parts) {
    Samples all;
    for (const Samples* part : parts) all.insert(all.end(), part->begin(), part->end());
    return all;
}

class AlsaFilePlaybackTest : public ::testing::Test {
  protected:
    void SetUp() override {
        files_ = &test::UseAlsaTestConfig();
        list_ = std::make_shared<AlsaDeviceList>();
        out_ = std::make_unique<AlsaWaveOut>(list_);
    }
    int Open(const WaveFormat& format = PcmFormat(44100)) {
        return out_->Open(test::IndexOfPcm(*list_, false, "testplay"), format);
    }
    void WriteAll(std::vector<Block>& blocks) {
        for (Block& block : blocks) {
            ASSERT_EQ(out_->PrepareHeader(block.header), MMSYSERR_NOERROR);
            ASSERT_EQ(out_->Write(block.header), MMSYSERR_NOERROR);
        }
    }
    const test::AlsaTestFiles* files_ = nullptr;
    std::shared_ptr<AlsaDeviceList> list_;
    std::unique_ptr<AlsaWaveOut> out_;
};

TEST_F(AlsaFilePlaybackTest, PlaysLoopRunsSampleExact) {
    constexpr uint32_t kBegin = WHDR_BEGINLOOP, kEnd = WHDR_ENDLOOP;
    struct Case {
        const char* name;
        std::vector<Block> blocks;
        std::vector<int> order;  // blocks in the order they must sound
    };
    std::vector<Case> cases;
    cases.push_back({"one header three times", {Block(0, 1000, kBegin | kEnd, 3)}, {0, 0, 0}});
    cases.push_back({"run of two twice, then a tail",
                     {Block(0, 500, kBegin, 2), Block(1, 700, kEnd), Block(2, 300)},
                     {0, 1, 0, 1, 2}});
    cases.push_back({"loop count 0 plays once", {Block(0, 400, kBegin | kEnd, 0)}, {0}});
    cases.push_back({"stray end flag", {Block(0, 400, kEnd, 5), Block(1, 200)}, {0, 1}});
    cases.push_back({"empty endless loop is skipped",
                     {Block(0, 0, kBegin | kEnd, kEndlessLoops), Block(1, 300)},
                     {1}});
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Open(), MMSYSERR_NOERROR);
        WriteAll(c.blocks);
        for (int tick = 0; tick < 20; ++tick) ASSERT_EQ(out_->Service(), MMSYSERR_NOERROR);
        Samples expected;
        for (int index : c.order) expected = Concat({&expected, &c.blocks[index].samples});
        for (const Block& block : c.blocks) EXPECT_NE(block.header.flags & WHDR_DONE, 0u);
        uint64_t position = 0;
        EXPECT_EQ(out_->GetPosition(position), MMSYSERR_NOERROR);
        EXPECT_EQ(position, expected.size() / 2);
        ASSERT_EQ(out_->Close(), MMSYSERR_NOERROR);
        EXPECT_EQ(FileSamples(files_->playbackFile), expected);
    }
}

TEST_F(AlsaFilePlaybackTest, EndlessLoopRepeatsUntilReset) {
    ASSERT_EQ(Open(), MMSYSERR_NOERROR);
    std::vector<Block> blocks;
    blocks.emplace_back(0, 1000, WHDR_BEGINLOOP | WHDR_ENDLOOP, kEndlessLoops);
    WriteAll(blocks);
    for (int tick = 0; tick < 3; ++tick) ASSERT_EQ(out_->Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(blocks[0].header.flags & WHDR_DONE, 0u);
    uint64_t played = 0;
    ASSERT_EQ(out_->GetPosition(played), MMSYSERR_NOERROR);
    EXPECT_GT(played, 3000u);
    ASSERT_EQ(out_->Reset(), MMSYSERR_NOERROR);
    EXPECT_NE(blocks[0].header.flags & WHDR_DONE, 0u);
    uint64_t afterReset = 1;
    ASSERT_EQ(out_->GetPosition(afterReset), MMSYSERR_NOERROR);
    EXPECT_EQ(afterReset, 0u);
    ASSERT_EQ(out_->Close(), MMSYSERR_NOERROR);
    const Samples file = FileSamples(files_->playbackFile);
    ASSERT_EQ(file.size(), played * 2);
    const Samples& tone = blocks[0].samples;
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
        ASSERT_EQ(out_->SetVolume(c.volume), MMSYSERR_NOERROR);
        WaveHeader header;
        header.data = c.in.data();
        header.bufferLength = static_cast<uint32_t>(c.in.size());
        ASSERT_EQ(out_->PrepareHeader(header), MMSYSERR_NOERROR);
        ASSERT_EQ(out_->Write(header), MMSYSERR_NOERROR);
        EXPECT_NE(header.flags & WHDR_DONE, 0u);
        ASSERT_EQ(out_->Close(), MMSYSERR_NOERROR);
        EXPECT_EQ(test::ReadFileBytes(files_->playbackFile), c.out);
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
        Block block(0, 3000);
        ASSERT_EQ(out.PrepareHeader(block.header), MMSYSERR_NOERROR);
        ASSERT_EQ(out.Write(block.header), MMSYSERR_NOERROR);
        device.Advance(1000);
        uint64_t position = 0;
        ASSERT_EQ(out.GetPosition(position), MMSYSERR_NOERROR);
        EXPECT_EQ(position, 1000u);

        ASSERT_EQ(out.Pause(), MMSYSERR_NOERROR);
        device.Advance(500);
        EXPECT_EQ(out.Service(), MMSYSERR_NOERROR);
        ASSERT_EQ(out.GetPosition(position), MMSYSERR_NOERROR);
        EXPECT_EQ(position, 1000u);
        EXPECT_EQ(device.played.size(), 2000u);

        ASSERT_EQ(out.Restart(), MMSYSERR_NOERROR);
        device.Advance(2500);
        EXPECT_EQ(device.played, block.samples);
        ASSERT_EQ(out.GetPosition(position), MMSYSERR_NOERROR);
        EXPECT_EQ(position, 3000u);
        EXPECT_NE(block.header.flags & WHDR_DONE, 0u);
    }
}

TEST(AlsaWaveOutTest, UnderrunIsRecoveredButAnUnpluggedDeviceIsGone) {
    test::ScriptedPcm device;
    AlsaWaveOut out(ScriptedList(), device.Opener());
    ASSERT_EQ(out.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    Block first(0, 1000), second(1, 1000), third(2, 500);
    for (Block* block : {&first, &second, &third}) {
        ASSERT_EQ(out.PrepareHeader(block->header), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(out.Write(first.header), MMSYSERR_NOERROR);
    device.Advance(1000);
    device.Overrun();
    ASSERT_EQ(out.Write(second.header), MMSYSERR_NOERROR);
    device.Advance(1000);
    EXPECT_EQ(device.played, Concat({&first.samples, &second.samples}));

    device.Unplug();
    EXPECT_EQ(out.Write(third.header), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.Pause(), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.ErrorText(MMSYSERR_NODRIVER),
              "There is no driver installed on your system. (ALSA: No such device on scripted)");
    EXPECT_EQ(out.Reset(), MMSYSERR_NODRIVER);
    EXPECT_NE(third.header.flags & WHDR_DONE, 0u);
    EXPECT_EQ(out.Close(), MMSYSERR_NOERROR);
}

TEST(AlsaWaveOutTest, ClosedDeviceRefusesEveryCall) {
    test::ScriptedPcm device;
    AlsaWaveOut out(ScriptedList(), device.Opener());
    Block block(0, 10);
    uint64_t position = 0;
    EXPECT_EQ(out.PrepareHeader(block.header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Write(block.header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Reset(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Pause(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Restart(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.GetPosition(position), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.SetVolume(0), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Service(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Close(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(out.Open(kScripted + 1, PcmFormat(8000)), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(out.ErrorText(MMSYSERR_BADDEVICEID),
              "The specified device identifier is out of range.");
}

}  // namespace
}  // namespace sonivex
