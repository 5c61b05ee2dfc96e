// The streaming player on simulated outputs on a fake clock: what reaches the devices, sample for
// sample; stopping with its silence; devices kept open; failures reported.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "HostileWaves.h"
#include "TempDir.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SimWaveOut.h"
#include "platform/WavWriter.h"
#include "playback/C_WaveOut.h"
#include "playback/FaderCurve.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex::testing {
namespace {

// A simulated output that keeps what it played, counts opens and answers chosen calls with a
// failure code.
class TestOut : public SimWaveOut {
  public:
    TestOut(const Clock& clock, std::map<std::string, int>& failures)
        : SimWaveOut(clock, nullptr), fail(failures) {
        KeepPlayed(true);
    }
    int Open(int id, const WaveFormat& f) override {
        ++opens;
        format = f;
        return fail.count("Open") ? fail["Open"] : SimWaveOut::Open(id, f);
    }
    int Write(WaveHeader& h) override {
        if (h.bufferLength % format.blockAlign != 0) ++misaligned;
        // A refused buffer is not queued, as a real device refuses it.
        return fail.count("Write") ? fail["Write"] : SimWaveOut::Write(h);
    }
    int Service() override {
        return fail.count("Service") ? fail["Service"] : SimWaveOut::Service();
    }
    std::string ErrorText(int code) const override { return "device says " + std::to_string(code); }

    std::map<std::string, int>& fail;  // call name → result code, shared by all devices
    int opens = 0;
    int misaligned = 0;  // buffers queued that do not hold whole frames
    WaveFormat format;
};

class TestBackend : public AudioBackend {
  public:
    explicit TestBackend(const Clock& clock)
        : clock_(clock), sim_(CreateSimBackend(clock, SimOptions{})) {}
    const DeviceList& Devices() const override { return sim_->Devices(); }
    std::unique_ptr<WaveIn> CreateWaveIn() override { return sim_->CreateWaveIn(); }
    std::unique_ptr<WaveOut> CreateWaveOut() override {
        auto out = std::make_unique<TestOut>(clock_, fail);
        outs.push_back(out.get());
        return out;
    }
    std::vector<TestOut*> outs;  // in creation order: slot 0 first
    std::map<std::string, int> fail;

  private:
    const Clock& clock_;
    std::unique_ptr<AudioBackend> sim_;
};

// Message boxes as "title|text|flags", answered OK.
struct RecordingBox : MessageBoxService {
    int Show(const std::string& text, int flags, const std::string& title) override {
        shown.push_back(title + "|" + text + "|" + std::to_string(flags));
        return IDOK;
    }
    std::vector<std::string> shown;
};

// Sample bytes of a test file: every sample differs from its neighbours; 16-bit samples avoid
// -32768, which the gain stage writes as -32767.
std::vector<uint8_t> TestSamples(int frames, int channels, int bits, unsigned seed = 7) {
    std::mt19937 random(seed);
    std::vector<uint8_t> data(static_cast<size_t>(frames) * channels * bits / 8);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(random());
    if (bits == 16) {
        for (size_t i = 1; i < data.size(); i += 2) {
            if (data[i] == 0x80 && data[i - 1] == 0) data[i - 1] = 1;
        }
    }
    return data;
}

std::string WriteWave(const std::string& path, uint32_t rate, uint16_t channels, uint16_t bits,
                      const std::vector<uint8_t>& data) {
    const uint16_t align = channels * bits / 8;
    WavWriter writer;
    EXPECT_TRUE(
        writer.Create(path, {WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, bits, 0}))
        << writer.Error();
    EXPECT_TRUE(writer.Append(data.data(), data.size()));
    writer.Close();
    return path;
}

class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramClock(&clock);
        SetMessageBoxService(&box);
        LogConfig config;
        config.folder = temp.Folder() + "log/";
        ConfigureLog(config);
        player.Init();
    }
    void TearDown() override {
        // Handlers may refer to the test's locals; the stop must not run on another clock.
        player.MutingProc = nullptr;
        player.CloseWave();
        SetMessageBoxService(nullptr);
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    // Moves the clock in main-timer ticks, servicing the player on each.
    void Run(int ms) {
        for (int t = 0; t < ms; t += kTickMs) {
            clock.Advance(kTickMs);
            player.ProgressionPlay();
        }
    }
    std::string ErrorLog() const { return ReadText(LogFilePath(1)); }
    int Count(const std::string& text) const {
        const std::string log = ErrorLog();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }
    TestOut& Out(size_t i) { return *backend.outs.at(i); }
    // The monitor's own player settings.
    void Configure(int pageMs = 150, int diskPages = 20) {
        player.BufferPagemsec(pageMs);
        player.NumBufferPages(kPages);
        player.NumDiskBufferPages(diskPages);
        player.NumBufferToPlay(10);
        player.Init();
    }
    // Writes a test file of `frames` frames and loads it; `data` holds its samples.
    std::string Load(const std::string& name, int rate, int channels, int bits, int frames) {
        data = TestSamples(frames, channels, bits);
        const std::string path = WriteWave(temp.File(name), rate, channels, bits, data);
        player.FileName(path);
        return path;
    }

    static constexpr int kTickMs = 100;
    static constexpr int kPages = 60;
    TempDir temp;
    FakeClock clock;
    RecordingBox box;
    TestBackend backend{clock};
    C_WaveOut player{backend};
    std::vector<uint8_t> data;
};

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
    const std::vector<uint8_t>& played = Out(0).Played();
    ASSERT_EQ(played.size(), static_cast<size_t>(c.rate) * 3 * c.channels * c.bits / 8);
    for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], data[i % data.size()]) << i;
    EXPECT_EQ(Out(0).misaligned, 0);
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

struct MuteCase {
    const char* name;
    int muteMs;
    int advancePerEvent;  // ms the fake clock moves on each MutingProc
    int cancelOnEvent;    // 0 = never
    int events;
    int rate = 48000, bits = 16;
};

class MuteTest : public PlayerTest, public ::testing::WithParamInterface<MuteCase> {};

// After the stop the devices play nothing but silence (the midpoint for 8 bits) until the wait
// ends: by time, by its step count, or when a MutingProc handler cancels it.
TEST_P(MuteTest, StopTimeSilence) {
    const MuteCase& c = GetParam();
    player.MuteMS(c.muteMs);
    Configure();
    Load("mute.wav", c.rate, 2, c.bits, c.rate * 2);
    player.LoopOn(1);
    ASSERT_EQ(player.Play(), 1);
    Run(500);
    const size_t audio = Out(0).Played().size();
    int events = 0;
    player.MutingProc = [&] {
        ++events;
        EXPECT_EQ(player.WhileMute(), 1);
        EXPECT_EQ(player.mode(), 3);
        clock.Advance(c.advancePerEvent);
        if (events == c.cancelOnEvent) player.CancelMute(1);
    };
    player.StopIO();
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(player.WhileMute(), 0);
    EXPECT_EQ(player.mode(), 1);
    const auto& played = Out(0).Played();
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + audio, played.begin()));
    const uint8_t silence = c.bits == 8 ? 128 : 0;
    EXPECT_TRUE(std::all_of(played.begin() + audio, played.end(),
                            [silence](uint8_t b) { return b == silence; }));
    const size_t frameBytes = 2 * c.bits / 8;
    const size_t advanced = static_cast<size_t>(events * c.advancePerEvent * c.rate / 1000);
    EXPECT_LE(played.size() - audio, advanced * frameBytes);
    if (c.advancePerEvent > 0) {
        EXPECT_GT(played.size(), audio + 100) << "no silence played";
    }
    EXPECT_EQ(ErrorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(Ends, MuteTest,
                         ::testing::Values(MuteCase{"ByTime", 200, 60, 0, 4},
                                           MuteCase{"BySteps", 30, 0, 0, 3},
                                           MuteCase{"ByCancel", 200, 20, 2, 2},
                                           MuteCase{"EightBitMidpoint", 100, 30, 0, 4, 8000, 8}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(PlayerTest, StopWithoutMuteAndLoadingWhilePlayingSkipTheSilence) {
    player.MuteMS(100);
    Configure();
    Load("a.wav", 48000, 2, 16, 48000);
    int events = 0;
    player.MutingProc = [&] { ++events; };
    ASSERT_EQ(player.Play(), 1);
    player.StopIO(1);
    ASSERT_EQ(player.Play(), 1);
    Load("b.wav", 48000, 2, 16, 48000);
    EXPECT_EQ(player.mode(), 1);
    ASSERT_EQ(player.Play(), 1);
    ASSERT_EQ(player.Play(), 1);  // a restart stops without the silence too
    EXPECT_EQ(events, 0);
}

TEST_F(PlayerTest, NoCloseKeepsDevicesForTheSameFormatOnly) {
    player.NoClose(1);
    Configure();
    Load("a.wav", 48000, 2, 16, 48000);
    ASSERT_EQ(player.Play(), 1);
    const WaveOut* device = player.hWave(0);
    ASSERT_NE(device, nullptr);
    player.StopIO();
    EXPECT_EQ(player.hWave(0), device);
    Load("b.wav", 48000, 2, 16, 24000);
    EXPECT_EQ(player.hWave(0), device);
    ASSERT_EQ(player.Play(), 1);
    Run(600);
    EXPECT_EQ(Out(0).opens, 1);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), Out(0).Played().begin()));
    Load("c.wav", 44100, 1, 16, 44100);
    EXPECT_EQ(player.hWave(0), nullptr);
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Out(0).opens, 2);
    EXPECT_EQ(Out(0).format.channels, 1);
}

// Without NoClose a stop closes the devices; a stop on closed devices logs every failed call.
TEST_F(PlayerTest, WithoutNoCloseStopClosesTheDevices) {
    Configure();
    const std::string path = Load("six.wav", 48000, 6, 16, 4800);
    player.StopIO();
    const std::string tail = "r=5 " + path;
    EXPECT_EQ(Count("waveOutReset (StopIO1) Failed " + tail), 3);
    EXPECT_EQ(Count("waveOutUnprepareHeader (StopIO) Failed " + tail), 3 * kPages);
    EXPECT_EQ(Count("waveOutClose (StopIO) Failed " + tail), 3);
    ASSERT_EQ(player.Play(), 1);
    player.StopIO();
    EXPECT_EQ(player.hWave(0), nullptr);
    EXPECT_EQ(Out(0).DeviceName(), "");
    EXPECT_EQ(Count("Failed"), 3 + 3 * kPages + 3);
}

TEST_F(PlayerTest, FailingWritesAreLoggedAndPlaybackGoesOn) {
    Configure();
    const std::string path = Load("w.wav", 48000, 2, 16, 96000);
    player.LoopOn(1);
    backend.fail["Write"] = 5;
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Count("waveOutWrite (Start1) Failed r=5 " + path + "\n"), 10);
    backend.fail.clear();
    ASSERT_EQ(player.Play(), 1);
    Run(300);
    backend.fail["Write"] = 5;
    Run(300);
    EXPECT_GT(Count("waveOutWrite (ProgPlay) Failed r=5 " + path + "\n"), 0);
}

// Kept open under NoClose, a device that failed is opened afresh at the next start.
TEST_F(PlayerTest, ADeviceThatFailsForGoodIsReportedOnceAndReopenedAtTheNextStart) {
    player.NoClose(1);
    Configure();
    const std::string path = Load("s.wav", 48000, 2, 16, 96000);
    ASSERT_EQ(player.Play(), 1);
    backend.fail["Service"] = MMSYSERR_NODRIVER;
    Run(1000);
    EXPECT_EQ(Count("waveOutService (ProgPlay) Failed r=6 " + path), 1);
    player.StopIO();
    backend.fail.clear();
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(backend.outs[0]->opens, 2);
    player.StopIO();
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(backend.outs[0]->opens, 2) << "a sound device stays open";
}

TEST_F(PlayerTest, OpenFailureShowsTheDeviceTextAndPlayFailsAsOnAForbiddenDevice) {
    Configure();
    Load("o.wav", 48000, 2, 16, 4800);
    backend.fail["Open"] = MMSYSERR_ALLOCATED;
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(box.shown, std::vector<std::string>{"sonivex|device says 4|16"});
    EXPECT_EQ(player.mode(), 1);
    // A device the caller forbids ends play too.
    backend.fail.clear();
    ASSERT_EQ(player.Play(), 1);
    const WaveOut* device = player.hWave(0);
    player.StopIO(1);
    player.HaitahWave(device);
    EXPECT_EQ(player.Play(), 0);
    player.HaitahWave(nullptr);
    EXPECT_EQ(player.Play(), 1);
}

// Which formats are refused is the wave reader's business; here: the log line, and no device
// touched by Play or StopIO with nothing loaded.
TEST_F(PlayerTest, UnusableFileIsNotLoaded) {
    Configure();
    WriteText(temp.File("bad.wav"), "RIFF....WAVEjunk");
    ASSERT_EQ(std::system(("sox -n -r 8000 -b 32 -e floating-point -c 2 '" +
                           temp.File("float.wav") + "' synth 0.1 sine 440 2>/dev/null")
                              .c_str()),
              0);
    for (const char* name : {"bad.wav", "float.wav"}) {
        const std::string path = temp.File(name);
        player.FileName(path);
        EXPECT_EQ(player.FileName(), "");
        EXPECT_EQ(player.Play(), 0);
        EXPECT_EQ(Count("C_WaveOut Let FileName Fail " + path + "\n"), 1) << name;
    }
    player.StopIO();  // nothing loaded: nothing to stop, nothing logged
    EXPECT_TRUE(backend.outs.empty());
    EXPECT_EQ(Count("Failed"), 0);
    // Rates and sample formats the player cannot honour are refused with their reason.
    for (const HostileWave& w : HostileWaves()) {
        const std::string path = temp.File(w.name);
        WriteText(path, w.bytes);
        player.FileName(path);
        EXPECT_EQ(player.FileName(), w.refusal.empty() ? path : "") << w.name;
        EXPECT_EQ(Count("C_WaveOut Let FileName Fail " + path + " (" + w.refusal + ")\n"),
                  w.refusal.empty() ? 0 : 1)
            << w.name;
    }
}

// A data chunk that claims more than the file holds plays what is there and ends cleanly.
TEST_F(PlayerTest, TruncatedDataChunkPlaysWhatIsThere) {
    Configure();
    const std::string path = Load("cut.wav", 48000, 2, 16, 10000);
    std::string bytes = ReadText(path);
    bytes.replace(bytes.find("data") + 4, 4, "\xF0\xFF\xFF\xFF");
    WriteText(path, bytes);
    player.FileName(path);
    EXPECT_EQ(player.ToSample(), 10000);
    ASSERT_EQ(player.Play(), 1);
    Run(1000);
    EXPECT_EQ(player.mode(), 1);
    EXPECT_EQ(player.hWave(0), nullptr);
    EXPECT_TRUE(Out(0).Played() == data);
    EXPECT_EQ(ErrorLog(), "");
}

TEST_F(PlayerTest, StandbyPointIsWhereTheLoopGoesOnAndThePositionFollows) {
    Configure();
    Load("stby.wav", 48000, 2, 16, 20000);
    EXPECT_EQ(player.Position(0), 0);
    player.LoopOn(1);
    player.StbyPoint(5000);
    ASSERT_EQ(player.Play(), 1);
    Run(2000);
    const auto& played = Out(0).Played();
    ASSERT_GT(played.size(), data.size());
    for (size_t i = data.size(); i < played.size(); ++i) {
        ASSERT_EQ(played[i], data[5000 * 4 + (i - data.size()) % (data.size() - 5000 * 4)]) << i;
    }
    // 96000 frames: the file once, five passes from the standby point, and 1000 frames on.
    EXPECT_EQ(player.Position(0), 125);  // ms, at frame 6000
    EXPECT_EQ(player.Position(1), 292);  // to the end of the file
    EXPECT_EQ(player.Position(2), 292);  // to the end of the range
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

TEST_F(PlayerTest, RangeSettersFollowTheirRulesAndAStartBeyondTheEndFails) {
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
    // A start beyond the end fails the play.
    player.FromMS(5000);
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(Count("C_WaveOut AddPlayBuffer error LenToRead < 1& pl=-176400 pFrom=220500 "
                    "c_PlayEnd=44100\n"),
              1);
    EXPECT_EQ(Count("C_WaveOut AddPlayBuffer(Start) Failed " + path + "\n"), 1);
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

TEST_F(PlayerTest, NoCloseReopensASecondaryDeviceWhoseIdChanged) {
    player.NoClose(1);
    Configure();
    Load("six.wav", 48000, 6, 16, 48000);
    ASSERT_EQ(player.Play(), 1);
    player.StopIO(1);
    player.SetExtDeviceID(2, 7);
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Out(0).opens, 1);
    EXPECT_EQ(Out(2).DeviceName(), "Sim Out 8");
    EXPECT_NE(player.hWave(2), nullptr);
}

TEST_F(PlayerTest, PauseHoldsTheDevicesAndResumes) {
    player.NoClose(1);
    Configure();
    Load("p.wav", 48000, 2, 16, 96000);
    ASSERT_EQ(player.Play(), 1);
    Run(200);
    player.Pause();
    EXPECT_EQ(player.mode(), 2);
    EXPECT_TRUE(Out(0).Paused());
    const size_t held = Out(0).Played().size();
    Run(500);
    EXPECT_EQ(Out(0).Played().size(), held);
    player.Pause();
    EXPECT_EQ(player.mode(), 3);
    Run(200);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 400 * 48 * 4, Out(0).Played().begin()));
    // Stopped while paused, the kept device plays the next start.
    player.Pause();
    player.StopIO(1);
    EXPECT_FALSE(Out(0).Paused());
    ASSERT_EQ(player.Play(), 1);
    Run(200);
    EXPECT_EQ(Out(0).Played().size(), 600u * 48 * 4);
}

}  // namespace
}  // namespace sonivex::testing
