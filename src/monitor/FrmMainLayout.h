// The main window's geometry: the designed row 0 and clock scaled by SizeRate onto whole pixels,
// the row pitch and the window height rule. Plain arithmetic, so tests check it without a window.
#pragma once

#include "playback/VUCanvas.h"

namespace sonivex {

constexpr float kMinSizeRate = 0.7f;
constexpr float kMaxSizeRate = 3.0f;
constexpr int kMeterDesignHeight = 675;  // twips, the meter the layout was designed around

struct TwipsRect {
    int left = 0, top = 0, width = 0, height = 0;  // twips, each a whole number of pixels
};

struct PixelRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const PixelRect&) const = default;
};

struct MainLayout {
    float sizeRate = 1.0f;
    int rows = 1;
    float vScale = 1.0f;                     // meter height scale, for the meter's inner lengths
    int rowPitch = 0;                        // twips
    TwipsRect clock, audit, picture, alert;  // row 0
    TwipsRect background;                    // the meters' shared background picture
    int clientWidth = 0, clientHeight = 0;   // twips: the window's inner area below the menu

    PixelRect Clock() const;
    PixelRect Audit(int row) const;
    PixelRect Picture(int row) const;
    PixelRect Alert(int row) const;
    int ClientWidthPx() const;
    int ClientHeightPx() const;

    // The meter's settings, in the units its members take.
    float BarXStart() const { return 270 * sizeRate + 30; }
    float BarXEnd() const { return 660 * sizeRate + 30; }
    float LabelX() const { return 1 * sizeRate + 30; }
    float DBXneg() const { return 240 * sizeRate + 30; }
    int BarWidth() const;
    float BarMargin() const { return 45 * vScale; }
    float TopMargin() const { return 60 * vScale; }
    float TextFontSize() const { return 8 * vScale; }
    float ScaleFontSize() const { return 7 * vScale; }
    // The input's name on its meter.
    float NameX() const { return 600 * sizeRate; }
    float NameY() const { return 195 * vScale; }
    float NameFontSize() const { return 9 * sizeRate; }
    // Buttons and clock.
    float ButtonFontSize() const { return 18 * sizeRate; }
    float DateFontSize() const { return 11 * sizeRate; }
    float DateLeft() const { return 600 * sizeRate; }   // twips inside the clock
    float TimeLeft() const { return 2700 * sizeRate; }  // twips inside the clock
};

// sizeRate is clamped to 0.7..3.0 and numRec to 0..7.
MainLayout ComputeMainLayout(float sizeRate, int numRec);

// A designed length scaled and cut down to whole pixels, in twips.
int ScaleTwips(int designTwips, float sizeRate);

}  // namespace sonivex
