// A drawn text button with numbered text lines and colour sets.
#include "controls/UC_TextButton.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace sonivex {

namespace {

constexpr qreal kHighlightShare = 0.35;  // how much of the rim colour lights the face's top
constexpr qreal kCornerPixels = 3.0;
constexpr int kRimDivisor = 22;  // rim thickness: one pixel per this many pixels of height

QColor Blend(const QColor& a, const QColor& b, qreal share) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * share,
                            a.greenF() + (b.greenF() - a.greenF()) * share,
                            a.blueF() + (b.blueF() - a.blueF()) * share);
}

bool ValidIndex(int n, int count) {
    return n >= 0 && n < count;
}

}  // namespace

UC_TextButton::UC_TextButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    const ColourSet grey{QColor(160, 160, 160), QColor(64, 64, 64), QColor(176, 176, 176)};
    sets_.fill(grey);
}

void UC_TextButton::SetColourSet(int n, const ColourSet& set) {
    if (!ValidIndex(n, kColourSets)) return;
    sets_[n] = set;
    if (n == inUse_) update();
}

void UC_TextButton::UseColourSet(int n) {
    if (!ValidIndex(n, kColourSets) || n == inUse_) return;
    inUse_ = n;
    update();
}

void UC_TextButton::SetLine(int n, const QFont& font, int left) {
    if (!ValidIndex(n, kTextLines)) return;
    lines_[n].font = font;
    lines_[n].left = left;
    lines_[n].used = true;
    update();
}

void UC_TextButton::SetText(int n, const QString& text) {
    if (!ValidIndex(n, kTextLines)) return;
    Line& line = lines_[n];
    if (line.used && line.text == text) return;
    line.text = text;
    line.used = true;
    update();
}

QString UC_TextButton::Text(int n) const {
    return ValidIndex(n, kTextLines) ? lines_[n].text : QString();
}

void UC_TextButton::PaintFace(QPainter& painter) const {
    const ColourSet& c = sets_[inUse_];
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(c.fill2);
    painter.drawRoundedRect(outer, kCornerPixels, kCornerPixels);
    const qreal rim = std::max(1, height() / kRimDivisor);
    const QRectF face = outer.adjusted(rim, rim, -rim, -rim);
    QLinearGradient shade(face.topLeft(), face.bottomLeft());
    const QColor lit = Blend(c.fill1, c.fill2, kHighlightShare);
    shade.setColorAt(0, pressed_ ? c.fill1 : lit);
    shade.setColorAt(1, pressed_ ? lit : c.fill1);
    painter.setBrush(shade);
    painter.drawRoundedRect(face, kCornerPixels - 1, kCornerPixels - 1);
}

void UC_TextButton::paintEvent(QPaintEvent* /*event*/) {
    ++paints_;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintFace(painter);
    painter.setPen(sets_[inUse_].text);
    const int shift = pressed_ ? 1 : 0;  // a pressed face sinks a pixel
    for (const Line& line : lines_) {
        if (!line.used || line.text.isEmpty()) continue;
        painter.setFont(line.font);
        QRect box = rect().translated(shift, shift);
        int flags = Qt::AlignVCenter | Qt::AlignHCenter;
        if (line.left >= 0) {
            box.setLeft(line.left + shift);
            flags = Qt::AlignVCenter | Qt::AlignLeft;
        }
        painter.drawText(box, flags, line.text);
    }
}

void UC_TextButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressed_ = true;
    update();
    if (onPress) onPress();
}

void UC_TextButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) return;
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint()) && onRelease) onRelease();
}

}  // namespace sonivex
