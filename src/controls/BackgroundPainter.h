// The shared background painter: the meters' dark backdrop and the window's face.
#pragma once

#include <QColor>
#include <QPalette>
#include <QPixmap>
#include <QRect>

class QPainter;

namespace sonivex {

// A backdrop from `dark` with a lit top rim in `light`: the meters' background picture.
void PaintMeterBackground(QPixmap& picture, const QColor& dark, const QColor& light);
// The window's face: a soft vertical shade of the palette's window colour.
void PaintWindowBackground(QPainter& painter, const QRect& area, const QPalette& palette);

}  // namespace sonivex
