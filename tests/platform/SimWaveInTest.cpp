// Simulated capture on a fake clock: buffer timing, content, lost frames, reset, unplugging.
#include "platform/SimWaveIn.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/SimSignal.h"

namespace sonivex {
namespace {

WaveFormat Format(uint32_t rate, uint16_t channels = 2, uint16_t bits = 16) {
    WaveFormat f;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.bitsPerSample = bits;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    return f;
}

// A capture device with a ring of 0.2 s buffers queued, as the monitor sets it up.
struct Capture {
    explicit Capture(const std::string& program, uint32_t rate = 44100, int buffers = 15,
                     uint16_t channels = 2) {
        options.signals[0] = program;
        backend = CreateSimBackend(clock, options);
        in = backend->CreateWaveIn();
        format = Format(rate, channels);
        EXPECT_EQ(in->Open(0, format), MMSYSERR_NOERROR);
        frames = rate / 5;
        data.assign(buffers, std::vector<uint8_t>(frames * format.blockAlign));
        headers.resize(buffers);
        for (int k = 0; k < buffers; ++k) {
            headers[k].data = data[k].data();
            headers[k].bufferLength = static_cast<uint32_t>(data[k].size());
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
    // What the signal gives for `count` frames from `first`, as the device would deliver them.
    std::vector<uint8_t> Expected(uint64_t first, uint64_t count) const {
        SimProgram program;
        std::string error;
        ParseSimProgram(options.signals[0], program, error);
        std::vector<int16_t> samples(count * format.channels);
        SimSignal(program, format.samplesPerSec)
            .Fill(first, samples.data(), count, format.channels);
        std::vector<uint8_t> bytes(samples.size() * 2);
        std::memcpy(bytes.data(), samples.data(), bytes.size());
        return bytes;
    }

    FakeClock clock;
    SimOptions options;
    std::unique_ptr<AudioBackend> backend;
    std::unique_ptr<WaveIn> in;
    WaveFormat format;
    uint32_t frames = 0;
    std::vector<std::vector<uint8_t>> data;
    std::vector<WaveHeader> headers;
};

TEST(SimWaveIn, OpenChecksDeviceAndFormat) {
    FakeClock clock;
    auto backend = CreateSimBackend(clock, SimOptions{});
    const struct {
        int id;
        WaveFormat format;
        int result;
    } cases[] = {
        {7, Format(8000, 1), MMSYSERR_NOERROR},    {8, Format(44100), MMSYSERR_BADDEVICEID},
        {-2, Format(44100), MMSYSERR_BADDEVICEID}, {0, Format(44100, 2, 24), WAVERR_BADFORMAT},
        {0, Format(44100, 6), WAVERR_BADFORMAT},   {0, Format(0), WAVERR_BADFORMAT},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(backend->CreateWaveIn()->Open(c.id, c.format), c.result) << c.id;
    }
    auto in = backend->CreateWaveIn();
    EXPECT_EQ(in->Service(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in->Open(9, Format(44100)), MMSYSERR_BADDEVICEID);
    EXPECT_NE(in->ErrorText(MMSYSERR_BADDEVICEID).find("9"), std::string::npos);
    ASSERT_EQ(in->Open(WAVE_MAPPER, Format(44100)), MMSYSERR_NOERROR);
    EXPECT_EQ(dynamic_cast<SimWaveIn&>(*in).DeviceName(), "Sim In 1");
    EXPECT_EQ(in->Open(0, Format(44100)), MMSYSERR_ALLOCATED);
}

TEST(SimWaveIn, BuffersCompleteEveryFifthOfASecondInQueueOrder) {
    Capture c("");
    ASSERT_EQ(c.in->Start(), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Run(199), 0);
    EXPECT_EQ(c.Run(1), 1);
    EXPECT_EQ(c.headers[0].bytesRecorded, 8820u * 4);
    EXPECT_EQ(c.Run(199), 1);
    EXPECT_EQ(c.Run(1), 2);
    EXPECT_EQ(c.Run(1000), 7);
    for (int k = 0; k < 15; ++k) EXPECT_EQ((c.headers[k].flags & WHDR_DONE) != 0, k < 7) << k;
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(c.data[k], c.Expected(k * 8820ull, 8820)) << k;
        EXPECT_FALSE(c.headers[k].flags & WHDR_INQUEUE) << k;
    }
}

TEST(SimWaveIn, FrameCountFollowsTheClockWithoutDrift) {
    Capture c("tone -20 0.3; silence 0.3", 44100, 15);
    auto& sim = dynamic_cast<SimWaveIn&>(*c.in);
    c.clock.Advance(1234);  // time before Start does not count
    c.in->Start();
    int64_t elapsed = 0;
    size_t next = 0;
    for (int step = 0; step < 1429; ++step) {  // ~10 s in steps that do not divide a buffer
        c.Run(7);
        elapsed += 7;
        ASSERT_EQ(sim.FramesProduced(), static_cast<uint64_t>(elapsed * 44100 / 1000));
        while (c.headers[next].flags &
               WHDR_DONE) {  // handed back and re-queued as the monitor does
            ASSERT_EQ(c.in->AddBuffer(c.headers[next]), MMSYSERR_NOERROR);
            next = (next + 1) % 15;
        }
    }
    EXPECT_EQ(sim.FramesProduced() / 8820, 50u);
}

TEST(SimWaveIn, FramesWithNoBufferQueuedAreLost) {
    Capture c("tone -2 0.3; silence 0.2; right -5 0.4", 44100, 1);
    c.in->Start();
    EXPECT_EQ(c.Run(1000), 1);  // the one buffer holds the first 0.2 s; 0.8 s more are lost
    EXPECT_EQ(c.data[0], c.Expected(0, 8820));
    ASSERT_EQ(c.in->AddBuffer(c.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Run(199), 0);
    EXPECT_EQ(c.Run(1), 1);
    EXPECT_EQ(c.data[0], c.Expected(44100, 8820));
    EXPECT_NE(c.data[0], c.Expected(8820, 8820));
}

TEST(SimWaveIn, MonoDeliversTheLeftChannel) {
    Capture c("left -4 0.1; right -4 0.1", 8000, 2, 1);
    c.in->Start();
    EXPECT_EQ(c.Run(400), 2);
    EXPECT_EQ(c.data[0], c.Expected(0, 1600));
    EXPECT_EQ(c.data[1], c.Expected(1600, 1600));
    EXPECT_NE(c.data[0], std::vector<uint8_t>(c.data[0].size(), 0));
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
    EXPECT_EQ(c.data[2], c.Expected(2400, 1600));  // the signal picks up where it stopped
    ASSERT_EQ(c.in->AddBuffer(c.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Run(100), 2);
    EXPECT_EQ(c.in->UnprepareHeader(c.headers[0]), WAVERR_STILLPLAYING);
    ASSERT_EQ(c.in->Reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(c.Done(), 3);
    EXPECT_EQ(c.headers[0].bytesRecorded, 800u * 4);
    EXPECT_EQ(c.Run(1000), 3);
    EXPECT_EQ(c.in->UnprepareHeader(c.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(c.in->AddBuffer(c.headers[0]), WAVERR_UNPREPARED);
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
    c.clock.Advance(5000);
    EXPECT_EQ(c.in->Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(c.in->Start(), MMSYSERR_NODRIVER);
    EXPECT_EQ(c.in->AddBuffer(c.headers[0]), MMSYSERR_NODRIVER);
    EXPECT_EQ(c.Done(), 2);
    EXPECT_EQ(c.in->Reset(), MMSYSERR_NOERROR);  // the owner still gets its buffers back
    EXPECT_EQ(c.Done(), 4);
    EXPECT_EQ(c.headers[2].bytesRecorded, 800u * 4);
    EXPECT_EQ(c.in->Close(), MMSYSERR_NOERROR);
}

TEST(SimWaveIn, BadProgramFallsBackToTheDefaultTone) {
    Capture c("tone -20 1; beep", 8000, 1);
    EXPECT_EQ(dynamic_cast<SimWaveIn&>(*c.in).SignalError(),
              "segment 2: unknown kind 'beep' "
              "(tone, left, right, silence, unplug)");
    c.in->Start();
    EXPECT_EQ(c.Run(200), 1);
    const std::vector<uint8_t> steady = c.Expected(0, 1600);  // parse failed: empty program
    EXPECT_EQ(c.data[0], steady);
    EXPECT_NE(steady, std::vector<uint8_t>(steady.size(), 0));
}

}  // namespace
}  // namespace sonivex
