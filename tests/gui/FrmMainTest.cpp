// The main window as a person sees it, and the message boxes of a display.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "GuiHarness.h"
#include "app/QtMessageBox.h"

namespace sonivex::testing {
namespace {

const std::vector<std::string> kNames = {"FM 本線",    "AM 本線",  "Studio A", "ラジオ第２",
                                         "中継回線 B", "Studio B", "予備系",   ""};
const std::vector<std::string> kEight = {"tone -3 100",  "tone -30 100", "tone -15 100",
                                         "tone -20 100", "tone -26 100", "left -18 100",
                                         "tone -40 100", "tone 0 100"};

QRect InWindow(FrmMain& window, QWidget* widget) {
    return QRect(widget->mapTo(&window, QPoint(0, 0)), widget->size());
}

// What a person calls the colour in the middle of a button's top rim.
std::string Rim(FrmMain& window, const QImage& shot, QWidget* button) {
    const QRect r = InWindow(window, button);
    const QColor c = shot.pixelColor(r.center().x(), r.top() + 1);
    return c.blue() - c.red() > 30 ? "blue" : c.red() - c.blue() > 30 ? "red" : "grey";
}

// Pixels of a meter that are clearly green (+1) or red (-1) bar.
int Lit(FrmMain& window, const QImage& shot, int row, int hue) {
    int lit = 0;
    const QRect r = InWindow(window, window.PictureVU(row));
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            lit += (c.green() - c.red()) * hue > 40;
        }
    return lit;
}

void ExpectRims(GuiHarness& h, const QImage& shot, int i, const char* audit, const char* alert) {
    EXPECT_EQ(Rim(*h.window, shot, h.window->AuditButton(i)), audit) << i;
    EXPECT_EQ(Rim(*h.window, shot, h.window->AlertButton(i)), alert) << i;
}

// Each row's controls side by side, rows and clock apart, all inside the face above the foot;
// monitored rows blue with bars lit. Sizes, row counts and a position off the 800 x 600 screen are
// brought into range; the placement is saved in twips at the end (unasked with ErrorCatch on).
TEST(FrmMain, EverySizeShowsEveryRowWholeAndApart) {
    const struct {
        const char *file, *sizeRate, *numRec;
        int rows;
        int meterHeight;  // pixels: 675 twips x the rate allowed
        const char *left, *top, *errorCatch;
        QPoint at;
    } scenes[] = {
        {"numrec7-sizerate0.7", "0.5", "12", 8, 31, "-300", "99999", "0", QPoint(0, 0)},
        {"numrec0-sizerate3.0", "5.0", "0", 1, 135, "99999", "1500", "1", QPoint(0, 100)}};
    for (const auto& scene : scenes) {
        SCOPED_TRACE(scene.file);
        const int rows = scene.rows;
        GuiHarness h;
        h.SimInputs(std::vector<std::string>(kEight.begin(), kEight.begin() + rows));
        h.Set("NumRec", scene.numRec);
        h.Set("SizeRate", scene.sizeRate);
        h.Set("AutoRec", "1");
        h.Set("WindowLeft", scene.left);
        h.Set("WindowTop", scene.top);
        h.Set("ErrorCatch", scene.errorCatch);
        for (int k = 0; k < rows; ++k) h.Set("AuditName_" + std::to_string(k + 1), kNames[k]);
        h.Start();
        h.RunTicks(12);
        FrmMain& w = *h.window;
        const QImage shot = Shot(w, scene.file);
        ASSERT_EQ(w.Rows(), rows);
        EXPECT_EQ(w.pos(), scene.at);
        const QRect face = InWindow(w, w.centralWidget());
        EXPECT_TRUE(QRect(QPoint(0, 0), shot.size()).contains(face));
        EXPECT_TRUE(face.contains(InWindow(w, w.TextClock())));
        int above = InWindow(w, w.TextClock()).bottom();
        for (int i = 0; i < rows; ++i) {
            SCOPED_TRACE(i);
            const QRect audit = InWindow(w, w.AuditButton(i));
            const QRect picture = InWindow(w, w.PictureVU(i));
            const QRect alert = InWindow(w, w.AlertButton(i));
            EXPECT_GT(audit.top(), above);
            EXPECT_EQ(picture.top(), audit.top());
            EXPECT_EQ(alert.top(), audit.top());
            EXPECT_EQ(picture.height(), scene.meterHeight);
            EXPECT_EQ(audit.height(), scene.meterHeight);
            EXPECT_LT(audit.right(), picture.left());
            EXPECT_LT(picture.right(), alert.left());
            EXPECT_TRUE(face.contains(audit) && face.contains(alert));
            above = audit.bottom();
            ExpectRims(h, shot, i, "blue", "grey");
            EXPECT_GT(Lit(w, shot, i, +1), 50);
        }
        EXPECT_GE(face.bottom() - above, 360 / kTwipsPerPixel);  // the foot space
        EXPECT_GT(Lit(w, shot, 0, -1), 20);                      // -3 dB runs into the red
        EXPECT_EQ(w.TextClock()->Text(0), "2026/12/05(土)");

        w.move(120, 40);
        const int width = w.frameGeometry().width();
        h.box.answer = IDYES;
        w.close();
        EXPECT_EQ(h.box.asked.size(), *scene.errorCatch == '1' ? 0u : 1u);
        EXPECT_EQ(h.quits, 1);
        h.monitor.reset();  // shutdown saves the placement
        EXPECT_EQ(
            h.store->ReadSetting("WindowLeft", "") + " " + h.store->ReadSetting("WindowTop", ""),
            "1800 600");
        EXPECT_EQ(h.store->ReadSetting("WindowWidth", ""), std::to_string(width * 15));
    }
}

// Input 1 falls silent into alert, input 2 monitors a steady tone, input 3 a level that steps
// every buffer, input 4 (unnamed) stays idle.
TEST(FrmMain, ButtonsStartStopAndCancelAndOnlyChangedMetersRedraw) {
    GuiHarness h;
    h.SimInputs({"silence 100", "tone -18 100", "tone -10 0.2; tone -30 0.2", ""});
    h.Set("MuonSec", "1");
    h.Set("MuonSecMono", "1");
    for (int k = 1; k <= 3; ++k) h.Set("AuditName_" + std::to_string(k), kNames[k - 1]);
    h.Start();
    FrmMain& w = *h.window;
    EXPECT_EQ(w.AuditButton(0)->Text(0) + w.AlertButton(0)->Text(0), "AuditAlert");
    // Both at rest: the name is printed on meter 1 only.
    EXPECT_NE(w.PictureVU(0)->Pixmap().toImage(), w.PictureVU(3)->Pixmap().toImage());
    for (int i = 0; i < 3; ++i) h.Click(w.AuditButton(i));
    EXPECT_TRUE(h.Capturing(1) && !h.Capturing(3));
    h.RunTicks(20);  // 1.2 s of silence raises the alert
    ASSERT_EQ(h.monitor->AlertActive[0], 1);
    QImage shot = Shot(w, "alert-monitoring-idle");
    ExpectRims(h, shot, 0, "blue", "red");
    ExpectRims(h, shot, 1, "blue", "grey");
    ExpectRims(h, shot, 3, "grey", "grey");
    EXPECT_GT(Lit(w, shot, 1, +1), 100);
    EXPECT_EQ(Lit(w, shot, 3, +1), 0);

    w.close();  // answered No: the window and the monitoring go on
    ASSERT_EQ(h.box.asked.size(), 1u);
    EXPECT_EQ(h.box.asked[0], ScriptedBox::Question("終了しますか？", MB_YESNO | MB_ICONQUESTION));
    EXPECT_TRUE(w.isVisible() && h.quits == 0);
    // The meters and the buttons of a row whose look does not change are not painted again.
    auto paints = [&w](int i) {
        return w.PictureVU(i)->Paints() + w.AuditButton(i)->Paints() + w.AlertButton(i)->Paints();
    };
    const int renders[] = {w.MeterRenders(1), w.MeterRenders(2), w.MeterRenders(3)};
    const int painted[] = {paints(1), paints(2), paints(3)};
    h.RunTicks(40);  // 4 s: 20 buffers per monitored input
    for (int i : {1, 3}) {
        EXPECT_EQ(w.MeterRenders(i), renders[i - 1]) << i;
        EXPECT_EQ(paints(i), painted[i - 1]) << i;
    }
    EXPECT_GE(w.MeterRenders(2) - renders[1], 19);
    EXPECT_GT(paints(2), painted[1]);

    h.Click(w.AlertButton(0));
    h.RunTicks(1);  // served at the end of the tick
    EXPECT_EQ(h.monitor->AlertActive[0], 0);
    EXPECT_FALSE(h.Capturing(0));
    EXPECT_TRUE(h.Capturing(1));
    h.Click(w.AuditButton(1));
    EXPECT_FALSE(h.Capturing(1));
    shot = w.grab().toImage();
    ExpectRims(h, shot, 0, "grey", "grey");
    ExpectRims(h, shot, 1, "grey", "grey");
    EXPECT_EQ(Lit(w, shot, 1, +1), 0);  // the stopped meter is at rest
}

// A question waits for its answer (escaped: No), centred on its owner. A box that only informs
// holds nobody up: it answers at once, opens after the running event and, while open, is not
// opened again for the same text.
TEST(QtMessageBox, AQuestionWaitsAndAnOkBoxAnswersAtOnceAndOpensOnce) {
    QWidget owner;
    owner.setGeometry(20, 40, 400, 300);  // off the screen's centre
    owner.show();
    QtMessageBox box(&owner);
    for (auto [yes, result] : {std::pair{true, IDYES}, {false, IDNO}}) {
        QTimer::singleShot(0, [&owner, yes] {  // inside the box's own loop
            auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(shown, nullptr);
            EXPECT_EQ(shown->text() + " " + shown->windowTitle(), "text title");
            EXPECT_EQ(shown->icon(), QMessageBox::Question);
            EXPECT_EQ(shown->buttons().size(), 2);
            const QPoint off = shown->frameGeometry().center() - owner.frameGeometry().center();
            EXPECT_LE(off.manhattanLength(), 4);
            if (yes)
                shown->button(QMessageBox::Yes)->click();
            else
                QTest::keyClick(shown, Qt::Key_Escape);
        });
        EXPECT_EQ(box.Show("text", MB_YESNO | MB_ICONQUESTION, "title"), result);
    }
    EXPECT_EQ(box.Show("gone", MB_OK | MB_ICONEXCLAMATION, "title"), IDOK);
    EXPECT_EQ(box.Show("gone", MB_OK | MB_ICONEXCLAMATION, "title"), IDOK);
    QCoreApplication::processEvents();
    std::vector<QMessageBox*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) open.push_back(b);
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0]->icon(), QMessageBox::Warning);
    EXPECT_EQ(open[0]->text(), "gone");
    open[0]->close();
}

}  // namespace
}  // namespace sonivex::testing
