// The meter's drawing surface on a Qt pixmap.
#include "controls/QtPictureCanvas.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

namespace sonivex {

QColor ToQColor(VUColour c) {
    return QColor(c.r, c.g, c.b);
}

QtPictureCanvas::QtPictureCanvas(QPixmap& pixmap, const QStringList& families, VUColour back,
                                 VUColour fore, int twipsPerPixel)
    : pixmap_(pixmap), back_(back), fore_(fore), p_(std::max(1, twipsPerPixel)) {
    font_.setFamilies(families);
    SetFontSize(8.0f);
}

QtPictureCanvas::~QtPictureCanvas() {
    End();
}

float QtPictureCanvas::Width() const {
    return static_cast<float>(pixmap_.width() * p_);
}

float QtPictureCanvas::Height() const {
    return static_cast<float>(pixmap_.height() * p_);
}

// Sizes in pixels, not points: the picture keeps its twips geometry whatever the screen's DPI.
void QtPictureCanvas::SetFontSize(float points) {
    const int pixels = std::max(1, static_cast<int>(std::lround(points * kTwipsPerPoint / p_)));
    font_.setPixelSize(pixels);
    if (painter_) painter_->setFont(font_);
}

float QtPictureCanvas::TextWidth(const std::string& text) {
    return static_cast<float>(QFontMetricsF(font_).horizontalAdvance(QString::fromStdString(text)) *
                              p_);
}

float QtPictureCanvas::TextHeight(const std::string& /*text*/) {
    return static_cast<float>(std::ceil(QFontMetricsF(font_).height()) * p_);
}

QPainter& QtPictureCanvas::Painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&pixmap_);
        painter_->setFont(font_);
    }
    return *painter_;
}

void QtPictureCanvas::Begin() {
    batch_ = true;
    Painter();
}

void QtPictureCanvas::End() {
    batch_ = false;
    painter_.reset();
}

void QtPictureCanvas::Print(float x, float y, const std::string& text) {
    QPainter& p = Painter();
    p.setPen(ToQColor(fore_));
    p.drawText(QPointF(Px(x), Px(y) + QFontMetricsF(font_).ascent()), QString::fromStdString(text));
    if (!batch_) End();
}

void QtPictureCanvas::PrintWithHalo(float x, float y, const std::string& text, VUColour halo) {
    QPainter& p = Painter();
    const QString s = QString::fromStdString(text);
    const QPointF at(Px(x), Px(y) + QFontMetricsF(font_).ascent());
    p.setPen(ToQColor(halo));
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (dx || dy) p.drawText(at + QPointF(dx, dy), s);
    p.setPen(ToQColor(fore_));
    p.drawText(at, s);
    if (!batch_) End();
}

void QtPictureCanvas::FillBox(float x1, float y1, float x2, float y2, VUColour colour) {
    const QRect box(QPoint(Px(std::min(x1, x2)), Px(std::min(y1, y2))),
                    QPoint(Px(std::max(x1, x2)), Px(std::max(y1, y2))));
    Painter().fillRect(box, ToQColor(colour));
    if (!batch_) End();
}

void QtPictureCanvas::Line(float x1, float y1, float x2, float y2, VUColour colour) {
    QPainter& p = Painter();
    p.setPen(QPen(ToQColor(colour), 0));
    p.drawLine(QPoint(Px(x1), Px(y1)), QPoint(Px(x2), Px(y2)));
    if (!batch_) End();
}

void QtPictureCanvas::Clear() {
    Painter().fillRect(QRect(0, 0, pixmap_.width(), pixmap_.height()), ToQColor(back_));
    if (!batch_) End();
}

}  // namespace sonivex
