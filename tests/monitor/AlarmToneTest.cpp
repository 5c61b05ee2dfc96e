// The alarm's half second: three beeps of 62.5 ms of a 1 kHz sine at half scale, then silence.
#include "monitor/AlarmTone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace sonivex {
namespace {

TEST(AlarmSamples, ThreeBeepsOfA1kHzSineInHalfASecond) {
    for (const int rate : {44100, 48000, 8000}) {
        const std::vector<int16_t> s = AlarmSamples(rate);
        ASSERT_EQ(s.size(), static_cast<size_t>(rate / 2) * 2) << rate;
        const long segment = std::lround(rate / 16.0);
        for (long part = 0; part < 8; ++part) {
            int peak = 0;
            for (long f = part * segment; f < std::min<long>((part + 1) * segment, rate / 2); ++f) {
                peak = std::max(peak, std::abs(static_cast<int>(s[2 * f])));
                ASSERT_EQ(s[2 * f], s[2 * f + 1]);
            }
            const bool beep = part == 0 || part == 2 || part == 4;
            EXPECT_NEAR(peak, beep ? 16384 : 0, beep ? 40 : 0) << rate << " part " << part;
        }
    }
    // 48 samples per cycle at 48 kHz: a quarter cycle in is the crest.
    const std::vector<int16_t> s = AlarmSamples(48000);
    EXPECT_EQ(s[0], 0);
    EXPECT_NEAR(s[2 * 12], 16384, 2);
    EXPECT_NEAR(s[2 * 36], -16384, 2);
    EXPECT_NEAR(s[2 * 48], 0, 2);
}

}  // namespace
}  // namespace sonivex
