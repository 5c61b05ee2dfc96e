// The Qt drawing surface of the meters: twips onto whole pixels, boxes and lines that cover both
// ends, fonts sized in pixels, text in the fore colour inside its halo.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>

#include "controls/Fonts.h"
#include "controls/QtPictureCanvas.h"

namespace sonivex::testing {
namespace {

// The bounding box of the pixels of that colour; `count` of them.
QRect Bounds(const QPixmap& pixmap, VUColour colour, int& count) {
    const QImage image = pixmap.toImage();
    QRect box;
    count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == ToQColor(colour)) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
    return box;
}

TEST(PictureCanvas, DrawsOnWholePixelsCoveringBothEnds) {
    constexpr VUColour kFore{200, 200, 200}, kInk{0, 255, 0};
    QPixmap pixmap(120, 40);
    QtPictureCanvas canvas(pixmap, UiFamilies(1), VUColour{9, 9, 9}, kFore);
    EXPECT_FLOAT_EQ(canvas.Width(), 1800);
    EXPECT_FLOAT_EQ(canvas.Height(), 600);
    int count = 0;
    canvas.Clear();
    canvas.FillBox(45, 30, 14.9f, 15, kInk);  // corners swapped, the left one inside pixel 0
    EXPECT_EQ(Bounds(pixmap, kInk, count), QRect(0, 1, 4, 2));
    EXPECT_EQ(count, 8);
    canvas.Clear();
    canvas.Line(30, 0, 30, 9000, kInk);  // clipped
    EXPECT_EQ(Bounds(pixmap, kInk, count), QRect(2, 0, 1, 40));
    canvas.SetFontSize(9);  // 9 points = 180 twips = 12 pixels
    EXPECT_EQ(canvas.Font().pixelSize(), 12);
    EXPECT_FLOAT_EQ(canvas.TextWidth("-20.5"),
                    QFontMetricsF(canvas.Font()).horizontalAdvance("-20.5") * 15);
    EXPECT_GE(canvas.TextHeight("漢"), 12 * 15);
    canvas.Clear();
    canvas.PrintWithHalo(150, 150, "本線", kInk);  // top left at pixel (10, 10)
    const QRect text = Bounds(pixmap, kFore, count);
    EXPECT_GT(count, 20);
    EXPECT_GE(text.left(), 10);
    EXPECT_GE(text.top(), 10);
    Bounds(pixmap, kInk, count);
    EXPECT_GT(count, 20);
}

}  // namespace
}  // namespace sonivex::testing
