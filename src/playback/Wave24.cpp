// Packed 24-bit little-endian samples read and written with a gain.
#include <algorithm>
#include <cmath>

#include "playback/WaveMMIO.h"

namespace sonivex {

namespace {

constexpr int32_t kMax24 = 8388607;
constexpr int32_t kMin24 = -8388608;

int32_t Get24(const uint8_t* b) {
    const int32_t v = b[0] | (b[1] << 8) | (b[2] << 16);
    return v > kMax24 ? v - 16777216 : v;
}

void Put24(int32_t v, uint8_t* b) {
    v = std::clamp(v, kMin24, kMax24);
    const uint32_t u = v < 0 ? static_cast<uint32_t>(v + 16777216) : static_cast<uint32_t>(v);
    b[0] = static_cast<uint8_t>(u);
    b[1] = static_cast<uint8_t>(u >> 8);
    b[2] = static_cast<uint8_t>(u >> 16);
}

}  // namespace

int32_t Read24Scaled(const uint8_t* bytes, float gain) {
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(Get24(bytes)) * gain));
}

void Write24Scaled(int32_t value, uint8_t* bytes, float gain) {
    const double v = std::nearbyint(static_cast<double>(value) * gain);
    Put24(static_cast<int32_t>(
              std::clamp(v, static_cast<double>(kMin24), static_cast<double>(kMax24))),
          bytes);
}

}  // namespace sonivex
