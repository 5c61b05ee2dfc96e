// Closing the main window: the confirmation and its answers, and the real message box. (The
// program's own end, which asks nothing, is in the schedule window's tests, where it also takes
// that window.)
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
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

// The user's close asks on the real box, centred on the window: No keeps the window and the
// monitoring, Yes ends the program. With ErrorCatch on it ends without asking.
TEST(FrmMainClose, OnlyYesOrErrorCatchQuits) {
    for (const bool errorCatch : {false, true}) {
        SCOPED_TRACE(errorCatch);
        GuiHarness h;
        h.SimInputs({"tone -20 100"});
        h.Set("AutoRec", "1");
        h.Set("ErrorCatch", errorCatch ? "1" : "0");
        h.Start();
        if (!errorCatch) {
            QtMessageBox box(h.window.get());
            SetMessageBoxService(&box);
            BoxAnswerer answer(QMessageBox::No);
            h.window->close();
            SetMessageBoxService(&h.box);
            EXPECT_EQ(answer.text + " " + answer.title, "終了しますか？ sonivex");
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
        h.box.answer = IDYES;
        h.window->close();
        QCoreApplication::processEvents();
        EXPECT_EQ(h.box.asked.size(), errorCatch ? 0u : 1u);
        EXPECT_EQ(h.quits, 1);
        EXPECT_FALSE(h.window->isVisible());
    }
}

// A question waits for its answer (escaped: No). A box that only informs holds nobody up: it
// answers at once, opens after the running event and, while open, is not opened again for the
// same text.
TEST(QtMessageBox, AQuestionWaitsAndAnOkBoxAnswersAtOnceAndOpensOnce) {
    QtMessageBox box;  // no owner: the platform places it
    for (auto [click, result] :
         {std::pair{QMessageBox::Yes, IDYES}, {QMessageBox::NoButton, IDNO}}) {
        BoxAnswerer answer(click);
        EXPECT_EQ(box.Show("text", MB_YESNO | MB_ICONQUESTION, "title"), result);
        EXPECT_EQ(answer.buttons, 2);
    }
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
