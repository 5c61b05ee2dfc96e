// Level arithmetic. The scan is the hot path of the monitor (every buffer of every input), so it is
// written to let the compiler vectorise it: integer accumulators, no branches.
#include "monitor/Levels.h"

#include <cmath>
#include <cstdlib>

#include "support/NumberText.h"

namespace sonivex {

__attribute__((target_clones("avx2", "default"))) BufferLevels MeasureBuffer(const int16_t* frames,
                                                                             size_t frameCount) {
    // Squares of 16-bit samples fit 31 bits; 2^32 frames would be needed to overflow 64 bits.
    int32_t peakL = 0, peakR = 0;
    int64_t sumL = 0, sumR = 0;
    for (size_t f = 0; f < frameCount; ++f) {
        const int32_t l = frames[2 * f];
        const int32_t r = frames[2 * f + 1];
        const int32_t al = l < 0 ? -l : l;
        const int32_t ar = r < 0 ? -r : r;
        peakL = al > peakL ? al : peakL;
        peakR = ar > peakR ? ar : peakR;
        sumL += l * l;
        sumR += r * r;
    }
    BufferLevels levels;
    levels.peak[0] = peakL;
    levels.peak[1] = peakR;
    levels.sumSquares[0] = static_cast<double>(sumL);
    levels.sumSquares[1] = static_cast<double>(sumR);
    return levels;
}

float PeakDecibel(int32_t peak) {
    return ToDecibel(static_cast<float>(peak) / kFullScale);
}

float RmsDecibel(double sumSquares, size_t frameCount) {
    if (sumSquares <= 0 || frameCount == 0) return kNoRmsDB;
    const float rms = static_cast<float>(std::sqrt(sumSquares / static_cast<double>(frameCount)));
    return ToDecibel(rms / kFullScale);
}

std::string LevelText(double sumSquares, float rmsDB) {
    if (sumSquares <= 0) return "-∞";
    std::string text = FixedText(std::fabs(rmsDB), 1);
    if (text.find('.') == 1) text = "0" + text;  // at least two digits before the point
    if (rmsDB < 0 && text != "00.0") text = "-" + text;
    return text;
}

void ApplyGain(int16_t* samples, size_t sampleCount, float gain) {
    for (size_t n = 0; n < sampleCount; ++n) {
        const float v = std::nearbyint(static_cast<float>(samples[n]) * gain);
        samples[n] =
            static_cast<int16_t>(v >= kFullScale ? 32767 : (v <= -kFullScale ? -32767 : v));
    }
}

}  // namespace sonivex
