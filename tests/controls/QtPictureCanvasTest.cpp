// The Qt drawing surface of the meters: twips onto whole pixels, boxes that cover both corners,
// fonts sized in pixels, text in the fore colour.
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

class PictureCanvasTest : public ::testing::Test {
  protected:
    PictureCanvasTest() : pixmap(20, 10), canvas(pixmap, UiFamilies(1), kBack, kFore) {
        canvas.Clear();
    }
    int CountInk(QRect* bounds = nullptr) {
        const QImage image = pixmap.toImage();
        int count = 0;
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == ToQColor(kInk)) {
                    ++count;
                    box |= QRect(x, y, 1, 1);
                }
        if (bounds) *bounds = box;
        return count;
    }
    QPixmap pixmap;
    QtPictureCanvas canvas;
};

struct BoxCase {
    float x1, y1, x2, y2;
    QRect pixels;
};

class PictureBoxTest : public PictureCanvasTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(PictureBoxTest, BoxesCoverBothCornerPixels) {
    const BoxCase& c = GetParam();
    canvas.FillBox(c.x1, c.y1, c.x2, c.y2, kInk);
    QRect bounds;
    EXPECT_EQ(CountInk(&bounds), c.pixels.width() * c.pixels.height());
    EXPECT_EQ(bounds, c.pixels);
}

INSTANTIATE_TEST_SUITE_P(Boxes, PictureBoxTest,
                         ::testing::Values(BoxCase{15, 15, 45, 30, QRect(1, 1, 3, 2)},
                                           BoxCase{45, 30, 15, 15, QRect(1, 1, 3, 2)},  // swapped
                                           BoxCase{29.9f, 0, 30, 0, QRect(1, 0, 2, 1)},
                                           BoxCase{30, 0, 30, 0, QRect(2, 0, 1, 1)},
                                           BoxCase{0, 0, 600, 600, QRect(0, 0, 20, 10)}));

TEST_F(PictureCanvasTest, LinesIncludeTheirEnds) {
    canvas.Line(30, 0, 30, 135, kInk);
    QRect bounds;
    EXPECT_EQ(CountInk(&bounds), 10);
    EXPECT_EQ(bounds, QRect(2, 0, 1, 10));
}

TEST_F(PictureCanvasTest, SizesAreInTwipsAndFontsInPixels) {
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

TEST_F(PictureCanvasTest, TextIsPrintedInTheForeColourBelowItsTop) {
    QPixmap wide(120, 40);
    QtPictureCanvas text(wide, UiFamilies(1), kBack, kFore);
    text.Clear();
    text.SetFontSize(12);
    text.PrintWithHalo(150, 150, "本線", kInk);  // top left at pixel (10, 10)
    const QImage image = wide.toImage();
    int fore = 0, halo = 0;
    QRect foreBounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == ToQColor(kFore)) {
                ++fore;
                foreBounds |= QRect(x, y, 1, 1);
            }
            if (c == ToQColor(kInk)) ++halo;
        }
    EXPECT_GT(fore, 20);
    EXPECT_GT(halo, 20);
    EXPECT_GE(foreBounds.left(), 10);
    EXPECT_GE(foreBounds.top(), 10);
}

}  // namespace
}  // namespace sonivex::testing
