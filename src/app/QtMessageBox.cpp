// Message boxes with a display.
#include "app/QtMessageBox.h"

#include <QMessageBox>
#include <utility>

namespace sonivex {

namespace {

constexpr int kButtonMask = 0xF;
constexpr int kIconMask = 0xF0;
// Button sets and answers of the classic API beyond those the program names.
constexpr int MB_OKCANCEL = 0x1;
constexpr int MB_ABORTRETRYIGNORE = 0x2;
constexpr int MB_YESNOCANCEL = 0x3;
constexpr int MB_RETRYCANCEL = 0x5;
constexpr int MB_CANCELTRYCONTINUE = 0x6;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

using Button = QMessageBox::StandardButton;

QMessageBox::StandardButtons ButtonsOf(int flags) {
    switch (flags & kButtonMask) {
        case MB_OKCANCEL:
            return Button::Ok | Button::Cancel;
        case MB_ABORTRETRYIGNORE:
            return Button::Abort | Button::Retry | Button::Ignore;
        case MB_YESNOCANCEL:
            return Button::Yes | Button::No | Button::Cancel;
        case MB_YESNO:
            return Button::Yes | Button::No;
        case MB_RETRYCANCEL:
            return Button::Retry | Button::Cancel;
        case MB_CANCELTRYCONTINUE:
            return Button::Cancel | Button::Retry | Button::Ignore;
        default:
            return Button::Ok;
    }
}

QMessageBox::Icon IconOf(int flags) {
    switch (flags & kIconMask) {
        case MB_ICONSTOP:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

int AnswerOf(QMessageBox::StandardButton clicked, int flags) {
    const bool tryContinue = (flags & kButtonMask) == MB_CANCELTRYCONTINUE;
    static const std::pair<Button, int> answers[] = {
        {Button::Ok, IDOK},       {Button::Cancel, IDCANCEL}, {Button::Abort, IDABORT},
        {Button::Retry, IDRETRY}, {Button::Ignore, IDIGNORE}, {Button::Yes, IDYES},
        {Button::No, IDNO}};
    if (tryContinue && clicked == Button::Retry) return IDTRYAGAIN;
    if (tryContinue && clicked == Button::Ignore) return IDCONTINUE;
    for (const auto& [button, id] : answers)
        if (button == clicked) return id;
    return (ButtonsOf(flags) & Button::Cancel) ? IDCANCEL : IDNO;
}

}  // namespace

int QtMessageBox::Show(const std::string& text, int flags, const std::string& title) {
    // A minimised owner would hide the box: then the platform places it.
    QWidget* parent =
        owner_ && owner_->isVisible() && !owner_->isMinimized() ? owner_.data() : nullptr;
    QMessageBox box(IconOf(flags), QString::fromStdString(title), QString::fromStdString(text),
                    ButtonsOf(flags), parent);
    const auto clicked = static_cast<Button>(box.exec());
    return AnswerOf(clicked, flags);
}

}  // namespace sonivex
