// The signal a simulated capture device delivers: a short program of tone and silence segments.
//
// Program text: segments separated by ";", case-insensitive, any whitespace between words:
//   tone DB SECONDS     1 kHz sine on both channels, peak DB dBFS (amplitude 32767 × 10^(DB/20))
//   left DB SECONDS     the tone on the left channel only, right silent
//   right DB SECONDS    the tone on the right channel only, left silent
//   silence SECONDS     both channels 0
//   unplug              test hook: the device fails for good at this point, as if unplugged
//                       (its Service() returns MMSYSERR_NODRIVER and it delivers nothing more)
//   gone SECONDS        test hook: the device fails here as if unplugged, cannot be opened for
//                       SECONDS of clock time, and then opens again, going on with the next
//                       segment; it takes no time of the program itself
// DB is at most 0; SECONDS may be fractional. Empty segments are ignored. The program repeats
// when it ends (a program that unplugs never gets there). An empty program is a steady
// "tone -20".
//
// Frame n since the device opened is a pure function of n: with p = n modulo the program length,
// the segment holding p gives sample = nearest(A × sin(2π × ((1000 × p) mod rate) / rate)),
// so every repeat of the program is sample-identical.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sonivex {

constexpr double kSimToneHz = 1000.0;
constexpr double kSimDefaultToneDb = -20.0;
constexpr double kSimMaxSegmentSeconds = 1.0e6;  // keeps frame counts far from overflow

enum class SimSegmentKind { Tone, Left, Right, Silence, Unplug, Gone };

struct SimSegment {
    SimSegmentKind kind = SimSegmentKind::Silence;
    double db = 0;       // peak level, dBFS (tone kinds)
    double seconds = 0;  // duration (not for Unplug; for Gone, the outage)
};

// An empty program stands for the steady default tone.
struct SimProgram {
    std::vector<SimSegment> segments;
};

// Parses a program text. On a malformed text returns false, leaves `out` empty and sets `error`
// (for example "segment 2: expected 'tone DB SECONDS'").
bool ParseSimProgram(std::string_view text, SimProgram& out, std::string& error);

class SimSignal {
  public:
    SimSignal(const SimProgram& program, uint32_t rate);

    // Frame n's sample of channel 0 (left) or 1 (right).
    int16_t Sample(uint64_t frame, int channel) const;
    // Writes `frames` interleaved 16-bit frames from frame `first`; channels 1 (the left
    // channel) or 2.
    void Fill(uint64_t first, int16_t* out, uint64_t frames, int channels) const;
    // The frame at which the device unplugs; kNever when the program does not.
    uint64_t UnplugFrame() const { return unplugFrame_; }
    // The first frame at or after `from` at which the device goes away for a while (kNever when
    // it never does), and for how long.
    uint64_t NextOutage(uint64_t from, double& seconds) const;

    static constexpr uint64_t kNever = UINT64_MAX;

  private:
    struct Span {
        uint64_t start = 0;  // first frame within the program
        uint64_t frames = 0;
        double leftAmp = 0;
        double rightAmp = 0;
    };
    const Span* SpanAt(uint64_t position, size_t& hint) const;

    uint32_t rate_;
    std::vector<Span> spans_;
    uint64_t cycleFrames_ = 0;  // program length; 0 = nothing to play (silence)
    uint64_t unplugFrame_ = kNever;
    std::vector<std::pair<uint64_t, double>> outages_;  // program frame, seconds away
    std::vector<double> sine_;  // one full period of the unit sine, (1000 × k mod rate) / rate
};

}  // namespace sonivex
