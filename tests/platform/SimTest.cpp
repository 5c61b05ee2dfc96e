// The simulated devices on a fake clock: signal programs, capture and playback. (Unplugging,
// outages and stopping are checked by the monitor tests, which run on these devices.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <tuple>
#include <vector>

#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/SimSignal.h"
#include "platform/SimWaveIn.h"
#include "platform/SimWaveOut.h"

namespace sonivex {
namespace {

constexpr uint32_t kRate = 8000;  // 8 frames per 1 kHz cycle: crest at 2, trough at 6 (mod 8)

int16_t Peak(double db) {
    return static_cast<int16_t>(std::nearbyint(32767 * std::pow(10, db / 20)));
}

SimProgram Parse(const std::string& text) {
    SimProgram program;
    std::string error;
    EXPECT_TRUE(ParseSimProgram(text, program, error)) << text << ": " << error;
    return program;
}

TEST(SimProgramParse, AcceptsWhitespaceCaseAndEmptySegmentsAndNamesTheBadSegment) {
    using Segment = std::tuple<SimSegmentKind, double, double>;  // kind, dB, seconds
    std::vector<Segment> segments;
    for (const SimSegment& s :
         Parse("  TONE  -20\t1.5 ;silence 0.25;; Left -6 2; right 0 .5;gone 3;unplug;").segments) {
        segments.emplace_back(s.kind, s.db, s.seconds);
    }
    EXPECT_EQ(segments, (std::vector<Segment>{{SimSegmentKind::Tone, -20, 1.5},
                                              {SimSegmentKind::Silence, 0, 0.25},
                                              {SimSegmentKind::Left, -6, 2},
                                              {SimSegmentKind::Right, 0, 0.5},
                                              {SimSegmentKind::Gone, 0, 3},
                                              {SimSegmentKind::Unplug, 0, 0}}));
    EXPECT_TRUE(Parse(" ; ").segments.empty());
    const std::pair<const char*, const char*> bad[] = {
        {"silence 1; ; right -3 1 2", "segment 3: expected 'right DB SECONDS'"},
        {"tone -20 1;beep 1",
         "segment 2: unknown kind 'beep' (tone, left, right, silence, unplug, gone)"},
        {"gone 5", "the program has no length (every duration is 0)"},
        {"silence -1", "segment 1: duration -1 is out of range"},
    };
    for (const auto& [text, error] : bad) {
        SimProgram program;
        program.segments.resize(1);
        std::string message;
        EXPECT_FALSE(ParseSimProgram(text, program, message)) << text;
        EXPECT_EQ(message, error) << text;
        EXPECT_TRUE(program.segments.empty()) << text;
    }
}

TEST(SimSignal, SegmentsGiveTheirLevelOnTheirChannels) {
    const SimSignal s(Parse("tone -6 0.5; left -12 0.25; right 0 0.25; silence 0.5"), kRate);
    const struct {
        uint64_t from, to;
        int16_t left, right;  // peaks
    } spans[] = {{0, 4000, Peak(-6), Peak(-6)},
                 {4000, 6000, Peak(-12), 0},
                 {6000, 8000, 0, Peak(0)},
                 {8000, 12000, 0, 0}};
    for (const auto& span : spans) {
        for (uint64_t n = span.from; n < span.to; ++n) {
            for (int ch = 0; ch < 2; ++ch) {
                const int16_t peak = ch == 0 ? span.left : span.right;
                const int16_t sample = s.Sample(n, ch);
                const int exact[8] = {0, sample, peak, sample, 0, sample, -peak, sample};
                ASSERT_EQ(sample, exact[n % 8]) << n << " ch " << ch;
                ASSERT_LE(std::abs(sample), peak) << n << " ch " << ch;
            }
        }
    }
}

// Capture into a ring of 0.2 s buffers, as the monitor sets it up: a buffer completes every fifth
// of a second with the signal's own frames, and none is lost or gained over ten seconds of service
// steps that do not divide a buffer.
TEST(SimWaveIn, BuffersCompleteEveryFifthOfASecondWithoutDrift) {
    FakeClock clock;
    SimOptions options;
    options.signals[0] = "tone -20 0.3; silence 0.3";
    const auto backend = CreateSimBackend(clock, options);
    const auto in = backend->CreateWaveIn();
    ASSERT_EQ(in->Open(0, {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 16, 0}), MMSYSERR_NOERROR);
    std::vector<std::vector<int16_t>> data(15, std::vector<int16_t>(8820 * 2));
    std::vector<WaveHeader> headers(15);
    for (size_t k = 0; k < 15; ++k) {
        headers[k] = {reinterpret_cast<uint8_t*>(data[k].data()), 8820 * 4};
        ASSERT_EQ(in->PrepareHeader(headers[k]), MMSYSERR_NOERROR);
        ASSERT_EQ(in->AddBuffer(headers[k]), MMSYSERR_NOERROR);
    }
    const auto run = [&](int64_t ms) {  // the done count afterwards
        clock.Advance(ms);
        EXPECT_EQ(in->Service(), MMSYSERR_NOERROR);
        return std::count_if(headers.begin(), headers.end(),
                             [](const WaveHeader& h) { return (h.flags & WHDR_DONE) != 0; });
    };
    clock.Advance(1234);  // time before Start does not count
    ASSERT_EQ(in->Start(), MMSYSERR_NOERROR);
    EXPECT_EQ(run(199), 0);
    EXPECT_EQ(run(1), 1);
    EXPECT_EQ(run(1200), 7);
    const SimSignal signal(Parse(options.signals[0]), 44100);
    std::vector<int16_t> expected(8820 * 2);
    for (int k = 0; k < 7; ++k) {
        EXPECT_EQ(headers[k].bytesRecorded, 8820u * 4);
        signal.Fill(k * 8820ull, expected.data(), 8820, 2);
        EXPECT_EQ(data[k], expected) << k;
    }
    int64_t elapsed = 1400;
    size_t next = 0;
    for (int step = 0; step < 1429; ++step) {
        run(7);
        elapsed += 7;
        ASSERT_EQ(dynamic_cast<SimWaveIn&>(*in).FramesProduced(),
                  static_cast<uint64_t>(elapsed * 44100 / 1000));
        while (headers[next].flags & WHDR_DONE) {  // re-queued as the monitor does
            ASSERT_EQ(in->AddBuffer(headers[next]), MMSYSERR_NOERROR);
            next = (next + 1) % 15;
        }
    }
}

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
        for (Page* page : pages) {
            EXPECT_EQ(out->PrepareHeader(page->header), MMSYSERR_NOERROR);
            EXPECT_EQ(out->Write(page->header), MMSYSERR_NOERROR);
        }
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

// A counted loop run plays its passes and then returns its headers together; an endless one (the
// alarm tone on the default device) repeats exactly across services until a reset.
TEST(SimWaveOut, LoopRuns) {
    Page a(100, 1, WHDR_BEGINLOOP, 3), b(50, 2), c(150, 3, WHDR_ENDLOOP), d(200, 4);
    Player p(0, {&a, &b, &c, &d});
    EXPECT_EQ(p.Run(50), 400u);  // in the second pass
    EXPECT_FALSE(a.Done() || b.Done() || c.Done());
    EXPECT_EQ(p.Run(63), 904u);  // three passes of 300 frames, then d
    EXPECT_TRUE(a.Done() && b.Done() && c.Done() && !d.Done());
    EXPECT_EQ(p.Run(1000), 1100u);
    EXPECT_EQ(p.sim->Played(), Concat({&a, &b, &c, &a, &b, &c, &a, &b, &c, &d}));

    Page tone(4000, 9, WHDR_BEGINLOOP | WHDR_ENDLOOP, 0xFFFFFFFF);
    Player q(WAVE_MAPPER, {&tone});
    EXPECT_EQ(q.sim->DeviceName(), "default");
    for (int step = 0; step < 47; ++step) q.Run(70);  // six and a half passes
    EXPECT_FALSE(tone.Done());
    const std::vector<uint8_t>& played = q.sim->Played();
    ASSERT_EQ(played.size(), 47u * 70 * 8 * kFrameBytes);
    for (size_t i = 0; i < played.size(); ++i) ASSERT_EQ(played[i], tone.bytes[i % 16000]) << i;
    ASSERT_EQ(q.out->Reset(), MMSYSERR_NOERROR);
    EXPECT_TRUE(tone.Done());
}

}  // namespace
}  // namespace sonivex
