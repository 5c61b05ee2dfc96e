// Simulated capture on a fake clock: buffer timing, content, lost frames, reset, unplugging.
#include "platform/SimWaveIn.h"

#include <gtest/gtest.h>

#include <vector>

#include "AlsaTestConfig.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/SimSignal.h"

namespace sonivex {
namespace {

using test::PcmFormat;

// A stereo capture device with a ring of 0.2 s buffers queued, as the monitor sets it up.
struct Capture {
    explicit Capture(const std::string& program, uint32_t rate = 44100, size_t buffers = 15)
        : frames(rate / 5), data(buffers, std::vector<uint8_t>(frames * 4)), headers(buffers) {
        options.signals[0] = program;
        backend = CreateSimBackend(clock, options);
        in = backend->CreateWaveIn();
        EXPECT_EQ(in->Open(0, PcmFormat(rate)), MMSYSERR_NOERROR);
        for (size_t k = 0; k < buffers; ++k) {
            headers[k] = {data[k].data(), frames * 4};
            EXPECT_EQ(in->PrepareHeader(headers[k]), MMSYSERR_NOERROR);
            EXPECT_EQ(in->AddBuffer(headers[k]), MMSYSERR_NOERROR);
        }
    }
    int Done() const {
        int n = 0;
        for (const WaveHeader& h : headers) n += (h.flags & WHDR_DONE) ? 1 : 0;
        return n;
    }
    // Advances the clock and services the device; the done count afterwards.
    int Run(int64_t ms) {
        clock.Advance(ms);
        EXPECT_EQ(in->Service(), MMSYSERR_NOERROR);
        return Done();
    }
    // What the signal gives for a buffer's worth of frames from `first`.
    std::vector<uint8_t> Expected(uint64_t first) const {
        SimProgram program;
        std::string error;
        ParseSimProgram(options.signals[0], program, error);
        std::vector<uint8_t> bytes(frames * 4);
        SimSignal(program, frames * 5)
            .Fill(first, reinterpret_cast<int16_t*>(bytes.data()), frames, 2);
        return bytes;
    }

    FakeClock clock;
    SimOptions options;
    std::unique_ptr<AudioBackend> backend;
    std::unique_ptr<WaveIn> in;
    uint32_t frames;
    std::vector<std::vector<uint8_t>> data;
    std::vector<WaveHeader> headers;
};

TEST(SimWaveIn, BuffersCompleteEveryFifthOfASecondWithoutDrift) {
    Capture c("tone -20 0.3; silence 0.3");
    auto& sim = dynamic_cast<SimWaveIn&>(*c.in);
    c.clock.Advance(1234);  // time before Start does not count
    ASSERT_EQ(c.in->Start(), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Run(199), 0);
    EXPECT_EQ(c.Run(1), 1);
    EXPECT_EQ(c.Run(1200), 7);
    for (int k = 0; k < 15; ++k) EXPECT_EQ((c.headers[k].flags & WHDR_DONE) != 0, k < 7) << k;
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(c.headers[k].bytesRecorded, 8820u * 4);
        EXPECT_EQ(c.data[k], c.Expected(k * 8820ull)) << k;
    }
    int64_t elapsed = 1400;
    size_t next = 0;
    for (int step = 0; step < 1429; ++step) {  // ~10 s in steps that do not divide a buffer
        c.Run(7);
        elapsed += 7;
        ASSERT_EQ(sim.FramesProduced(), static_cast<uint64_t>(elapsed * 44100 / 1000));
        while (c.headers[next].flags & WHDR_DONE) {  // re-queued as the monitor does
            ASSERT_EQ(c.in->AddBuffer(c.headers[next]), MMSYSERR_NOERROR);
            next = (next + 1) % 15;
        }
    }
}

TEST(SimWaveIn, FramesWithNoBufferQueuedAreLost) {
    Capture c("tone -2 0.3; silence 0.2; right -5 0.4", 44100, 1);
    c.in->Start();
    EXPECT_EQ(c.Run(1000), 1);  // the one buffer holds the first 0.2 s; 0.8 s more are lost
    EXPECT_EQ(c.data[0], c.Expected(0));
    ASSERT_EQ(c.in->AddBuffer(c.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Run(199), 0);
    EXPECT_EQ(c.Run(1), 1);
    EXPECT_EQ(c.data[0], c.Expected(44100));
    EXPECT_NE(c.data[0], c.Expected(8820));
}

TEST(SimWaveIn, StopResetAndClose) {
    Capture c("", 8000, 3);
    c.in->Start();
    EXPECT_EQ(c.Run(300), 1);
    EXPECT_EQ(c.in->Close(), WAVERR_STILLPLAYING);
    ASSERT_EQ(c.in->Stop(), MMSYSERR_NOERROR);  // the half-full buffer comes back
    EXPECT_EQ(c.Done(), 2);
    EXPECT_EQ(c.headers[1].bytesRecorded, 800u * 4);
    EXPECT_EQ(c.Run(5000), 2);  // stopped: no more time-based delivery
    c.in->Start();
    EXPECT_EQ(c.Run(199), 2);
    EXPECT_EQ(c.Run(1), 3);
    EXPECT_EQ(c.data[2], c.Expected(2400));  // the signal picks up where it stopped
    ASSERT_EQ(c.in->AddBuffer(c.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Run(100), 2);
    EXPECT_EQ(c.in->UnprepareHeader(c.headers[0]), WAVERR_STILLPLAYING);
    ASSERT_EQ(c.in->Reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Done(), 3);
    EXPECT_EQ(c.headers[0].bytesRecorded, 800u * 4);
    EXPECT_EQ(c.in->UnprepareHeader(c.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(c.in->Close(), MMSYSERR_NOERROR);
    EXPECT_EQ(c.in->Start(), MMSYSERR_INVALHANDLE);
}

TEST(SimWaveIn, UnplugSegmentKillsTheDeviceForGood) {
    Capture c("tone -20 0.5; unplug; tone -20 1", 8000, 4);
    c.in->Start();
    EXPECT_EQ(c.Run(400), 2);
    c.clock.Advance(200);
    EXPECT_EQ(c.in->Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(c.Done(), 2);  // the buffer it was filling never completes
    EXPECT_NE(c.in->ErrorText(MMSYSERR_NODRIVER).find("Sim In 1 was unplugged"), std::string::npos);
    EXPECT_EQ(c.in->Start(), MMSYSERR_NODRIVER);
    EXPECT_EQ(c.in->AddBuffer(c.headers[0]), MMSYSERR_NODRIVER);
    EXPECT_EQ(c.in->Reset(), MMSYSERR_NOERROR);  // the owner still gets its buffers back
    EXPECT_EQ(c.Done(), 4);
    EXPECT_EQ(c.headers[2].bytesRecorded, 800u * 4);
    EXPECT_EQ(c.in->Close(), MMSYSERR_NOERROR);
}

TEST(SimWaveIn, BadProgramFormatOrDeviceAndASecondOpen) {
    Capture c("tone -20 1; beep", 8000, 1);
    EXPECT_EQ(c.in->Open(WAVE_MAPPER, PcmFormat(8000)), MMSYSERR_ALLOCATED);  // already open
    EXPECT_EQ(c.backend->CreateWaveIn()->Open(1, PcmFormat(8000, 2, 24)), WAVERR_BADFORMAT);
    EXPECT_EQ(c.backend->CreateWaveIn()->Open(8, PcmFormat(8000)), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(dynamic_cast<SimWaveIn&>(*c.in).SignalError(),
              "segment 2: unknown kind 'beep' (tone, left, right, silence, unplug, gone)");
    c.in->Start();
    EXPECT_EQ(c.Run(200), 1);
    EXPECT_EQ(c.data[0], c.Expected(0));  // parse failed: the empty program's steady tone
    EXPECT_NE(c.data[0], std::vector<uint8_t>(c.data[0].size(), 0));
}

}  // namespace
}  // namespace sonivex
