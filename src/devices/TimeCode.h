// The time code a serial clock sends in time-code mode: digits "hhmmss" ended by 0xE5, in pieces
// as the port delivers them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "devices/ClockCorrection.h"

namespace sonivex {

constexpr uint8_t kTimeCodeEnd = 0xE5;

// Adds received bytes to the time-code text; each code that ends in 0xE5 and shows the target
// calls onTarget. Returns the last complete code as hh:mm:ss, or "".
std::string FeedTimeCode(std::string& text, const uint8_t* bytes, int count,
                         const AdjustTarget& target, const std::function<void()>& onTarget);

}  // namespace sonivex
