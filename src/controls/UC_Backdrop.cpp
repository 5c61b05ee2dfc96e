// The window's face behind its controls.
#include "controls/UC_Backdrop.h"

#include <QPaintEvent>
#include <QPainter>

#include "controls/BackgroundPainter.h"

namespace sonivex {

UC_Backdrop::UC_Backdrop(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void UC_Backdrop::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    PaintWindowBackground(painter, rect(), palette());
}

}  // namespace sonivex
