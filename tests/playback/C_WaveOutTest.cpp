// The streaming player on simulated outputs: what reaches the devices, sample for sample.
#include <gtest/gtest.h>

#include <cmath>

#include "PlayerHarness.h"
#include "playback/FaderCurve.h"

namespace sonivex::testing {
namespace {

struct LoopCase {
    const char* name;
    int rate, channels, bits, frames, diskPages, pageMs;
};

class LoopTest : public PlayerTest, public ::testing::WithParamInterface<LoopCase> {};

// Three seconds of a looping filler: exactly the file over and over, with no gap at a page
// boundary or at the loop point, whatever the file's length.
TEST_P(LoopTest, LoopedFillerPlaysTheFileRepeatedWithoutGaps) {
    const LoopCase& c = GetParam();
    Configure(c.pageMs, c.diskPages);
    Load("loop.wav", c.rate, c.channels, c.bits, c.frames);
    player.LoopOn(1);
    ASSERT_EQ(player.Play(), 1);
    Run(3000);
    const size_t block = static_cast<size_t>(c.channels * c.bits / 8);
    const std::vector<uint8_t>& played = Out(0).Played();
    ASSERT_EQ(played.size(), static_cast<size_t>(c.rate) * 3 * block);
    EXPECT_TRUE(played == Repeated(data, played.size()));
    EXPECT_EQ(ErrorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoopTest,
    ::testing::Values(LoopCase{"Stereo16PartPage", 48000, 2, 16, 7168 * 3 + 1000, 20, 150},
                      LoopCase{"OneFrameOverWholePages", 48000, 2, 16, 7168 * 2 + 1, 20, 150},
                      LoopCase{"Mono8Direct", 8000, 1, 8, 5000, 1, 150},
                      LoopCase{"Stereo8", 22050, 2, 8, 4099, 20, 150},
                      LoopCase{"Mono16", 16000, 1, 16, 2500, 20, 150},
                      LoopCase{"Stereo24", 44100, 2, 24, 10000, 20, 150},
                      LoopCase{"Mono24", 22050, 1, 24, 3001, 20, 150},
                      LoopCase{"RangeShorterThanAPage", 48000, 2, 16, 300, 20, 150},
                      LoopCase{"PageBelow256Frames", 8000, 2, 16, 1000, 20, 1}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(PlayerTest, StandbyPointIsWhereTheLoopGoesOn) {
    Configure();
    Load("stby.wav", 48000, 2, 16, 20000);
    player.LoopOn(1);
    player.StbyPoint(5000);
    ASSERT_EQ(player.Play(), 1);
    Run(2000);
    const auto& played = Out(0).Played();
    EXPECT_TRUE(played == Repeated(data, played.size(), 5000 * 4));
}

TEST_F(PlayerTest, RangePlayedOutStopsByItselfAndStartsOverFromZero) {
    Configure();
    Load("range.wav", 48000, 2, 16, 48000);
    player.FromSample(1000);
    player.ToSample(9000);
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(player.mode(), 3);
    Run(1000);
    EXPECT_EQ(player.mode(), 1);
    EXPECT_EQ(player.hWave(0), nullptr);
    const std::vector<uint8_t> range(data.begin() + 1000 * 4, data.begin() + 9000 * 4);
    EXPECT_TRUE(Out(0).Played() == range);
    // The next start goes back to the beginning of the file.
    player.ToSample(2000);
    ASSERT_EQ(player.Play(), 1);
    Run(500);
    EXPECT_TRUE(
        std::equal(data.begin(), data.begin() + 2000 * 4, Out(0).Played().begin() + range.size()));
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(PlayerTest, RangeSettersFollowTheirRules) {
    const std::string path = Load("rules.wav", 44100, 2, 16, 44100);
    struct Step {
        std::function<void()> set;
        int64_t from, to;
    };
    const Step steps[] = {
        {[&] { player.FromSample(50000); }, 44100, 44100},
        {[&] { player.FromSample(-5); }, 0, 44100},
        {[&] { player.FromMS(2000); }, 88200, 44100},  // not limited to the file
        {[&] { player.ToSample(100); }, 88200, 100},
        {[&] { player.ToSample(0); }, 88200, 44100},
        {[&] { player.ToMS(500); }, 88200, 22050},
        {[&] { player.ToMS(5000); }, 88200, 44100},
        {[&] { player.FileName(path); }, 0, 44100},  // the same file: only the range resets
    };
    for (const Step& step : steps) {
        step.set();
        EXPECT_EQ(player.FromSample(), step.from);
        EXPECT_EQ(player.ToSample(), step.to);
    }
    player.FromSample(22050);
    EXPECT_EQ(player.FromMS(), 500);
    EXPECT_EQ(player.Length(), 1000);
}

// A filler replaced on disk between two alerts plays as it is now, not as it was first read.
TEST_F(PlayerTest, AFileReplacedUnderItsNameIsReadAfresh) {
    Configure();
    const std::string path = Load("filler.wav", 8000, 2, 16, 4000);
    ASSERT_EQ(player.Play(), 1);
    Run(300);
    player.StopIO(1);
    const std::vector<uint8_t> fresh = TestSamples(3000, 2, 16, 99);
    WriteWave(path, 8000, 2, 16, fresh);
    player.FileName(path);
    EXPECT_EQ(player.Length(), 375);
    const size_t before = Out(0).Played().size();
    ASSERT_EQ(player.Play(), 1);
    Run(300);
    const std::vector<uint8_t>& played = Out(0).Played();
    ASSERT_GE(played.size(), before + 2000);
    EXPECT_TRUE(std::equal(fresh.begin(), fresh.begin() + 2000, played.begin() + before));
}

struct LeadCase {
    int rate, channels, bits, delayMs, leadFrames;
    uint8_t silence;
};

class LeadInTest : public PlayerTest, public ::testing::WithParamInterface<LeadCase> {};

// The lead-in is whole frames of true silence, and the file follows it at once.
TEST_P(LeadInTest, SilenceOfTheDelayThenTheFile) {
    const LeadCase& c = GetParam();
    player.DelayMS(c.delayMs);
    Configure();
    Load("lead.wav", c.rate, c.channels, c.bits, 4000);
    ASSERT_EQ(player.Play(), 1);
    Run(2000);
    const size_t lead = static_cast<size_t>(c.leadFrames * c.channels * c.bits / 8);
    std::vector<uint8_t> expected(lead, c.silence);
    expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_TRUE(Out(0).Played() == expected);
    EXPECT_EQ(Out(0).misaligned, 0);
}

INSTANTIATE_TEST_SUITE_P(Delays, LeadInTest,
                         ::testing::Values(LeadCase{44100, 2, 16, 50, 2205, 0},
                                           LeadCase{44100, 2, 16, 7, 309, 0},  // 308.7 frames
                                           LeadCase{8000, 1, 8, 20, 160, 128},
                                           LeadCase{48000, 2, 24, 10, 480, 0}));

struct PairCase {
    int channels, bits;
};

class SurroundTest : public PlayerTest, public ::testing::WithParamInterface<PairCase> {};

TEST_P(SurroundTest, SplitIntoStereoPairsOnePerDevice) {
    const PairCase& c = GetParam();
    const int ids[] = {3, 5, 6, 1};
    player.DeviceID(ids[0]);
    for (int d = 1; d < 4; ++d) player.SetExtDeviceID(d, ids[d]);
    Configure();
    Load("surround.wav", 48000, c.channels, c.bits, 20000);
    ASSERT_EQ(player.Play(), 1);
    Run(100);
    const int pairs = c.channels / 2;
    ASSERT_EQ(backend.outs.size(), static_cast<size_t>(pairs));
    for (int d = 0; d < pairs; ++d) EXPECT_EQ(Out(d).DeviceName(), SimOutName(ids[d]));
    Run(1000);
    const size_t sample = c.bits / 8, frame = sample * c.channels;
    for (int d = 0; d < pairs; ++d) {
        EXPECT_EQ(Out(d).format.channels, 2);
        EXPECT_EQ(Out(d).format.formatTag, WAVE_FORMAT_PCM);
        std::vector<uint8_t> pair;
        for (size_t f = 0; f < 20000; ++f) {
            const auto at = data.begin() + f * frame + d * 2 * sample;
            pair.insert(pair.end(), at, at + 2 * sample);
        }
        EXPECT_TRUE(Out(d).Played() == pair) << "pair " << d;
    }
}

TEST_P(SurroundTest, ExtensibleIsOneMultichannelStream) {
    const PairCase& c = GetParam();
    player.UseExtensible(1);
    Configure();
    Load("surround.wav", 48000, c.channels, c.bits, 20000);
    ASSERT_EQ(player.Play(), 1);
    Run(1000);
    ASSERT_EQ(backend.outs.size(), 1u);
    const WaveFormat& f = Out(0).format;
    EXPECT_EQ(f.formatTag, WAVE_FORMAT_EXTENSIBLE);
    EXPECT_EQ(f.channels, c.channels);
    EXPECT_EQ(f.channelMask, 63u);
    EXPECT_EQ(f.validBitsPerSample, c.bits);
    EXPECT_EQ(f.blockAlign, c.channels * c.bits / 8);
    EXPECT_TRUE(Out(0).Played() == data);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurroundTest,
                         ::testing::Values(PairCase{6, 16}, PairCase{6, 24}, PairCase{8, 16},
                                           PairCase{8, 24}));

// A steady 20000 in both channels, attenuated by 20 dB (half the fader travel, gain 0.172).
TEST_F(PlayerTest, AttenuationAndPanSetTheSoftwareGainsOrTheDeviceVolume) {
    std::vector<uint8_t> bytes;
    for (int s = 0; s < 4800 * 2; ++s) bytes.insert(bytes.end(), {0x20, 0x4E});
    const std::string path = WriteWave(temp.File("level.wav"), 48000, 2, 16, bytes);
    for (const bool mixer : {false, true}) {
        SCOPED_TRACE(mixer ? "mixer" : "software");
        Configure();
        player.FileName(path);
        player.UseMixer(mixer);
        player.UsePeakVol(!mixer);
        player.PanValue(mixer ? 0 : -5000);
        player.Attenuation(-2000);
        ASSERT_EQ(player.Play(), 1);
        Run(200);
        const auto& played = Out(backend.outs.size() - 1).Played();
        ASSERT_GE(played.size(), 4u);
        const int16_t left = static_cast<int16_t>(played[0] | played[1] << 8);
        const int16_t right = static_cast<int16_t>(played[2] | played[3] << 8);
        EXPECT_NEAR(left, 20000 * FaderGainAt(0.5), mixer ? 2 : 20);
        if (!mixer) {
            EXPECT_NEAR(20 * std::log10(static_cast<double>(right) / left), -30.0, 0.1);
        }
        player.StopIO(1);
    }
    player.Attenuation(100);
    EXPECT_EQ(player.Attenuation(), 0);
    player.Attenuation(-9000);
    EXPECT_EQ(player.Attenuation(), -4000);
}

struct LevelCase {
    int channels, bits;
    uint8_t high[3], low[3];  // one sample's bytes, alternating frame by frame
    int peak, rms;
};

class LevelTest : public PlayerTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(LevelTest, PeakAndRmsOnAnEightBitScale) {
    const LevelCase& c = GetParam();
    const int bytes = c.bits / 8;
    std::vector<uint8_t> samples;
    for (int f = 0; f < 48000; ++f) {
        for (int ch = 0; ch < c.channels; ++ch) {
            const uint8_t* s = f % 2 ? c.low : c.high;
            samples.insert(samples.end(), s, s + bytes);
        }
    }
    Configure();
    player.FileName(WriteWave(temp.File("peak.wav"), 48000, c.channels, c.bits, samples));
    player.UsePeakVol(1);
    player.LoopOn(1);
    ASSERT_EQ(player.Play(), 1);
    Run(300);
    for (int ch = 0; ch < 8; ++ch) {
        EXPECT_EQ(player.Peak(ch), c.peak) << ch;
        EXPECT_EQ(player.RMS(ch), c.rms) << ch;
    }
    player.UsePeakVol(0);
    EXPECT_EQ(player.Peak(0), 0);
}

INSTANTIATE_TEST_SUITE_P(
    FullScale, LevelTest,
    ::testing::Values(LevelCase{2, 16, {0xFF, 0x7F}, {0x00, 0x80}, 128, 128},
                      LevelCase{1, 16, {0xFF, 0x7F}, {0x00, 0x80}, 128, 128},
                      LevelCase{2, 8, {255}, {0}, 128, 128},
                      LevelCase{1, 24, {0xFF, 0xFF, 0x7F}, {0x00, 0x00, 0x80}, 128, 128},
                      LevelCase{2, 16, {0x00, 0x40}, {0x00, 0xC0}, 64, 64},
                      LevelCase{2, 16, {0x00, 0x40}, {0x00, 0x00}, 64, 45}));

TEST_F(PlayerTest, PositionFollowsTheLoop) {
    Configure();
    Load("pos.wav", 44100, 2, 16, 44100);
    EXPECT_EQ(player.Position(0), 0);
    player.LoopOn(1);
    ASSERT_EQ(player.Play(), 1);
    Run(1500);
    EXPECT_EQ(player.Position(0), 500);
    EXPECT_EQ(player.Position(1), 500);
    EXPECT_EQ(player.Position(2), 500);
}

}  // namespace
}  // namespace sonivex::testing
