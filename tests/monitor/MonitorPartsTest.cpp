// The monitor's parts on their own: levels, the alarm tone, the silence state machine and capture
// on a device that never delivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "monitor/AlarmTone.h"
#include "monitor/Levels.h"
#include "monitor/SilenceDetector.h"
#include "monitor/WaveFCT.h"
#include "platform/Clock.h"
#include "support/Log.h"

namespace sonivex {
namespace {

TEST(Levels, DecibelsTextsAndGain) {
    EXPECT_FLOAT_EQ(ToDecibel(0), -110);
    EXPECT_NEAR(ToDecibel(0.5f), -6.0206f, 1e-4);
    EXPECT_FLOAT_EQ(DecibelToGain(-110), 0);
    EXPECT_NEAR(DecibelToGain(6), 1.99526f, 1e-5);
    EXPECT_FLOAT_EQ(PeakDecibel(32767), 0);
    EXPECT_GT(PeakDecibel(32768), 0);  // -32768 reads just above full scale
    EXPECT_FLOAT_EQ(RmsDecibel(0, 8820), -99.9f);
    EXPECT_NEAR(RmsDecibel(100.0 * 32767 * 32767, 100), 0, 1e-4);  // full-scale square wave
    for (const auto& [db, text] : {std::pair{-20.46f, "-20.5"},
                                   {-5.3f, "-05.3"},
                                   {-0.04f, "00.0"},
                                   {3.2f, "03.2"},
                                   {-104.0f, "-104.0"}})
        EXPECT_EQ(LevelText(1, db), text);
    EXPECT_EQ(LevelText(0, -99.9f), "-∞");
    // Halves round to even; the result is limited symmetrically.
    std::vector<int16_t> s = {20000, -20000, 0, 1, -32768, 3};
    ApplyGain(s.data(), s.size(), DecibelToGain(6));
    EXPECT_EQ(s, (std::vector<int16_t>{32767, -32767, 0, 2, -32767, 6}));
    std::vector<int16_t> h = {1, 3, 5, -1, -3};
    ApplyGain(h.data(), h.size(), 0.5f);
    EXPECT_EQ(h, (std::vector<int16_t>{0, 2, 2, 0, -2}));
}

// The alarm's half second: three beeps of 62.5 ms of a 1 kHz sine at half scale, then silence.
TEST(AlarmSamples, ThreeBeepsOfA1kHzSineInHalfASecond) {
    for (const int rate : {44100, 48000, 8000}) {
        const std::vector<int16_t> s = AlarmSamples(rate);
        ASSERT_EQ(s.size(), static_cast<size_t>(rate / 2) * 2) << rate;
        const long segment = std::lround(rate / 16.0);
        for (long part = 0; part < 8; ++part) {
            int peak = 0;
            for (long f = part * segment; f < std::min<long>((part + 1) * segment, rate / 2); ++f) {
                peak = std::max(peak, std::abs(static_cast<int>(s[2 * f])));
                ASSERT_EQ(s[2 * f], s[2 * f + 1]);
            }
            const bool beep = part == 0 || part == 2 || part == 4;
            EXPECT_NEAR(peak, beep ? 16384 : 0, beep ? 40 : 0) << rate << " part " << part;
        }
    }
    // 48 samples per cycle at 48 kHz: a quarter cycle in is the crest.
    const std::vector<int16_t> s = AlarmSamples(48000);
    EXPECT_EQ(s[0], 0);
    EXPECT_NEAR(s[2 * 12], 16384, 2);
    EXPECT_NEAR(s[2 * 36], -16384, 2);
    EXPECT_NEAR(s[2 * 48], 0, 2);
}

// The silence state machine buffer by buffer: when alerts come, which kind, when they end.
constexpr float kLoud = -20, kQuiet = -80;

struct Stretch {
    int buffers;
    float left, right;  // peaks, dBFS
};

struct Outcome {
    int raisedAt = 0, kind = kAlertNone, cancelledAt = 0;  // buffer numbers from 1; 0 = never
    bool operator==(const Outcome&) const = default;
};

// Feeds the stretches one buffer at a time, as the monitor does, raising and cancelling as told.
Outcome Feed(const SilenceThresholds& t, bool mono, const std::vector<Stretch>& stretches) {
    SilenceCounters c;
    Outcome o;
    bool alert = false;
    int n = 0;
    for (const Stretch& s : stretches) {
        for (int b = 0; b < s.buffers; ++b) {
            const SilenceDecision d = SilenceStep(c, t, mono, s.left, s.right, true, alert);
            ++n;
            if (d.raise) {
                alert = true;
                o.raisedAt = n;
                o.kind = d.kind;
            }
            if (d.cancel) {
                alert = false;
                o.cancelledAt = n;
            }
        }
    }
    return o;
}

TEST(SilenceStep, AlertsComeAndEndOnTheirBuffer) {
    const SilenceThresholds defaults;  // 15 s both, 20 s one channel, 15 s to recover
    const SilenceThresholds noRecovery{-50, 15, 20, 0};
    const struct {
        SilenceThresholds t;
        bool mono;
        std::vector<Stretch> stretches;
        Outcome expected;
    } cases[] = {
        // 0: mono counts the left channel alone
        {defaults, true, {{76, kQuiet, kLoud}}, {76, kAlertMono, 0}},
        {defaults, true, {{500, kLoud, kQuiet}}, {}},
        {defaults, true, {{500, kLoud, kQuiet}}, {}},
        // 2: a short one-channel time names the channel first
        {{-50, 15, 5, 15}, false, {{26, kQuiet, kQuiet}}, {26, kAlertLeft, 0}},
        // 3: the threshold itself is sound
        {defaults, false, {{1000, -50.0f, -50.0f}, {76, -50.0001f, -50.0001f}}, {1076, kAlertBoth}},
        // 4: right silent for 5 buffers, far below its 101, counts towards recovery
        {defaults,
         false,
         {{76, kQuiet, kQuiet}, {70, kLoud, kLoud}, {5, kLoud, kQuiet}},
         {76, kAlertBoth, 151}},
        // 5: no recovery with zero time
        {noRecovery, false, {{76, kQuiet, kQuiet}, {10000, kLoud, kLoud}}, {76, kAlertBoth}},
        // 6: the counters are capped; a one-channel time beyond the cap must still be reachable
        {{-50, 1, 30, 15}, false, {{151, kLoud, kQuiet}}, {151, kAlertRight, 0}},
        // 7: zero seconds, the first silent buffer
        {{-50, 0, 20, 15}, false, {{1, kQuiet, kQuiet}}, {1, kAlertBoth, 0}},
    };
    for (size_t n = 0; n < std::size(cases); ++n) {
        const Outcome o = Feed(cases[n].t, cases[n].mono, cases[n].stretches);
        EXPECT_EQ(o, cases[n].expected) << "case " << n << ": raised at " << o.raisedAt << " kind "
                                        << o.kind << ", cancelled at " << o.cancelledAt;
    }
}

// Capture of one input on a device that opens but never fills a buffer.
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
