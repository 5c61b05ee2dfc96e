// A picture box showing its pixmap.
#include "controls/UC_Picture.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace sonivex {

UC_Picture::UC_Picture(QWidget* parent) : QWidget(parent) {
    // The pixmap covers the whole widget: nothing behind it needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UC_Picture::SetPictureSize(int width, int height, const QColor& fill) {
    pixmap_ = QPixmap(std::max(1, width), std::max(1, height));
    pixmap_.fill(fill);
    setFixedSize(pixmap_.size());
}

void UC_Picture::paintEvent(QPaintEvent* event) {
    ++paints_;
    QPainter painter(this);
    painter.drawPixmap(event->rect(), pixmap_, event->rect());
}

}  // namespace sonivex
