// Closing the main window: the confirmation and its answers, the program's own end that asks
// nothing, the real message box centred on the window, and the two menus.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>

#include "GuiHarness.h"
#include "app/QtMessageBox.h"

namespace sonivex::testing {
namespace {

struct CloseCase {
    const char* name;
    const char* errorCatch;
    int answer;
    bool asks;
    bool quits;
};

class FrmMainCloseTest : public ::testing::TestWithParam<CloseCase> {};

TEST_P(FrmMainCloseTest, CloseBox) {
    const CloseCase& c = GetParam();
    GuiHarness h;
    h.SimInputs({"tone -20 100"});
    h.Set("ErrorCatch", c.errorCatch);
    h.Set("AutoRec", "1");
    h.Start();
    h.box.answer = c.answer;
    h.window->close();
    QCoreApplication::processEvents();
    ASSERT_EQ(h.box.asked.size(), c.asks ? 1u : 0u);
    if (c.asks) {
        EXPECT_EQ(h.box.asked[0].text, "終了しますか？");
        EXPECT_EQ(h.box.asked[0].flags, MB_YESNO | MB_ICONQUESTION);
        EXPECT_EQ(h.box.asked[0].title, "sonivex");
    }
    EXPECT_EQ(h.quits, c.quits ? 1 : 0);
    EXPECT_EQ(h.window->isVisible(), !c.quits);
    if (c.quits) return;
    // No: monitoring goes on undisturbed.
    const int renders = h.window->MeterRenders(0);
    h.RunTicks(10);
    EXPECT_TRUE(h.Capturing(0));
    EXPECT_GT(h.window->MeterRenders(0), renders);
}

INSTANTIATE_TEST_SUITE_P(Answers, FrmMainCloseTest,
                         ::testing::Values(CloseCase{"No", "0", IDNO, true, false},
                                           CloseCase{"Yes", "0", IDYES, true, true},
                                           CloseCase{"ErrorCatch", "1", IDNO, false, true}),
                         [](const ::testing::TestParamInfo<CloseCase>& c) {
                             return std::string(c.param.name);
                         });

// The program's own end (a signal, --quit-after) closes the window without asking.
TEST(FrmMainClose, ApplicationQuitAsksNothing) {
    GuiHarness h;
    h.SimInputs({"tone -20 100"});
    h.Start();
    QTimer::singleShot(0, [] { QCoreApplication::quit(); });
    QTimer::singleShot(3000, [] { QCoreApplication::exit(1); });  // a refused quit ends here
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(h.box.asked.empty());
    EXPECT_FALSE(h.window->isVisible());
}

// Clicks one button of the next message box that opens and notes what the box showed.
class BoxAnswerer {
  public:
    explicit BoxAnswerer(QMessageBox::StandardButton button) {
        QObject::connect(&timer_, &QTimer::timeout, [this, button] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            timer_.stop();
            text = box->text();
            title = box->windowTitle();
            icon = box->icon();
            buttons = static_cast<int>(box->buttons().size());
            centre = box->frameGeometry().center();
            if (box->button(button))
                box->button(button)->click();
            else
                QTest::keyClick(box, Qt::Key_Escape);
        });
        timer_.start(10);
    }
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    QPoint centre;

  private:
    QTimer timer_;
};

// With the real message box: No keeps the window and the monitoring; the box sits on the window.
TEST(FrmMainClose, RealMessageBoxAnsweredNo) {
    GuiHarness h;
    h.SimInputs({"tone -20 100"});
    h.Set("AutoRec", "1");
    h.Start();
    QtMessageBox box(h.window.get());
    SetMessageBoxService(&box);
    BoxAnswerer answer(QMessageBox::No);
    h.window->close();
    SetMessageBoxService(&h.box);
    EXPECT_EQ(answer.text, "終了しますか？");
    EXPECT_EQ(answer.title, "sonivex");
    EXPECT_EQ(answer.icon, QMessageBox::Question);
    EXPECT_EQ(answer.buttons, 2);
    EXPECT_LE((answer.centre - h.window->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_TRUE(h.window->isVisible());
    EXPECT_EQ(h.quits, 0);
    h.RunTicks(4);
    EXPECT_TRUE(h.Capturing(0));
}

struct BoxCase {
    int flags;
    QMessageBox::StandardButton click;
    QMessageBox::Icon icon;
    int buttons;
    int result;
};

class QtMessageBoxTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(QtMessageBoxTest, ButtonsIconsAndAnswers) {
    const BoxCase& c = GetParam();
    QtMessageBox box;  // no owner: the platform places it
    BoxAnswerer answer(c.click);
    EXPECT_EQ(box.Show("text", c.flags, "title"), c.result);
    EXPECT_EQ(answer.icon, c.icon);
    EXPECT_EQ(answer.buttons, c.buttons);
}

INSTANTIATE_TEST_SUITE_P(Flags, QtMessageBoxTest,
                         ::testing::Values(BoxCase{MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes,
                                                   QMessageBox::Question, 2, IDYES},
                                           BoxCase{0x1 | MB_ICONINFORMATION, QMessageBox::Cancel,
                                                   QMessageBox::Information, 2, 2},
                                           // Escaped without a choice: a yes/no box answers No.
                                           BoxCase{MB_YESNO, QMessageBox::NoButton,
                                                   QMessageBox::NoIcon, 2, IDNO}));

// A box that only informs holds nobody up: it answers at once, opens after the running event
// and, while open, is not opened again for the same text.
TEST(QtMessageBox, AnOkBoxAnswersAtOnceAndOpensOnce) {
    QtMessageBox box;
    EXPECT_EQ(box.Show("gone", MB_OK | MB_ICONEXCLAMATION, "title"), IDOK);
    EXPECT_EQ(box.Show("gone", MB_OK | MB_ICONEXCLAMATION, "title"), IDOK);
    QCoreApplication::processEvents();
    std::vector<QMessageBox*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) open.push_back(b);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_FALSE(open[0]->isModal());
    EXPECT_EQ(open[0]->icon(), QMessageBox::Warning);
    EXPECT_EQ(open[0]->text(), "gone");
    open[0]->close();
}

TEST(FrmMainMenus, MenusCallTheirHooksWhenSet) {
    GuiHarness h;
    h.SimInputs({""});
    h.Start();
    EXPECT_EQ(h.window->MenuConf()->text(), "設定(&C)");
    EXPECT_EQ(h.window->MenuTimer()->text(), "休止時間(&T)");
    auto clickMenu = [&](QAction* action) {
        QMenuBar* bar = h.window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
        QCoreApplication::processEvents();
    };
    clickMenu(h.window->MenuConf());  // no hook yet: nothing happens
    std::string calls;
    h.window->onMenuConf = [&] { calls += "conf "; };
    h.window->onMenuTimer = [&] { calls += "timer "; };
    clickMenu(h.window->MenuConf());
    clickMenu(h.window->MenuTimer());
    EXPECT_EQ(calls, "conf timer ");
}

}  // namespace
}  // namespace sonivex::testing
