// The drawn text button: handlers on release inside only, colour sets on screen, and no repaint
// when nothing changes.
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

class TextButtonTest : public ::testing::Test {
  protected:
    TextButtonTest() {
        button.resize(90, 45);
        button.SetColourSet(0, kGrey);
        button.SetColourSet(1, kBlue);
        QFont font;
        font.setPixelSize(24);
        font.setBold(true);
        button.SetLine(0, font);
        button.SetText(0, "Audit");
        button.onRelease = [this] { ++releases; };
        button.show();
        (void)QTest::qWaitForWindowExposed(&button);
        QCoreApplication::processEvents();
    }
    int PaintsAfter() {
        QCoreApplication::processEvents();
        return button.Paints();
    }
    UC_TextButton button;
    int releases = 0;
};

TEST_F(TextButtonTest, TheHandlerActsOnALeftReleaseInsideOnly) {
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(releases, 1);
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10));  // dragged off
    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(releases, 1);
    EXPECT_FALSE(button.IsPressed());
}

// The rim shows fill 2, the foot of the face fill 1, and the text its colour, for each set; the
// button is painted again only when its look changes, and numbers out of range change nothing.
TEST_F(TextButtonTest, TheColourSetInUseIsWhatIsDrawn) {
    auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
               std::abs(a.blue() - b.blue()) <= 8;
    };
    for (const ColourSet* set : {&kGrey, &kBlue}) {
        button.UseColourSet(set == &kBlue);
        const QImage image = button.grab().toImage();
        EXPECT_EQ(image.pixelColor(45, 1), set->fill2);
        EXPECT_TRUE(near(image.pixelColor(6, 40), set->fill1));
        int textPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                textPixels += image.pixelColor(x, y) == set->text;
        EXPECT_GT(textPixels, 20);
    }
    button.UseColourSet(0);
    const int start = PaintsAfter();
    button.SetText(0, "Audit");
    button.UseColourSet(0);
    button.UseColourSet(kColourSets);
    button.UseColourSet(-1);
    button.SetText(kTextLines, "x");
    button.SetColourSet(-3, kBlue);
    EXPECT_EQ(PaintsAfter(), start);
    EXPECT_EQ(button.ColourSetInUse(), 0);
    EXPECT_EQ(button.Text(kTextLines), "");
    EXPECT_EQ(button.CurrentColours().fill1, kGrey.fill1);
    button.SetText(0, "-");
    EXPECT_EQ(PaintsAfter(), start + 1);
    EXPECT_EQ(button.Text(0), "-");
    button.UseColourSet(1);
    EXPECT_EQ(PaintsAfter(), start + 2);
}

}  // namespace
}  // namespace sonivex::testing
