// Font choices with Debian fallbacks.
#include "controls/Fonts.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

#include "playback/VUCanvas.h"

namespace sonivex {

namespace {
constexpr char kDisplayFace[] = "Impact";
constexpr char kDisplayFallback[] = "DejaVu Sans Condensed";
constexpr char kUiFace[] = "メイリオ";
constexpr char kUiDesignFace[] = "ＭＳ Ｐゴシック";
constexpr char kUiDesignFallback[] = "IPAPGothic";  // metric-compatible with the design face
constexpr char kUiFallback[] = "Noto Sans CJK JP";
}  // namespace

int PointsToPixels(float points) {
    return std::max(1, static_cast<int>(std::lround(points * kTwipsPerPoint / kTwipsPerPixel)));
}

QFont DisplayFont(float points) {
    QFont font;
    font.setFamilies({kDisplayFace, kDisplayFallback});
    // Impact is heavy by itself; only the fallback needs the bold weight to look alike.
    static const bool hasImpact = QFontDatabase::families().contains(kDisplayFace);
    font.setBold(!hasImpact);
    font.setPixelSize(PointsToPixels(points));
    return font;
}

QStringList UiFamilies(int altFont) {
    if (altFont == 1) return {kUiFace, kUiFallback};
    return {kUiDesignFace, kUiDesignFallback, kUiFallback};
}

QFont UiFont(int altFont, float points) {
    QFont font;
    font.setFamilies(UiFamilies(altFont));
    font.setPixelSize(PointsToPixels(points));
    return font;
}

}  // namespace sonivex
