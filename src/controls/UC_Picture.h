// A picture box: shows a pixmap that its owner draws into, and counts how often it is painted.
#pragma once

#include <QPixmap>
#include <QWidget>

namespace sonivex {

class UC_Picture : public QWidget {
  public:
    explicit UC_Picture(QWidget* parent = nullptr);

    // Sizes the widget and its pixmap (filled with `fill`) to width x height pixels.
    void SetPictureSize(int width, int height, const QColor& fill);
    QPixmap& Pixmap() { return pixmap_; }
    const QPixmap& Pixmap() const { return pixmap_; }
    // The pixmap changed: show it at the next paint.
    void Refresh() { update(); }
    int Paints() const { return paints_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QPixmap pixmap_;
    int paints_ = 0;
};

}  // namespace sonivex
