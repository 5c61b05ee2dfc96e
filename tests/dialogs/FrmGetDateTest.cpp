// The date dialog: the day clicked or entered is the answer, any other close gives "CANCELED",
// and it opens on the date given (dashes, no zeros, blanks around) or, when that is no date, on
// today of the program clock, which it marks.
#include <gtest/gtest.h>

#include <QTextCharFormat>

#include "DateDialogDriver.h"
#include "platform/Clock.h"

namespace sonivex::testing {
namespace {

TEST(FrmGetDate, AnswersTheDayPickedOrCanceled) {
    FakeClock clock(LocalDateTime{2026, 12, 5, 9, 30, 0, 0});
    SetProgramClock(&clock);
    QObject context;
    WhenDateDialogOpens(&context, [](FrmGetDate& d) {
        QCalendarWidget* calendar = d.Calendar();
        EXPECT_EQ(calendar->selectedDate(), QDate(2026, 12, 5));
        EXPECT_EQ(calendar->dateTextFormat(QDate(2026, 12, 5)).fontWeight(), QFont::Bold);
        EXPECT_EQ(calendar->dateTextFormat(QDate(2026, 12, 6)).fontWeight(), QFont::Normal);
        ClickDay(d, QDate(2026, 12, 24));
    });
    EXPECT_EQ(FrmGetDate::Ask(nullptr, "2026/02/30"), "2026/12/24");
    // Return takes the day shown; a close after Escape, or after moving, cancels.
    for (auto [initial, key, answer] : {std::tuple{" 2026-3-31 ", Qt::Key_Return, "2026/03/31"},
                                        {"2026/12/24", Qt::Key_Escape, "CANCELED"},
                                        {"2026/12/24", Qt::Key_Left, "CANCELED"}}) {
        WhenDateDialogOpens(&context, [key](FrmGetDate& d) {
            QTest::keyClick(d.Calendar()->findChild<QTableView*>(), key);
            d.close();
        });
        EXPECT_EQ(FrmGetDate::Ask(nullptr, initial), answer) << initial;
    }
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex::testing
