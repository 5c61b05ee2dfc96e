// The streaming player on simulated outputs on a fake clock: what reaches the devices, sample for
// sample; stopping with its silence; devices kept open; failures reported.
#include <gtest/gtest.h>

#include <algorithm>
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
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex::testing {
namespace {

// A simulated output that keeps what it played, counts opens, answers chosen calls with a
// failure code and runs `onService` (shared by all devices) before it is serviced.
class TestOut : public SimWaveOut {
  public:
    TestOut(const Clock& clock, std::map<std::string, int>& failures, std::function<void()>& hook)
        : SimWaveOut(clock, nullptr), fail(failures), onService(hook) {
        KeepPlayed(true);
    }
    int Open(int id, const WaveFormat& f) override {
        ++opens;
        format = f;
        return fail.count("Open") ? fail["Open"] : SimWaveOut::Open(id, f);
    }
    int Write(WaveHeader& h) override {
        // A refused buffer is not queued, as a real device refuses it.
        return fail.count("Write") ? fail["Write"] : SimWaveOut::Write(h);
    }
    int Service() override {
        if (onService) onService();
        return fail.count("Service") ? fail["Service"] : SimWaveOut::Service();
    }
    std::string ErrorText(int code) const override { return "device says " + std::to_string(code); }

    std::map<std::string, int>& fail;  // call name → result code, shared by all devices
    std::function<void()>& onService;
    int opens = 0;
    WaveFormat format;
};

class TestBackend : public AudioBackend {
  public:
    explicit TestBackend(const Clock& clock)
        : clock_(clock), sim_(CreateSimBackend(clock, SimOptions{})) {}
    const DeviceList& Devices() const override { return sim_->Devices(); }
    std::unique_ptr<WaveIn> CreateWaveIn() override { return sim_->CreateWaveIn(); }
    std::unique_ptr<WaveOut> CreateWaveOut() override {
        auto out = std::make_unique<TestOut>(clock_, fail, onService);
        outs.push_back(out.get());
        return out;
    }
    std::vector<TestOut*> outs;  // in creation order: slot 0 first
    std::map<std::string, int> fail;
    std::function<void()> onService;

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
        // The hook may refer to the test's locals; the stop must not run on another clock.
        backend.onService = nullptr;
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
        player.VolMinLevel(-4000);
        player.Init();
        player.Attenuation(0);
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
    EXPECT_EQ(ErrorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoopTest,
    ::testing::Values(LoopCase{"Stereo16PartPage", 48000, 2, 16, 7168 * 3 + 1000, 20, 150},
                      LoopCase{"OneFrameOverWholePages", 48000, 2, 16, 7168 * 2 + 1, 20, 150},
                      LoopCase{"Mono8OddDirect", 8000, 1, 8, 5001, 1, 150},
                      LoopCase{"OneByteOverTheCache", 8000, 1, 8, 20 * 1024 + 1, 20, 150},
                      LoopCase{"Stereo8", 22050, 2, 8, 4099, 20, 150},
                      LoopCase{"Stereo24", 44100, 2, 24, 10000, 20, 150},
                      LoopCase{"Mono24", 22050, 1, 24, 3001, 20, 150},
                      LoopCase{"RangeShorterThanAPage", 48000, 2, 16, 300, 20, 150},
                      LoopCase{"PageBelow256Frames", 8000, 2, 16, 1000, 20, 1}),
    [](const auto& p) { return std::string(p.param.name); });

struct PairCase {
    int channels, bits;
};

class SurroundTest : public PlayerTest, public ::testing::WithParamInterface<PairCase> {};

// Each stereo pair on a device of its own (the first on the chosen device, the others on the first
// of the list), or with the extensible format the whole file on one.
TEST_P(SurroundTest, SplitIntoStereoPairsOrOneExtensibleStream) {
    const PairCase& c = GetParam();
    const int pairs = c.channels / 2;
    const size_t sample = c.bits / 8, frame = sample * c.channels;
    player.DeviceID(3);
    Configure();
    Load("split.wav", 48000, c.channels, c.bits, 20000);
    ASSERT_EQ(player.Play(), 1);
    ASSERT_EQ(backend.outs.size(), static_cast<size_t>(pairs));
    for (int d = 0; d < pairs; ++d) EXPECT_EQ(Out(d).DeviceName(), SimOutName(d == 0 ? 3 : 0));
    Run(1000);
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
    player.UseExtensible(1);
    Configure();
    Load("extensible.wav", 48000, c.channels, c.bits, 20000);
    const size_t before = Out(0).Played().size();
    ASSERT_EQ(player.Play(), 1);
    Run(1000);
    const WaveFormat& f = Out(0).format;
    EXPECT_EQ(f.formatTag, WAVE_FORMAT_EXTENSIBLE);
    EXPECT_EQ(f.channels, c.channels);
    EXPECT_EQ(f.channelMask, 63u);
    const std::vector<uint8_t>& played = Out(0).Played();
    EXPECT_TRUE(std::equal(data.begin(), data.end(), played.begin() + before, played.end()));
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurroundTest,
                         ::testing::Values(PairCase{6, 16}, PairCase{6, 24}, PairCase{8, 16},
                                           PairCase{8, 24}));

struct MuteCase {
    int rate, bits, muteMs;
};

class MuteTest : public PlayerTest, public ::testing::WithParamInterface<MuteCase> {};

// After the stop the device plays nothing but silence (the midpoint for 8 bits) for MuteMS, the
// clock moving 5 ms a wait step; a stop without it, a restart and a load while playing end at once.
TEST_P(MuteTest, StopTimeSilence) {
    const MuteCase& c = GetParam();
    player.MuteMS(c.muteMs);
    Configure();
    Load("mute.wav", c.rate, 2, c.bits, c.rate * 2);
    player.LoopOn(1);
    ASSERT_EQ(player.Play(), 1);
    Run(500);
    const std::vector<uint8_t>& played = Out(0).Played();
    const size_t audio = played.size();
    backend.onService = [this] { clock.Advance(5); };
    player.StopIO();
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + audio, played.begin()));
    const uint8_t silence = c.bits == 8 ? 128 : 0;
    EXPECT_TRUE(std::all_of(played.begin() + audio, played.end(),
                            [silence](uint8_t b) { return b == silence; }));
    const size_t bytesPerMs = c.rate / 1000 * 2 * c.bits / 8;
    EXPECT_GE(played.size() - audio, c.muteMs * bytesPerMs);
    EXPECT_LE(played.size() - audio, (c.muteMs + 10) * bytesPerMs);
    const size_t muted = played.size();
    ASSERT_EQ(player.Play(), 1);
    player.StopIO(1);
    ASSERT_EQ(player.Play(), 1);
    ASSERT_EQ(player.Play(), 1);
    Load("b.wav", c.rate, 2, c.bits, c.rate);
    EXPECT_EQ(played.size(), muted);
    EXPECT_EQ(ErrorLog(), "");
}

INSTANTIATE_TEST_SUITE_P(Formats, MuteTest,
                         ::testing::Values(MuteCase{48000, 16, 200}, MuteCase{8000, 8, 100}));

// Under NoClose a device stays open for files of the same format; a file replaced on disk between
// two alerts plays as it is now, not as it was first read.
TEST_F(PlayerTest, NoCloseKeepsDevicesForTheSameFormatOnly) {
    player.NoClose(1);
    Configure();
    const std::string path = Load("b.wav", 48000, 2, 16, 24000);
    ASSERT_EQ(player.Play(), 1);
    const WaveOut* device = player.hWave(0);
    ASSERT_NE(device, nullptr);
    Run(600);  // to the end of the file
    EXPECT_TRUE(Out(0).Played() == data);
    const std::vector<uint8_t> fresh = TestSamples(3000, 2, 16, 99);
    WriteWave(path, 48000, 2, 16, fresh);
    player.FileName(path);
    EXPECT_EQ(player.hWave(0), device);
    ASSERT_EQ(player.Play(), 1);
    Run(200);
    const std::vector<uint8_t>& played = Out(0).Played();
    EXPECT_TRUE(std::equal(fresh.begin(), fresh.end(), played.begin() + data.size(), played.end()));
    EXPECT_EQ(Out(0).opens, 1);
    Load("c.wav", 44100, 1, 16, 44100);
    EXPECT_EQ(player.hWave(0), nullptr);
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Out(0).opens, 2);
    EXPECT_EQ(Out(0).format.channels, 1);
}

// A device that cannot open fails the play with its text shown; refused writes are logged and play
// starts; one that fails for good is reported once and, kept open under NoClose, opened afresh at
// the next start.
TEST_F(PlayerTest, DeviceFailuresAreReported) {
    player.NoClose(1);
    Configure();
    const std::string path = Load("f.wav", 48000, 2, 16, 96000);
    player.LoopOn(1);
    backend.fail = {{"Open", MMSYSERR_ALLOCATED}};
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(box.shown, std::vector<std::string>{"sonivex|device says 4|16"});
    EXPECT_EQ(player.hWave(0), nullptr);
    backend.fail = {{"Write", 5}};
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Count("waveOutWrite (Start1) Failed r=5 " + path + "\n"), 10);
    backend.fail.clear();
    ASSERT_EQ(player.Play(), 1);
    Run(300);
    backend.fail = {{"Service", MMSYSERR_NODRIVER}};
    Run(1000);
    EXPECT_EQ(Count("waveOutService (ProgPlay) Failed r=6 " + path), 1);
    player.StopIO();
    backend.fail.clear();
    const int opens = Out(0).opens;
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Out(0).opens, opens + 1);
    player.StopIO();
    ASSERT_EQ(player.Play(), 1);
    EXPECT_EQ(Out(0).opens, opens + 1) << "a sound device stays open";
}

// Which formats are refused is the wave reader's business; here: the log line, and no device
// touched by Play or StopIO with nothing loaded.
TEST_F(PlayerTest, UnusableFileIsNotLoaded) {
    Configure();
    const std::string bad = temp.File("bad.wav");
    WriteText(bad, "RIFF....WAVEjunk");
    player.FileName(bad);
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(Count("C_WaveOut Let FileName Fail " + bad + "\n"), 1);
    player.StopIO();  // nothing loaded: nothing to stop, nothing logged
    EXPECT_TRUE(backend.outs.empty());
    EXPECT_EQ(Count("Failed"), 0);
    // Rates and sample formats the player cannot honour are refused with their reason.
    for (const HostileWave& w : HostileWaves()) {
        const std::string path = temp.File(w.name);
        WriteText(path, w.bytes);
        player.FileName(path);
        EXPECT_EQ(Count("C_WaveOut Let FileName Fail " + path + " (" + w.refusal + ")\n"),
                  w.refusal.empty() ? 0 : 1)
            << w.name;
    }
}

// Play ends by itself at the end of the file, closing the device, also when the data chunk claims
// more than the file holds; the next start plays the file again. A file without frames does not
// play.
TEST_F(PlayerTest, PlayEndsByItselfAtTheEndOfTheFile) {
    Configure();
    data = TestSamples(9600, 2, 16);
    const std::string path = WriteWave(temp.File("cut.wav"), 48000, 2, 16, data);
    std::string bytes = ReadText(path);
    bytes.replace(bytes.find("data") + 4, 4, "\xF0\xFF\xFF\xFF");
    WriteText(path, bytes);
    player.FileName(path);
    ASSERT_EQ(player.Play(), 1);
    Run(100);
    EXPECT_EQ(player.Position(0), 100);
    EXPECT_EQ(player.Position(1), 100);
    Run(500);
    EXPECT_EQ(player.hWave(0), nullptr);
    ASSERT_EQ(player.Play(), 1);
    Run(500);
    std::vector<uint8_t> twice = data;
    twice.insert(twice.end(), data.begin(), data.end());
    EXPECT_TRUE(Out(0).Played() == twice);
    EXPECT_EQ(ErrorLog(), "");
    const std::string empty = WriteWave(temp.File("empty.wav"), 48000, 2, 16, {});
    player.FileName(empty);
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(Count("C_WaveOut AddPlayBuffer error LenToRead < 1& pl=0 pFrom=0 c_PlayEnd=0\n"), 1);
    EXPECT_EQ(Count("C_WaveOut AddPlayBuffer(Start) Failed " + empty + "\n"), 1);
}

}  // namespace
}  // namespace sonivex::testing
