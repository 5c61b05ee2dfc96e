// The streaming player stopping, pausing, keeping devices, and reporting failures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>

#include "HostileWaves.h"
#include "PlayerHarness.h"

namespace sonivex::testing {
namespace {

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
    const std::string first = Load("a.wav", 48000, 2, 16, 48000);
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

TEST_F(PlayerTest, WithoutNoCloseStopClosesTheDevices) {
    Configure();
    Load("a.wav", 48000, 2, 16, 48000);
    ASSERT_EQ(player.Play(), 1);
    player.StopIO();
    EXPECT_EQ(player.hWave(0), nullptr);
    EXPECT_EQ(Out(0).DeviceName(), "");
}

TEST_F(PlayerTest, StopOnClosedDevicesLogsEveryFailedCall) {
    Configure();
    const std::string path = Load("six.wav", 48000, 6, 16, 4800);
    player.StopIO();
    const std::string tail = "r=5 " + path;
    EXPECT_EQ(Count("waveOutReset (StopIO1) Failed " + tail), 3);
    EXPECT_EQ(Count("waveOutUnprepareHeader (StopIO) Failed " + tail), 3 * kPages);
    EXPECT_EQ(Count("waveOutClose (StopIO) Failed " + tail), 3);
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

TEST_F(PlayerTest, OpenFailureShowsTheDeviceTextAndPlayFails) {
    Configure();
    Load("o.wav", 48000, 2, 16, 4800);
    backend.fail["Open"] = MMSYSERR_ALLOCATED;
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(box.shown, std::vector<std::string>{"sonivex|device says 4|16"});
    EXPECT_EQ(player.mode(), 1);
}

TEST_F(PlayerTest, ForbiddenDeviceEndsPlay) {
    Configure();
    Load("h.wav", 48000, 2, 16, 4800);
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

TEST_F(PlayerTest, StartBeyondTheEndFailsPlay) {
    Configure();
    const std::string path = Load("far.wav", 44100, 2, 16, 44100);
    player.FromMS(5000);
    EXPECT_EQ(player.Play(), 0);
    EXPECT_EQ(Count("C_WaveOut AddPlayBuffer error LenToRead < 1& pl=-176400 pFrom=220500 "
                    "c_PlayEnd=44100\n"),
              1);
    EXPECT_EQ(Count("C_WaveOut AddPlayBuffer(Start) Failed " + path + "\n"), 1);
}

// A data chunk that claims more than the file holds plays what is there and ends cleanly.
TEST_F(PlayerTest, TruncatedDataChunkPlaysWhatIsThere) {
    Configure();
    const std::string path = Load("cut.wav", 48000, 2, 16, 10000);
    std::string bytes = ReadText(path);
    const size_t at = bytes.find("data") + 4;
    bytes.replace(at, 4, "\xF0\xFF\xFF\xFF");
    WriteText(path, bytes);
    player.FileName(path);
    EXPECT_EQ(player.ToSample(), 10000);
    ASSERT_EQ(player.Play(), 1);
    Run(1000);
    EXPECT_EQ(player.mode(), 1);
    EXPECT_TRUE(Out(0).Played() == data);
    EXPECT_EQ(ErrorLog(), "");
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
