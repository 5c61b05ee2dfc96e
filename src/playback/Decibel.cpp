// Decibel arithmetic.
#include "playback/Decibel.h"

#include <cmath>

namespace sonivex {

float ToDecibel(float x) {
    return x <= 0 ? kFloorDB : 20.0f * std::log10(x);
}

float DecibelToGain(float dB) {
    return dB <= kFloorDB ? 0.0f : std::pow(10.0f, dB / 20.0f);
}

}  // namespace sonivex
