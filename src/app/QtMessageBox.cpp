// Message boxes with a display.
#include "app/QtMessageBox.h"

#include <QMessageBox>
#include <QTimer>
#include <utility>

#include "support/HeadlessMessageBox.h"

namespace sonivex {

namespace {

using Button = QMessageBox::StandardButton;

QMessageBox::StandardButtons ButtonsOf(int flags) {
    switch (flags & MB_BUTTONMASK) {
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
    switch (flags & MB_ICONMASK) {
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
    const bool tryContinue = (flags & MB_BUTTONMASK) == MB_CANCELTRYCONTINUE;
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

// A minimised owner would hide the box: then the platform places it.
QWidget* QtMessageBox::Parent() const {
    return owner_ && owner_->isVisible() && !owner_->isMinimized() ? owner_.data() : nullptr;
}

// The same box still open is not opened again: a failure met at every alert shows one box.
void QtMessageBox::ShowLater(const std::string& text, int flags, const std::string& title) {
    QPointer<QMessageBox>& open = open_[title + '\n' + text];
    if (open) return;
    auto* box = new QMessageBox(IconOf(flags), QString::fromStdString(title),
                                QString::fromStdString(text), QMessageBox::Ok, Parent());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    open = box;
    QTimer::singleShot(0, box, [box] { box->show(); });
}

int QtMessageBox::Show(const std::string& text, int flags, const std::string& title) {
    if ((flags & MB_BUTTONMASK) == MB_OK) {
        LogMessageBox(text, title);
        ShowLater(text, flags, title);
        return IDOK;
    }
    QMessageBox box(IconOf(flags), QString::fromStdString(title), QString::fromStdString(text),
                    ButtonsOf(flags), Parent());
    const auto clicked = static_cast<Button>(box.exec());
    return AnswerOf(clicked, flags);
}

}  // namespace sonivex
