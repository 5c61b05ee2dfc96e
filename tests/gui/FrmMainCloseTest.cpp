// Closing the main window: the confirmation and its answers, the real message box centred on the
// window; the two menus. (The program's own end, which asks nothing, is in the schedule window's
// tests, where it also takes that window.)
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

// The real box, answered No: the window and the monitoring go on; the box sits on the window.
// The menus call their hooks once set.
TEST(FrmMainClose, NoKeepsTheWindowAndTheMonitoring) {
    GuiHarness h;
    h.SimInputs({"tone -20 100"});
    h.Set("AutoRec", "1");
    h.Start();
    auto clickMenu = [&](QAction* action) {
        QMenuBar* bar = h.window->menuBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
        QCoreApplication::processEvents();
    };
    EXPECT_EQ(h.window->MenuConf()->text(), "設定(&C)");
    EXPECT_EQ(h.window->MenuTimer()->text(), "休止時間(&T)");
    clickMenu(h.window->MenuConf());  // no hook yet: nothing happens
    std::string calls;
    h.window->onMenuConf = [&] { calls += "conf "; };
    h.window->onMenuTimer = [&] { calls += "timer "; };
    clickMenu(h.window->MenuConf());
    clickMenu(h.window->MenuTimer());
    EXPECT_EQ(calls, "conf timer ");
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
    const int renders = h.window->MeterRenders(0);
    h.RunTicks(10);
    EXPECT_TRUE(h.Capturing(0));
    EXPECT_GT(h.window->MeterRenders(0), renders);
}

// Yes ends the program; with ErrorCatch on it ends without asking.
TEST(FrmMainClose, YesOrErrorCatchQuits) {
    for (const bool errorCatch : {false, true}) {
        SCOPED_TRACE(errorCatch);
        GuiHarness h;
        h.SimInputs({"tone -20 100"});
        h.Set("ErrorCatch", errorCatch ? "1" : "0");
        h.Start();
        h.box.answer = IDYES;
        h.window->close();
        QCoreApplication::processEvents();
        ASSERT_EQ(h.box.asked.size(), errorCatch ? 0u : 1u);
        EXPECT_TRUE(errorCatch || h.box.asked[0].flags == (MB_YESNO | MB_ICONQUESTION));
        EXPECT_EQ(h.quits, 1);
        EXPECT_FALSE(h.window->isVisible());
    }
}

TEST(QtMessageBox, ButtonsIconsAndAnswers) {
    const struct {
        int flags;
        QMessageBox::StandardButton click;
        QMessageBox::Icon icon;
        int result;
    } cases[] = {{MB_YESNO | MB_ICONQUESTION, QMessageBox::Yes, QMessageBox::Question, IDYES},
                 {0x1 | MB_ICONINFORMATION, QMessageBox::Cancel, QMessageBox::Information, 2},
                 // Escaped without a choice: a yes/no box answers No.
                 {MB_YESNO, QMessageBox::NoButton, QMessageBox::NoIcon, IDNO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        QtMessageBox box;  // no owner: the platform places it
        BoxAnswerer answer(c.click);
        EXPECT_EQ(box.Show("text", c.flags, "title"), c.result);
        EXPECT_EQ(answer.icon, c.icon);
        EXPECT_EQ(answer.buttons, 2);
    }
}

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

}  // namespace
}  // namespace sonivex::testing
