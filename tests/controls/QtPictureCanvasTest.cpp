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

// How many pixels have the colour, and their bounding box.
int Count(const QPixmap& pixmap, VUColour colour, QRect* bounds = nullptr) {
    const QImage image = pixmap.toImage();
    int count = 0;
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == ToQColor(colour)) {
                ++count;
                box |= QRect(x, y, 1, 1);
            }
    if (bounds) *bounds = box;
    return count;
}

TEST(PictureCanvas, BoxesAndLinesCoverBothEndPixels) {
    const struct {
        float x1, y1, x2, y2;
        bool line;
        QRect pixels;
    } cases[] = {{15, 15, 45, 30, false, QRect(1, 1, 3, 2)},
                 {45, 30, 15, 15, false, QRect(1, 1, 3, 2)},  // corners swapped
                 {29.9f, 0, 30, 0, false, QRect(1, 0, 2, 1)},
                 {30, 0, 30, 0, false, QRect(2, 0, 1, 1)},
                 {0, 0, 600, 600, false, QRect(0, 0, 20, 10)},  // clipped
                 {30, 0, 30, 135, true, QRect(2, 0, 1, 10)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.x1);
        QPixmap pixmap(20, 10);
        QtPictureCanvas canvas(pixmap, UiFamilies(1), kBack, kFore);
        canvas.Clear();
        if (c.line)
            canvas.Line(c.x1, c.y1, c.x2, c.y2, kInk);
        else
            canvas.FillBox(c.x1, c.y1, c.x2, c.y2, kInk);
        QRect bounds;
        EXPECT_EQ(Count(pixmap, kInk, &bounds), c.pixels.width() * c.pixels.height());
        EXPECT_EQ(bounds, c.pixels);
    }
}

TEST(PictureCanvas, SizesAreInTwipsAndFontsInPixels) {
    QPixmap pixmap(20, 10);
    QtPictureCanvas canvas(pixmap, UiFamilies(1), kBack, kFore);
    EXPECT_FLOAT_EQ(canvas.Width(), 300);
    EXPECT_FLOAT_EQ(canvas.Height(), 150);
    canvas.SetFontSize(9);  // 9 points = 180 twips = 12 pixels
    EXPECT_EQ(canvas.Font().pixelSize(), 12);
    const QFontMetricsF metrics(canvas.Font());
    EXPECT_FLOAT_EQ(canvas.TextWidth("-20.5"), metrics.horizontalAdvance("-20.5") * 15);
    EXPECT_GE(canvas.TextHeight("漢"), 12 * 15);
    canvas.SetFontSize(0.1f);  // never below one pixel
    EXPECT_EQ(canvas.Font().pixelSize(), 1);
}

TEST(PictureCanvas, TextIsPrintedInTheForeColourBelowItsTop) {
    QPixmap wide(120, 40);
    QtPictureCanvas text(wide, UiFamilies(1), kBack, kFore);
    text.Clear();
    text.SetFontSize(12);
    text.PrintWithHalo(150, 150, "本線", kInk);  // top left at pixel (10, 10)
    QRect foreBounds;
    EXPECT_GT(Count(wide, kFore, &foreBounds), 20);
    EXPECT_GT(Count(wide, kInk), 20);
    EXPECT_GE(foreBounds.left(), 10);
    EXPECT_GE(foreBounds.top(), 10);
}

}  // namespace
}  // namespace sonivex::testing
