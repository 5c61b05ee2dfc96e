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

// The rim shows fill 2, the foot of the face fill 1, and the text its colour, for each set.
TEST(TextButton, ActsOnALeftReleaseInsideAndDrawsItsColourSetOnlyWhenItsLookChanges) {
    const ColourSet grey{QColor(160, 160, 160), QColor(64, 64, 64), QColor(176, 176, 176)};
    const ColourSet blue{QColor(192, 192, 255), QColor(32, 32, 80), QColor(160, 160, 255)};
    UC_TextButton button;
    button.resize(90, 45);
    button.SetColourSet(0, grey);
    button.SetColourSet(1, blue);
    QFont font;
    font.setPixelSize(24);
    font.setBold(true);
    button.SetLine(0, font);
    button.SetText(0, "Audit");
    int releases = 0;
    button.onRelease = [&releases] { ++releases; };
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QTest::mouseClick(&button, Qt::LeftButton);
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10));  // dragged off
    QTest::mouseClick(&button, Qt::RightButton);
    EXPECT_EQ(releases, 1);
    EXPECT_FALSE(button.IsPressed());

    auto near = [](QColor a, QColor b) {
        return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
               std::abs(a.blue() - b.blue()) <= 8;
    };
    for (const ColourSet* set : {&blue, &grey}) {
        button.UseColourSet(set == &blue);
        const QImage image = button.grab().toImage();
        EXPECT_EQ(image.pixelColor(45, 1), set->fill2);
        EXPECT_TRUE(near(image.pixelColor(6, 40), set->fill1));
        int textPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                textPixels += image.pixelColor(x, y) == set->text;
        EXPECT_GT(textPixels, 20);
    }
    auto paints = [&button] {
        QCoreApplication::processEvents();
        return button.Paints();
    };
    const int start = paints();
    button.SetText(0, "Audit");
    button.UseColourSet(0);
    EXPECT_EQ(paints(), start);
    button.SetText(0, "-");
    EXPECT_EQ(paints(), start + 1);
    button.UseColourSet(1);
    EXPECT_EQ(paints(), start + 2);
}

}  // namespace
}  // namespace sonivex::testing
