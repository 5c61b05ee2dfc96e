// The window's face behind its controls, painted by the shared background painter.
#pragma once

#include <QWidget>

namespace sonivex {

class UC_Backdrop : public QWidget {
  public:
    explicit UC_Backdrop(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace sonivex
