// The date dialog: the day clicked or entered is the answer, any other close gives "CANCELED",
// and it opens on the date given or on today of the program clock, which it marks.
#include <gtest/gtest.h>

#include <QTextCharFormat>
#include <filesystem>

#include "DateDialogDriver.h"
#include "platform/Clock.h"

namespace sonivex::testing {
namespace {

struct DateCase {
    const char* initial;
    std::function<void(FrmGetDate&)> act;
    const char* answer;
};

QWidget* View(FrmGetDate& d) {
    return d.Calendar()->findChild<QTableView*>();
}

TEST(FrmGetDate, AnswersTheDayPickedOrCanceled) {
    FakeClock clock(LocalDateTime{2026, 12, 5, 9, 30, 0, 0});
    SetProgramClock(&clock);
    auto today = [](FrmGetDate& d) {
        EXPECT_EQ(d.Calendar()->selectedDate(), QDate(2026, 12, 5));
        EXPECT_EQ(d.Calendar()->dateTextFormat(QDate(2026, 12, 5)).fontWeight(), QFont::Bold);
        EXPECT_EQ(d.Calendar()->dateTextFormat(QDate(2026, 12, 6)).fontWeight(), QFont::Normal);
        const std::string folder = SONIVEX_ARTIFACTS_DIR;
        std::filesystem::create_directories(folder);
        EXPECT_TRUE(d.grab().save(QString::fromStdString(folder + "/get-date.png")));
        ClickDay(d, 24);
    };
    const std::vector<DateCase> cases = {
        {"not a date", today, "2026/12/24"},
        {"2026-3-31", [](FrmGetDate& d) { QTest::keyClick(View(d), Qt::Key_Return); },
         "2026/03/31"},
        {"2026/12/24", [](FrmGetDate& d) { QTest::keyClick(View(d), Qt::Key_Escape); }, "CANCELED"},
        {"2026/12/24",
         [](FrmGetDate& d) {
             QTest::keyClick(View(d), Qt::Key_Left);  // moving is not choosing
             d.close();
         },
         "CANCELED"}};
    QObject context;
    for (const DateCase& c : cases) {
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
