// Message boxes with a display: a modal QMessageBox centred on its owner window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/MessageBox.h"

namespace sonivex {

class QtMessageBox : public MessageBoxService {
  public:
    explicit QtMessageBox(QWidget* owner = nullptr) : owner_(owner) {}
    void Owner(QWidget* owner) { owner_ = owner; }

    // flags: the button set and icon as the classic API codes them; the answer likewise (IDYES).
    int Show(const std::string& text, int flags, const std::string& title) override;

  private:
    QPointer<QWidget> owner_;
};

}  // namespace sonivex
