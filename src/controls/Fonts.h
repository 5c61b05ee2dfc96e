// The faces the windows draw in: the configured names first, then faces Debian ships whose
// metrics come close, so a machine that has the configured fonts uses them.
#pragma once

#include <QFont>
#include <QStringList>

namespace sonivex {

// Buttons and the clock: "Impact", else DejaVu Sans Condensed in bold.
QFont DisplayFont(float points);
// The user-interface face: AltFont 1 "メイリオ", otherwise "ＭＳ Ｐゴシック"; then Noto Sans CJK
// JP.
QStringList UiFamilies(int altFont);
QFont UiFont(int altFont, float points);
// Font sizes are applied in pixels (20 twips per point), independent of the screen's DPI.
int PointsToPixels(float points);

}  // namespace sonivex
