// The main window's geometry.
#include "monitor/FrmMainLayout.h"

#include <algorithm>
#include <cmath>

#include "monitor/WaveFCT.h"

namespace sonivex {

namespace {

// Row 0 and the clock as designed, in twips at SizeRate 1.
constexpr TwipsRect kClock{120, 120, 8220, 555};
constexpr TwipsRect kAudit{120, 840, 1350, kMeterDesignHeight};
constexpr TwipsRect kPicture{1530, 840, 5400, kMeterDesignHeight};
constexpr TwipsRect kAlert{6990, 840, 1350, kMeterDesignHeight};
constexpr int kClientWidth = 8460;
constexpr int kRowGap = 240;     // twips between rows, scaled with the meter
constexpr int kFootSpace = 360;  // twips below the last row
constexpr int kMeterInset = 4;   // pixels of the meter's height that do not scale

TwipsRect Scaled(const TwipsRect& r, float sizeRate) {
    return {ScaleTwips(r.left, sizeRate), ScaleTwips(r.top, sizeRate),
            ScaleTwips(r.width, sizeRate), ScaleTwips(r.height, sizeRate)};
}

int Px(int twips) {
    return PixelOf(static_cast<float>(twips), kTwipsPerPixel);
}

PixelRect ToPixels(const TwipsRect& r, int rowOffset) {
    return {Px(r.left), Px(r.top + rowOffset), Px(r.width), Px(r.height)};
}

}  // namespace

int ScaleTwips(int designTwips, float sizeRate) {
    // The product is taken to whole twips first, so 1350 x 0.7 is 945, not 944.99.
    const long product = std::lround(static_cast<double>(designTwips) * sizeRate);
    return static_cast<int>(product / kTwipsPerPixel * kTwipsPerPixel);
}

MainLayout ComputeMainLayout(float sizeRate, int numRec) {
    MainLayout l;
    // A broken setting (NaN) is taken as the design size.
    l.sizeRate = std::isnan(sizeRate) ? 1.0f : std::clamp(sizeRate, kMinSizeRate, kMaxSizeRate);
    l.rows = std::clamp(numRec, 0, kMaxInputs - 1) + 1;
    l.clock = Scaled(kClock, l.sizeRate);
    l.audit = Scaled(kAudit, l.sizeRate);
    l.picture = Scaled(kPicture, l.sizeRate);
    l.alert = Scaled(kAlert, l.sizeRate);
    l.background = {0, 0, l.picture.width, l.picture.height};
    constexpr float inset = kMeterInset * kTwipsPerPixel;
    l.vScale = (l.picture.height - inset) / (kMeterDesignHeight - inset);
    l.rowPitch = static_cast<int>(std::nearbyint(l.audit.height + kRowGap * l.vScale));
    l.clientWidth = ScaleTwips(kClientWidth, l.sizeRate);
    const int lastTop = l.audit.top + (l.rows - 1) * l.rowPitch;
    l.clientHeight = lastTop + l.audit.height + kFootSpace;
    return l;
}

PixelRect MainLayout::Clock() const {
    return ToPixels(clock, 0);
}

PixelRect MainLayout::Audit(int row) const {
    return ToPixels(audit, row * rowPitch);
}

PixelRect MainLayout::Picture(int row) const {
    return ToPixels(picture, row * rowPitch);
}

PixelRect MainLayout::Alert(int row) const {
    return ToPixels(alert, row * rowPitch);
}

int MainLayout::ClientWidthPx() const {
    return Px(clientWidth);
}

int MainLayout::ClientHeightPx() const {
    // The foot space is kept whole: a part pixel more rather than less.
    return static_cast<int>(std::ceil(static_cast<double>(clientHeight) / kTwipsPerPixel));
}

int MainLayout::BarWidth() const {
    return std::max(1, static_cast<int>(std::nearbyint(5 * vScale)));
}

}  // namespace sonivex
