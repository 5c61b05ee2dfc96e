// Message boxes with a display, centred on their owner window. A box that only informs never
// waits: the main loop may have raised it, and no tick may stand still behind an OK button.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <map>
#include <string>

#include "platform/MessageBox.h"

namespace sonivex {

class QtMessageBox : public MessageBoxService {
  public:
    explicit QtMessageBox(QWidget* owner = nullptr) : owner_(owner) {}
    void Owner(QWidget* owner) { owner_ = owner; }

    // flags: the button set and icon as the classic API codes them; the answer likewise (IDYES).
    // An OK box is logged, shown once the running event has returned and answered IDOK at
    // once; a question waits for its answer (the main loop's ticks go on meanwhile).
    int Show(const std::string& text, int flags, const std::string& title) override;

  private:
    QWidget* Parent() const;
    void ShowLater(const std::string& text, int flags, const std::string& title);

    QPointer<QWidget> owner_;
    std::map<std::string, QPointer<QMessageBox>> open_;  // by title and text: one box each
};

}  // namespace sonivex
