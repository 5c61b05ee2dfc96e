// Message boxes without a window: one operation-log line, and the answer of the first button.
#include "support/HeadlessMessageBox.h"

#include "support/Log.h"

namespace sonivex {

namespace {

// Nobody is there to choose, so the first button (the default one) answers.
int FirstButton(int flags) {
    switch (flags & MB_BUTTONMASK) {
        case MB_OKCANCEL:
            return IDOK;
        case MB_ABORTRETRYIGNORE:
            return IDABORT;
        case MB_YESNOCANCEL:
        case MB_YESNO:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        case MB_CANCELTRYCONTINUE:
            return IDCANCEL;
        default:
            return IDOK;
    }
}

// A log line must stay one line: each CR LF, CR or LF becomes one space.
std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += ' ';
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

void LogMessageBox(const std::string& text, const std::string& title) {
    WriteLog("[message] " + title + ": " + OneLine(text));
}

int HeadlessMessageBox::Show(const std::string& text, int flags, const std::string& title) {
    LogMessageBox(text, title);
    return FirstButton(flags);
}

}  // namespace sonivex
