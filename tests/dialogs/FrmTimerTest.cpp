// The schedule window on a running monitor, and the date dialog it opens.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QTextCharFormat>
#include <QTreeWidget>

#include "DateDialogDriver.h"
#include "dialogs/FrmTimer.h"
#include "dialogs/ScheduleWindow.h"
#include "gui/GuiHarness.h"

namespace sonivex::testing {
namespace {

// Broadcast time 2026/12/05 (Saturday) 09:30:00 on two inputs.
class TimerWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        h.SimInputs({"", ""});
        h.Start();
        h.RunTicks(1);
        AttachScheduleWindow(*h.window, *h.monitor, *h.store);
    }
    void Open() {
        h.window->MenuTimer()->trigger();
        frm = h.window->findChild<QWidget*>("FrmTimer");
        ASSERT_TRUE(frm && QTest::qWaitForWindowExposed(frm));
        list = frm->findChild<QTreeWidget*>("ListTimer");
    }
    template <class T = QAbstractButton>
    T* Get(const QString& name) {
        T* widget = frm->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QLineEdit* Box(const QString& name) { return Get<QLineEdit>(name); }
    void Type(const char* box, const char* text) {
        Box(box)->clear();
        QTest::keyClicks(Box(box), QString::fromUtf8(text));
    }
    void Click(const QString& name) { h.Click(Get(name)); }
    void ClickRow(int row, Qt::KeyboardModifiers keys = {}) {
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, keys, rect.center());
    }
    // Times typed; weekday boxes clicked (bit i = CheckWD<i>), or a December day picked.
    void Edit(const char* start, const char* end, int weekdays, int decemberDay = 0) {
        Type("TextTime0", start);
        Type("TextTime1", end);
        for (int i = 0; i < 7; ++i)
            if ((weekdays >> i) & 1) Click("CheckWD" + QString::number(i));
        if (decemberDay == 0) return;
        if (!Get("CheckDate")->isChecked()) Click("CheckDate");
        WhenDateDialogOpens(
            frm, [decemberDay](FrmGetDate& d) { ClickDay(d, QDate(2026, 12, decemberDay)); });
        h.Click(Box("TextDate"));
    }
    std::vector<TimerEntry>& Entries() { return h.monitor->Schedule()->Entries; }
    QStringList Row(int row) {
        QStringList texts;
        for (int c = 0; c < kTimerColumns; ++c) texts << list->topLevelItem(row)->text(c);
        return texts;
    }

    GuiHarness h;
    QWidget* frm = nullptr;
    QTreeWidget* list = nullptr;
};

// Six digits become a time; an entry dated before the broadcast time is refused with its message.
// The next evaluation (the clock's next second) pauses the input of a new entry; deleting asks,
// then removes every selected row, which frees the input.
TEST_F(TimerWindow, AddedEntriesPauseTheirInputUntilDeleted) {
    const TimerEntry monday{0, "11:00:00", "12:00:00", 2, ""};
    Entries() = {monday};
    Open();  // on the first row: Monday is ticked, Saturday is added
    Edit("090000", "100000", 1 << 6);
    Click("CmdAdd");
    QTest::keyClick(Get<QComboBox>("ComboCh"), Qt::Key_Down);
    Edit("09:00:00", "10:00:00", 0, 5);
    Click("CmdAdd");
    ASSERT_EQ(h.box.asked.size(), 1u);
    EXPECT_EQ(h.box.asked[0], ScriptedBox::Question(kPastMessage, MB_OK | MB_ICONSTOP));
    Edit("23:00:00", "25:00:00", 0, 24);
    Click("CmdAdd");
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(Row(1), QStringList({"1", "09:00:00", "10:00:00", "月土"}));
    EXPECT_EQ(Row(2), QStringList({"2", "23:00:00", "25:00:00", "2026/12/24"}));
    EXPECT_EQ(Entries(), (std::vector<TimerEntry>{monday,
                                                  {0, "09:00:00", "10:00:00", 66, ""},
                                                  {1, "23:00:00", "25:00:00", 0, "2026/12/24"}}));
    h.RunTicks(10);
    EXPECT_EQ(h.monitor->SchedulePause, (std::array<int, kMaxInputs>{1}));
    EXPECT_EQ(h.window->AlertButton(0)->Text(0), "-");
    ClickRow(1);
    ClickRow(2, Qt::ControlModifier);
    Click("CmdDelete");
    ASSERT_EQ(h.box.asked.size(), 2u);
    EXPECT_EQ(h.box.asked[1], ScriptedBox::Question(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(Entries().size(), 3u);
    h.box.answer = IDYES;
    Click("CmdDelete");
    EXPECT_EQ(Entries(), std::vector<TimerEntry>{monday});
    EXPECT_EQ(list->topLevelItemCount(), 1);
    h.RunTicks(10);
    EXPECT_EQ(h.monitor->SchedulePause[0], 0);
    EXPECT_EQ(h.window->AlertButton(0)->Text(0), "Alert");
}

// The first rule an entry breaks, on the default day start (05:00) at 2026/12/05 09:30:00.
TEST(TimerEntryProblem, TheFirstFailingRuleIsReported) {
    auto problem = [](const TimerEntry& e) {
        return TimerEntryProblem(e, 18000, "2026/12/05", "09:30:00");
    };
    EXPECT_EQ(problem({0, "23:00:00", "01:00:00", 2, ""}), kBadTimeMessage);
    EXPECT_EQ(problem({0, "09:00", "10:00:00", 2, ""}), kBadTimeMessage);
    EXPECT_EQ(problem({0, "09:00:00", "10:00:00", 0, ""}), kNoDayMessage);
    EXPECT_EQ(problem({0, "09:31:00", "10:00:00", 0, "2026/12/05"}), "");
}

// The window opens where it was left; a row clicked fills the editor and the date dialog, and
// Overwrite replaces it. The close box only hides; the program's end takes the window while the
// monitor and the store still exist, and the window saves its own keys.
TEST_F(TimerWindow, RowFillsTheEditorOverwriteReplacesItAndThePlacementIsKept) {
    Entries() = {{0, "09:00:00", "10:00:00", 34, ""},
                 {1, "28:00:00", "06:00:00", 0, "2027/01/02"},
                 {5, "11:00:00", "12:00:00", 0x7f, ""}};
    h.Set("WindowLeft_Timer", "1500");
    h.Set("WindowWidth_Timer", "7500");
    Open();
    EXPECT_EQ(frm->pos().x(), 100);
    EXPECT_EQ(frm->frameGeometry().width(), 500);
    ClickRow(1);
    EXPECT_EQ(Get<QComboBox>("ComboCh")->currentText(), "2");
    EXPECT_EQ(Box("TextTime0")->text(), "28:00:00");
    EXPECT_TRUE(Get("CheckDate")->isChecked() && Box("TextDate")->isEnabled());
    EXPECT_FALSE(Get("CheckWD1")->isEnabled());
    QDate shown;  // the date dialog opens on the box's date; cancelling keeps it
    WhenDateDialogOpens(frm, [&shown](FrmGetDate& d) {
        shown = d.Calendar()->selectedDate();
        d.reject();
    });
    h.Click(Box("TextDate"));
    EXPECT_EQ(shown, QDate(2027, 1, 2));
    EXPECT_EQ(Box("TextDate")->text(), "2027/01/02");
    ClickRow(0);
    EXPECT_TRUE(!Get("CheckDate")->isChecked() && Box("TextDate")->text().isEmpty());
    EXPECT_TRUE(Get("CheckWD5")->isChecked() && Get("CheckWD1")->isEnabled());
    ClickRow(2);  // channel 6 does not exist: the first one
    Type("TextTime1", "130000");
    Click("CmdOverwrite");
    EXPECT_EQ(Entries()[2], (TimerEntry{0, "11:00:00", "13:00:00", 0x7f, ""}));
    EXPECT_EQ(Row(2)[2], "13:00:00");

    QWidget* first = frm;
    frm->close();
    EXPECT_FALSE(first->isVisible());
    Open();
    EXPECT_EQ(frm, first);
    frm->move(60, 30);
    list->setColumnWidth(3, 100);
    QObject guard;  // a window refusing to close would stop the quit: fail instead of hanging
    QTimer::singleShot(0, &guard, &QCoreApplication::quit);
    QTimer::singleShot(5000, &guard, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(h.box.asked.empty());  // the program's end closes the main window unasked
    EXPECT_FALSE(h.window->isVisible());
    EXPECT_EQ(h.window->findChild<QWidget*>("FrmTimer"), nullptr);
    EXPECT_EQ(h.store->ReadSetting("WindowLeft_Timer", "") + " " +
                  h.store->ReadSetting("TabWidth_ListTimer_4", ""),
              "900 1500");
}

// The date dialog opens on the date given (dashes, no zeros, blanks around) or else on today,
// which it marks; Return takes the day shown (a click is in the edits), any other close cancels.
TEST_F(TimerWindow, TheDateDialogAnswersTheDayPickedOrCanceled) {
    QObject context;
    for (auto [initial, key, answer] : {std::tuple{"2026/02/30", Qt::Key_Return, "2026/12/05"},
                                        {" 2026-3-31 ", Qt::Key_Return, "2026/03/31"},
                                        {" 2026-3-31 ", Qt::Key_Left, "CANCELED"}}) {
        WhenDateDialogOpens(&context, [key](FrmGetDate& d) {
            EXPECT_EQ(d.Calendar()->dateTextFormat(QDate(2026, 12, 5)).fontWeight(), QFont::Bold);
            QTest::keyClick(d.Calendar()->findChild<QTableView*>(), key);
            d.close();
        });
        EXPECT_EQ(FrmGetDate::Ask(nullptr, initial), answer) << initial;
    }
}

}  // namespace
}  // namespace sonivex::testing
