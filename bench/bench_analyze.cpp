// Recording analysis against the floor: a minimal loop that preads the file in 1 MB blocks and
// computes per-channel peak and sum of squares per 0.2 s. Both run on the same file in the same
// process, best of several runs each (the file comes from the page cache after the first).
// Usage: bench_analyze FILE.wav (16-bit stereo)
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "monitor/RecordingAnalysis.h"

namespace {

constexpr int kRuns = 5;

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The reference: per-channel peak and sum of squares per 0.2 s buffer, in a loop the compiler
// vectorises (integer sums).
double ReferenceLoop(const char* path, const sonivex::WaveInfo& info, double& checksum) {
    const int fd = ::open(path, O_RDONLY);
    const size_t bufferFrames = static_cast<size_t>(info.sampleRate / 5);
    const size_t bufferBytes = bufferFrames * 4;
    std::vector<int16_t> block((1 << 20) / bufferBytes * bufferBytes / 2);
    const double start = Now();
    off_t at = info.dataOffset;
    for (;;) {
        const ssize_t got = ::pread(fd, block.data(), block.size() * 2, at);
        if (got < static_cast<ssize_t>(bufferBytes)) break;
        const size_t whole = static_cast<size_t>(got) / bufferBytes;
        for (size_t b = 0; b < whole; ++b) {
            const int16_t* s = block.data() + b * bufferFrames * 2;
            int peakL = 0, peakR = 0;
            int64_t sumL = 0, sumR = 0;
            for (size_t f = 0; f < bufferFrames; ++f) {
                const int l = s[2 * f], r = s[2 * f + 1];
                peakL = std::max(peakL, std::abs(l));
                peakR = std::max(peakR, std::abs(r));
                sumL += l * l;
                sumR += r * r;
            }
            checksum += peakL + peakR + static_cast<double>(sumL) + static_cast<double>(sumR);
        }
        at += static_cast<off_t>(whole * bufferBytes);
    }
    const double elapsed = Now() - start;
    ::close(fd);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_analyze FILE.wav\n");
        return 2;
    }
    const sonivex::WaveInfo info = sonivex::ReadWaveInfo(argv[1]);
    if (!info.valid || info.channels != 2 || info.bitsPerSample != 16) {
        std::fprintf(stderr, "bench_analyze: needs a 16-bit stereo wave file\n");
        return 2;
    }
    double best[2] = {1e9, 1e9}, checksum = 0;
    size_t events = 0;
    for (int run = 0; run < kRuns; ++run) {
        best[0] = std::min(best[0], ReferenceLoop(argv[1], info, checksum));
        const double start = Now();
        const auto result = sonivex::AnalyzeRecording(argv[1], sonivex::SilenceThresholds{}, false);
        best[1] = std::min(best[1], Now() - start);
        events = result.events.size();
    }
    std::printf("file: %.0f s of audio\n", info.lengthFrames / double(info.sampleRate));
    std::printf("reference pread loop: %.3f s\n", best[0]);
    std::printf("AnalyzeRecording:     %.3f s (%.2fx the reference, %zu events)\n", best[1],
                best[1] / best[0], events);
    return checksum < 0;  // keeps the reference's work observable
}
