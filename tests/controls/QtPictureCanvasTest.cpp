// The meters' drawing surface: whole pixels, fonts sized in pixels, text inside its halo.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>

#include "controls/Fonts.h"
#include "controls/QtPictureCanvas.h"

namespace sonivex::testing {
namespace {

TEST(PictureCanvas, DrawsOnWholePixelsCoveringBothEnds) {
    constexpr VUColour kFore{200, 200, 200}, kInk{0, 255, 0};
    QPixmap pixmap(120, 40);
    QtPictureCanvas canvas(pixmap, UiFamilies(1), VUColour{9, 9, 9}, kFore);
    EXPECT_FLOAT_EQ(canvas.Width(), 1800);
    canvas.Clear();
    canvas.FillBox(45, 30, 14.9f, 15, kInk);  // corners swapped, the left one inside pixel 0
    QImage image = pixmap.toImage();
    auto inked = [&image](int x, int y) { return image.pixelColor(x, y) == ToQColor(kInk); };
    EXPECT_TRUE(inked(0, 1) && inked(3, 2));
    EXPECT_FALSE(inked(4, 2) || inked(3, 3) || inked(0, 0));
    canvas.SetFontSize(9);  // 9 points = 180 twips = 12 pixels
    EXPECT_EQ(canvas.Font().pixelSize(), 12);
    EXPECT_FLOAT_EQ(canvas.TextWidth("-20.5"),
                    QFontMetricsF(canvas.Font()).horizontalAdvance("-20.5") * 15);
    canvas.Clear();
    canvas.PrintWithHalo(150, 150, "本線", kInk);  // top left at pixel (10, 10)
    image = pixmap.toImage();
    int text = 0, halo = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            halo += inked(x, y);
            if (image.pixelColor(x, y) != ToQColor(kFore)) continue;
            ++text;
            EXPECT_TRUE(x >= 10 && y >= 10) << x << "," << y;
        }
    EXPECT_GT(text, 20);
    EXPECT_GT(halo, 20);
}

}  // namespace
}  // namespace sonivex::testing
