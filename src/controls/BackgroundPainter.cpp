// The shared background painter.
#include "controls/BackgroundPainter.h"

#include <QLinearGradient>
#include <QPainter>

namespace sonivex {

namespace {
constexpr int kWindowTopLighter = 108;   // percent
constexpr int kWindowFootDarker = 112;   // percent
constexpr qreal kMeterShadeStop = 0.18;  // the rim's glow fades out within this share
}  // namespace

void PaintMeterBackground(QPixmap& picture, const QColor& dark, const QColor& light) {
    QPainter painter(&picture);
    const QRect area = picture.rect();
    QLinearGradient shade(area.topLeft(), area.bottomLeft());
    shade.setColorAt(0, dark.lighter(180));
    shade.setColorAt(kMeterShadeStop, dark);
    shade.setColorAt(1, dark);
    painter.fillRect(area, shade);
    painter.setPen(light);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

void PaintWindowBackground(QPainter& painter, const QRect& area, const QPalette& palette) {
    const QColor face = palette.color(QPalette::Window);
    QLinearGradient shade(area.topLeft(), area.bottomLeft());
    shade.setColorAt(0, face.lighter(kWindowTopLighter));
    shade.setColorAt(1, face.darker(kWindowFootDarker));
    painter.fillRect(area, shade);
}

}  // namespace sonivex
