// Simulated playback on a fake clock: pace, underruns, loops, pause, reset, result codes.
#include "platform/SimWaveOut.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "platform/AudioBackend.h"
#include "platform/Clock.h"

namespace sonivex {
namespace {

constexpr uint32_t kFrameBytes = 4;  // stereo 16-bit at 8000 Hz: 8 frames per ms

// A page of stereo frames whose bytes differ from every other page's.
struct Page {
    Page(uint32_t frames, uint8_t seed, uint32_t flags = 0, uint32_t loops = 0)
        : bytes(frames * kFrameBytes) {
        std::iota(bytes.begin(), bytes.end(), static_cast<uint8_t>(seed * 37));
        header = WaveHeader{bytes.data(), static_cast<uint32_t>(bytes.size()), 0, flags, loops};
    }
    bool Done() const { return header.flags & WHDR_DONE; }
    std::vector<uint8_t> bytes;
    WaveHeader header;
};

struct Player {
    explicit Player(int device = 0, std::initializer_list<Page*> pages = {}) {
        backend = CreateSimBackend(clock, SimOptions{});
        out = backend->CreateWaveOut();
        sim = dynamic_cast<SimWaveOut*>(out.get());
        sim->KeepPlayed(true);
        WaveFormat f;
        f.samplesPerSec = 8000;
        EXPECT_EQ(out->Open(device, f), MMSYSERR_NOERROR);
        for (Page* page : pages) Queue(*page);
    }
    void Queue(Page& page) {
        EXPECT_EQ(out->PrepareHeader(page.header), MMSYSERR_NOERROR);
        EXPECT_EQ(out->Write(page.header), MMSYSERR_NOERROR);
    }
    uint64_t Run(int64_t ms) {  // the position afterwards
        clock.Advance(ms);
        EXPECT_EQ(out->Service(), MMSYSERR_NOERROR);
        uint64_t frames = 0;
        EXPECT_EQ(out->GetPosition(frames), MMSYSERR_NOERROR);
        return frames;
    }
    FakeClock clock;
    std::unique_ptr<AudioBackend> backend;
    std::unique_ptr<WaveOut> out;
    SimWaveOut* sim = nullptr;
};

std::vector<uint8_t> Concat(std::initializer_list<const Page*> pages) {
    std::vector<uint8_t> all;
    for (const Page* p : pages) all.insert(all.end(), p->bytes.begin(), p->bytes.end());
    return all;
}

TEST(SimWaveOut, PlaysQueuedPagesAtTheClockRateAndSkipsUnderruns) {
    Page a(800, 1), b(800, 2), c(400, 3), d(200, 4);
    Player p(0, {&a, &b, &c});
    EXPECT_EQ(p.Run(50), 400u);
    EXPECT_FALSE(a.Done());
    EXPECT_EQ(p.Run(50), 800u);
    EXPECT_TRUE(a.Done() && !(a.header.flags & WHDR_INQUEUE));
    EXPECT_EQ(p.Run(149), 1992u);
    EXPECT_TRUE(b.Done() && !c.Done());
    EXPECT_EQ(p.Run(1001), 2000u);  // 1 ms to finish, then an underrun
    EXPECT_TRUE(c.Done());
    p.Queue(d);  // plays from now, not back in the gap
    EXPECT_EQ(p.Run(25), 2200u);
    EXPECT_EQ(p.sim->Played(), Concat({&a, &b, &c, &d}));  // nothing recorded for the gap
}

TEST(SimWaveOut, EndlessLoopRepeatsTheHeaderExactlyAcrossServices) {
    Page tone(4000, 9, WHDR_BEGINLOOP | WHDR_ENDLOOP, 0xFFFFFFFF);
    Player p(WAVE_MAPPER, {&tone});
    EXPECT_EQ(p.sim->DeviceName(), "default");
    for (int step = 0; step < 47; ++step) p.Run(70);  // 3.29 s: six and a half passes
    EXPECT_EQ(p.Run(0), 47u * 70 * 8);
    EXPECT_FALSE(tone.Done());
    const std::vector<uint8_t>& played = p.sim->Played();
    ASSERT_EQ(played.size(), 47u * 70 * 8 * kFrameBytes);
    for (size_t i = 0; i < played.size(); ++i) {
        ASSERT_EQ(played[i], tone.bytes[i % tone.bytes.size()]) << i;
    }
    ASSERT_EQ(p.out->Reset(), MMSYSERR_NOERROR);
    EXPECT_TRUE(tone.Done());
    EXPECT_EQ(p.Run(100), 0u);
}

TEST(SimWaveOut, CountedLoopRunsReturnTheirHeadersWhenTheyEnd) {
    Page a(100, 1, WHDR_BEGINLOOP, 3), b(50, 2), c(150, 3, WHDR_ENDLOOP), d(200, 4);
    Player p(0, {&a, &b, &c, &d});
    EXPECT_EQ(p.Run(50), 400u);  // in the second pass
    EXPECT_FALSE(a.Done() || b.Done() || c.Done());
    EXPECT_EQ(p.Run(63), 904u);  // three passes of 300 frames, then d
    EXPECT_TRUE(a.Done() && b.Done() && c.Done() && !d.Done());
    EXPECT_EQ(p.Run(1000), 1100u);
    EXPECT_EQ(p.sim->Played(), Concat({&a, &b, &c, &a, &b, &c, &a, &b, &c, &d}));

    // An endless loop without a whole frame must not spin.
    Page empty(0, 1, WHDR_BEGINLOOP | WHDR_ENDLOOP, 0xFFFFFFFF), after(10, 2);
    Player r(0, {&empty, &after});
    EXPECT_EQ(r.Run(100), 10u);
    EXPECT_TRUE(empty.Done() && after.Done());
}

TEST(SimWaveOut, PauseRestartResetCloseAndTheirResultCodes) {
    Page a(1600, 1), b(800, 2);
    Player p(0, {&a, &b});
    EXPECT_EQ(p.out->Write(a.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(p.out->UnprepareHeader(a.header), WAVERR_STILLPLAYING);
    EXPECT_EQ(p.out->Close(), WAVERR_STILLPLAYING);
    EXPECT_EQ(p.Run(50), 400u);
    ASSERT_EQ(p.out->Pause(), MMSYSERR_NOERROR);
    EXPECT_EQ(p.Run(5000), 400u);
    ASSERT_EQ(p.out->Restart(), MMSYSERR_NOERROR);
    EXPECT_EQ(p.Run(30), 640u);
    ASSERT_EQ(p.out->Reset(), MMSYSERR_NOERROR);
    EXPECT_TRUE(a.Done() && b.Done());
    EXPECT_EQ(p.Run(10), 0u);
    EXPECT_EQ(p.sim->Played(), std::vector<uint8_t>(a.bytes.begin(), a.bytes.begin() + 640 * 4));
    EXPECT_EQ(p.out->UnprepareHeader(a.header), MMSYSERR_NOERROR);
    EXPECT_EQ(p.out->Write(a.header), WAVERR_UNPREPARED);
    EXPECT_EQ(p.out->Close(), MMSYSERR_NOERROR);
    uint64_t frames = 0;
    for (const int result : {p.out->GetPosition(frames), p.out->Service(), p.out->Reset(),
                             p.out->Pause(), p.out->UnprepareHeader(a.header)}) {
        EXPECT_EQ(result, MMSYSERR_INVALHANDLE);
    }
}

}  // namespace
}  // namespace sonivex
