// The Qt drawing surface of the meters: twips onto whole pixels, boxes and lines that cover both
// ends, fonts sized in pixels, text in the fore colour inside its halo.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>

#include "controls/Fonts.h"
#include "controls/QtPictureCanvas.h"

namespace sonivex::testing {
namespace {

constexpr VUColour kBack{9, 9, 9};
constexpr VUColour kFore{200, 200, 200};
constexpr VUColour kInk{0, 255, 0};

// The bounding box of the pixels of that colour, and their number.
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
    const struct {
        float x1, y1, x2, y2;
        bool line;
        QRect pixels;
    } cases[] = {{45, 30, 15, 15, false, QRect(1, 1, 3, 2)},  // corners swapped
                 {29.9f, 0, 30, 0, false, QRect(1, 0, 2, 1)},
                 {0, 0, 600, 600, false, QRect(0, 0, 20, 10)},  // clipped
                 {30, 0, 30, 135, true, QRect(2, 0, 1, 10)}};
    int count = 0;
    for (const auto& c : cases) {
        QPixmap pixmap(20, 10);
        QtPictureCanvas canvas(pixmap, UiFamilies(1), kBack, kFore);
        canvas.Clear();
        if (c.line)
            canvas.Line(c.x1, c.y1, c.x2, c.y2, kInk);
        else
            canvas.FillBox(c.x1, c.y1, c.x2, c.y2, kInk);
        EXPECT_EQ(Bounds(pixmap, kInk, count), c.pixels) << c.x1;
        EXPECT_EQ(count, c.pixels.width() * c.pixels.height()) << c.x1;
    }
    QPixmap wide(120, 40);
    QtPictureCanvas canvas(wide, UiFamilies(1), kBack, kFore);
    EXPECT_FLOAT_EQ(canvas.Width(), 1800);
    EXPECT_FLOAT_EQ(canvas.Height(), 600);
    canvas.SetFontSize(9);  // 9 points = 180 twips = 12 pixels
    EXPECT_EQ(canvas.Font().pixelSize(), 12);
    EXPECT_FLOAT_EQ(canvas.TextWidth("-20.5"),
                    QFontMetricsF(canvas.Font()).horizontalAdvance("-20.5") * 15);
    EXPECT_GE(canvas.TextHeight("漢"), 12 * 15);
    canvas.Clear();
    canvas.PrintWithHalo(150, 150, "本線", kInk);  // top left at pixel (10, 10)
    const QRect text = Bounds(wide, kFore, count);
    EXPECT_GT(count, 20);
    EXPECT_GE(text.left(), 10);
    EXPECT_GE(text.top(), 10);
    Bounds(wide, kInk, count);
    EXPECT_GT(count, 20);
}

}  // namespace
}  // namespace sonivex::testing
