// The alarm's half second: three beeps of 62.5 ms at half scale, then silence.
#include "monitor/AlarmTone.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace sonivex {
namespace {

TEST(AlarmSamples, ThreeBeepsInHalfASecond) {
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
            if (beep)
                EXPECT_NEAR(peak, 16384, 40) << rate << " part " << part;
            else
                EXPECT_EQ(peak, 0) << rate << " part " << part;
        }
    }
}

TEST(AlarmSamples, IsA1kHzSine) {
    const std::vector<int16_t> s = AlarmSamples(48000);
    // 48 samples per cycle at 48 kHz: a quarter cycle in is the crest.
    EXPECT_EQ(s[0], 0);
    EXPECT_NEAR(s[2 * 12], 16384, 2);
    EXPECT_NEAR(s[2 * 36], -16384, 2);
    EXPECT_NEAR(s[2 * 48], 0, 2);
}

}  // namespace
}  // namespace sonivex
