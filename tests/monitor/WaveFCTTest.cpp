// Capture of one input on a device that opens but never fills a buffer.
#include "monitor/WaveFCT.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {
namespace {

class SilentDevice : public WaveIn {
  public:
    int Open(int, const WaveFormat&) override { return MMSYSERR_NOERROR; }
    int PrepareHeader(WaveHeader&) override { return MMSYSERR_NOERROR; }
    int UnprepareHeader(WaveHeader&) override { return MMSYSERR_NOERROR; }
    int AddBuffer(WaveHeader&) override { return MMSYSERR_NOERROR; }
    int Start() override { return MMSYSERR_NOERROR; }
    int Stop() override { return MMSYSERR_NOERROR; }
    int Reset() override { return MMSYSERR_NOERROR; }
    int Close() override { return MMSYSERR_NOERROR; }
    int Service() override { return MMSYSERR_NOERROR; }
    std::string ErrorText(int) const override { return ""; }
};

class SilentBackend : public AudioBackend, public DeviceList {
  public:
    const DeviceList& Devices() const override { return *this; }
    std::unique_ptr<WaveIn> CreateWaveIn() override {
        ++opens;
        return std::make_unique<SilentDevice>();
    }
    std::unique_ptr<WaveOut> CreateWaveOut() override { return nullptr; }
    int Count(bool) const override { return 1; }
    std::string Name(bool, int) const override { return "silent"; }
    std::string Id(bool, int) const override { return "silent"; }
    int opens = 0;
};

// No buffer for 2 s of polling is a lost device, logged once and tried again every 5 s; a
// monitor that stood still for longer does not blame the device for it.
TEST(WaveFCT, NoBufferForTwoSecondsIsALostDeviceButAStallOfTheMonitorIsNot) {
    FakeClock clock({2026, 12, 7, 9, 0, 0});
    SetProgramClock(&clock);
    std::vector<std::string> lines;
    LogConfig log;
    log.echo = [&](const std::string& line) { lines.push_back(line.substr(20)); };
    ConfigureLog(log);
    SilentBackend audio;
    WaveFCT capture(audio, 8000);
    const auto pollFor = [&](int ms) {
        for (int t = 0; t < ms; t += 100) {
            clock.Advance(100);
            capture.PollCapture(0);
        }
    };
    ASSERT_EQ(capture.OpenCapture(0), 1);
    clock.Advance(10000);
    pollFor(2000);
    EXPECT_EQ(capture.DeviceLost[0], 0);
    pollFor(100);
    EXPECT_EQ(capture.DeviceLost[0], 1);
    EXPECT_EQ(capture.CaptureState[0], 1);
    pollFor(5000);
    EXPECT_EQ(audio.opens, 2);
    pollFor(5000);  // the reopened device sent nothing either
    EXPECT_EQ(audio.opens, 3);
    EXPECT_EQ(lines, std::vector<std::string>{"録音デバイス異常 1"});
    ConfigureLog(LogConfig{});
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex
