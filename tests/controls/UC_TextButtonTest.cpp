// The drawn text button: press and release, handlers on release only, colour sets on screen,
// and no repaint when nothing changes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QTest>
#include <cstdlib>

#include "controls/UC_TextButton.h"

namespace sonivex::testing {
namespace {

const ColourSet kGrey{QColor(160, 160, 160), QColor(64, 64, 64), QColor(176, 176, 176)};
const ColourSet kBlue{QColor(192, 192, 255), QColor(32, 32, 80), QColor(160, 160, 255)};
const ColourSet kRed{QColor(255, 192, 192), QColor(80, 32, 32), QColor(255, 160, 160)};

class TextButtonTest : public ::testing::Test {
  protected:
    TextButtonTest() {
        button.resize(90, 45);
        button.SetColourSet(0, kGrey);
        button.SetColourSet(1, kBlue);
        button.SetColourSet(2, kRed);
        QFont font;
        font.setPixelSize(24);
        font.setBold(true);
        button.SetLine(0, font);
        button.SetText(0, "Audit");
        button.onPress = [this] { events += "press "; };
        button.onRelease = [this] { events += "release "; };
        button.show();
        (void)QTest::qWaitForWindowExposed(&button);
        QCoreApplication::processEvents();
    }
    int PaintsAfter() {
        QCoreApplication::processEvents();
        return button.Paints();
    }
    UC_TextButton button;
    std::string events;
};

TEST_F(TextButtonTest, HandlersActOnReleaseInsideOnly) {
    QTest::mousePress(&button, Qt::LeftButton);
    EXPECT_EQ(events, "press ");
    EXPECT_TRUE(button.IsPressed());
    QTest::mouseRelease(&button, Qt::LeftButton);
    EXPECT_EQ(events, "press release ");
    EXPECT_FALSE(button.IsPressed());

    events.clear();
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10));  // dragged off
    EXPECT_EQ(events, "press ");
    EXPECT_FALSE(button.IsPressed());

    events.clear();
    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(events, "");
}

bool Near(QColor a, QColor b, int tolerance) {
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The rim shows fill 2, the foot of the face fill 1, and the text its colour, for each set.
TEST_F(TextButtonTest, EachColourSetIsWhatIsDrawn) {
    const ColourSet* sets[] = {&kGrey, &kBlue, &kRed};
    for (int n = 0; n < 3; ++n) {
        button.UseColourSet(n);
        EXPECT_EQ(button.ColourSetInUse(), n);
        const QImage image = button.grab().toImage();
        EXPECT_EQ(image.pixelColor(45, 1), sets[n]->fill2) << n;
        EXPECT_TRUE(Near(image.pixelColor(6, 40), sets[n]->fill1, 8)) << n;
        int textPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == sets[n]->text) ++textPixels;
        EXPECT_GT(textPixels, 20) << n;
    }
}

TEST_F(TextButtonTest, RepaintsOnlyWhenTheLookChanges) {
    const int start = PaintsAfter();
    button.SetText(0, "Audit");
    button.UseColourSet(0);
    EXPECT_EQ(PaintsAfter(), start);
    button.SetText(0, "-");
    EXPECT_EQ(PaintsAfter(), start + 1);
    EXPECT_EQ(button.Text(0), "-");
    button.UseColourSet(1);
    EXPECT_EQ(PaintsAfter(), start + 2);
}

TEST_F(TextButtonTest, NumbersOutOfRangeChangeNothing) {
    button.UseColourSet(kColourSets);
    button.UseColourSet(-1);
    button.SetText(kTextLines, "x");
    button.SetColourSet(-3, kRed);
    EXPECT_EQ(button.ColourSetInUse(), 0);
    EXPECT_EQ(button.Text(kTextLines), "");
    EXPECT_EQ(button.CurrentColours().fill1, kGrey.fill1);
}

}  // namespace
}  // namespace sonivex::testing
