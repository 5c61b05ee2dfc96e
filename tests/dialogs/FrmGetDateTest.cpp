// The date dialog: the day clicked or entered is the answer, any other close gives "CANCELED",
// and it opens on the date given or on today of the program clock, which it marks.
#include <gtest/gtest.h>

#include <QTextCharFormat>

#include "DateDialogDriver.h"
#include "gui/GuiHarness.h"
#include "platform/Clock.h"

namespace sonivex::testing {
namespace {

TEST(FrmGetDate, AnswersTheDayPickedOrCanceled) {
    FakeClock clock(LocalDateTime{2026, 12, 5, 9, 30, 0, 0});
    SetProgramClock(&clock);
    auto today = [](FrmGetDate& d) {
        EXPECT_EQ(d.Calendar()->selectedDate(), QDate(2026, 12, 5));
        EXPECT_EQ(d.Calendar()->dateTextFormat(QDate(2026, 12, 5)).fontWeight(), QFont::Bold);
        EXPECT_EQ(d.Calendar()->dateTextFormat(QDate(2026, 12, 6)).fontWeight(), QFont::Normal);
        Shot(d, "get-date");
        ClickDay(d, 24);
    };
    const auto key = [](Qt::Key k) {
        return [k](FrmGetDate& d) { QTest::keyClick(d.Calendar()->findChild<QTableView*>(), k); };
    };
    const struct {
        const char* initial;
        std::function<void(FrmGetDate&)> act;
        const char* answer;
    } cases[] = {{"not a date", today, "2026/12/24"},
                 {"2026-3-31", key(Qt::Key_Return), "2026/03/31"},
                 {"2026/12/24", key(Qt::Key_Escape), "CANCELED"},
                 {"2026/12/24",
                  [&](FrmGetDate& d) {
                      key(Qt::Key_Left)(d);  // moving is not choosing
                      d.close();
                  },
                  "CANCELED"}};
    QObject context;
    for (const auto& c : cases) {
        WhenDateDialogOpens(&context, c.act);
        EXPECT_EQ(FrmGetDate::Ask(nullptr, c.initial), c.answer) << c.initial;
    }
    SetProgramClock(nullptr);
}

TEST(DateOfText, AcceptsOnlyWholeDates) {
    const std::vector<std::pair<const char*, QDate>> cases = {
        {"2026/1/5", QDate(2026, 1, 5)}, {" 2026-02-28 ", QDate(2026, 2, 28)},
        {"20261224", QDate()},           {"26/1/5", QDate()},
        {"2026/02/30", QDate()},         {"yyyy/mm/dd", QDate()}};
    for (const auto& [text, date] : cases) EXPECT_EQ(DateOfText(text), date) << text;
}

}  // namespace
}  // namespace sonivex::testing
