// Clock correction: the window, the target nearest to now in the three modes, midnight, and the
// time code as it arrives in pieces.
#include <gtest/gtest.h>

#include "devices/ClockCorrection.h"
#include "devices/FCT_Serial.h"

namespace sonivex {
namespace {

int At(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

TEST(ClockCorrection, WindowAroundTheTargetOfEveryHour) {
    struct Case {
        int second, noAdjustSec, minute, secondOfMinute, expected;
    };
    for (const Case& c : {Case{At(10, 2, 0), 120, 0, 0, -1}, Case{At(10, 58, 0), 120, 0, 0, -1},
                          Case{At(10, 5, 0), 0, 0, 0, 0}, Case{At(10, 28, 1), 120, 30, 0, 0},
                          Case{At(10, 28, 0), 120, 30, 0, -1}, Case{At(23, 31, 59), 120, 30, 0, 0},
                          Case{At(10, 30, 45), 30, 30, 30, 0}}) {
        EXPECT_EQ(CorrectionWindow(c.second, c.noAdjustSec, c.minute, c.secondOfMinute), c.expected)
            << c.second << " window " << c.noAdjustSec;
    }
    EXPECT_DOUBLE_EQ(SecondsSince(99.5, 100), 0);  // a small step back is no midnight
    EXPECT_DOUBLE_EQ(SecondsSince(50, 100), 86350);
}

TEST(ClockCorrection, TheTargetNearestToNowInEachMode) {
    struct Case {
        LocalDateTime now;
        AdjustTarget target;
        LocalDateTime expected;
    };
    const Case cases[] = {
        {{2026, 5, 4, 10, 59, 50}, {0, 0, 0, 1}, {2026, 5, 4, 11, 0, 0}},
        {{2026, 5, 4, 11, 30, 0}, {0, 0, 0, 1}, {2026, 5, 4, 12, 0, 0}},
        {{2026, 5, 4, 10, 20, 40}, {0, 0, 0, 0}, {2026, 5, 4, 10, 21, 0}},
        {{2026, 12, 31, 23, 59, 40}, {0, 0, 0, 1}, {2027, 1, 1, 0, 0, 0}},
        {{2027, 1, 1, 0, 0, 15}, {0, 59, 50, 1}, {2026, 12, 31, 23, 59, 50}},
        {{2026, 3, 1, 1, 0, 0}, {23, 0, 0, 2}, {2026, 2, 28, 23, 0, 0}},
        {{2026, 3, 1, 10, 20, 40}, {0, 0, 7, 9}, {2026, 3, 1, 10, 20, 7}},
    };
    for (size_t n = 0; n < std::size(cases); ++n)
        EXPECT_EQ(CivilToMs(CorrectedTime(cases[n].now, cases[n].target)),
                  CivilToMs(cases[n].expected))
            << "case " << n;
}

TEST(TimeCode, CodesEndInE5AndCorrectOnlyOnTheTarget) {
    struct Case {
        std::vector<std::string> pieces;  // what each read brings
        AdjustTarget target;
        std::string last;  // the last complete code of the last read
        int corrections;
        std::string left;  // the text that waits for more
    };
    const std::string e5 = "\xE5", hourly = "120000" + e5;
    const std::string letters = "abcdefghijklmnopqrstuvwxyz";
    const AdjustTarget top{0, 0, 0, 1};
    const Case cases[] = {
        {{"xx125900" + e5}, top, "12:59:00", 0, ""},
        {{"12345" + e5}, top, "", 0, "12345"},
        {{"123430" + e5}, {0, 0, 30, 0}, "12:34:30", 1, ""},
        {{hourly}, {0, 0, 0, 3}, "12:00:00", 0, ""},
        {{"115900" + e5 + hourly}, top, "12:00:00", 1, ""},
        {{letters + "0"}, top, "", 0, "jklmnopqrstuvwxyz0"},
        {{letters}, top, "", 0, letters},
    };
    for (const Case& c : cases) {
        std::string text, last;
        int corrections = 0;
        for (const std::string& piece : c.pieces)
            last = FeedTimeCode(text, reinterpret_cast<const uint8_t*>(piece.data()),
                                static_cast<int>(piece.size()), c.target, [&] { ++corrections; });
        EXPECT_EQ(last, c.last) << c.pieces.front();
        EXPECT_EQ(corrections, c.corrections) << c.pieces.front();
        EXPECT_EQ(text, c.left) << c.pieces.front();
    }
}

}  // namespace
}  // namespace sonivex
