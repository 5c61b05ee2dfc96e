// Message box stand-in: a window's modal box, or a log line with the default answer when headless.
#pragma once

#include <string>

namespace sonivex {

// Flags and results, valued as the classic message box API values them.
constexpr int MB_OK = 0x0;
constexpr int MB_OKCANCEL = 0x1;
constexpr int MB_ABORTRETRYIGNORE = 0x2;
constexpr int MB_YESNOCANCEL = 0x3;
constexpr int MB_YESNO = 0x4;
constexpr int MB_RETRYCANCEL = 0x5;
constexpr int MB_CANCELTRYCONTINUE = 0x6;
constexpr int MB_BUTTONMASK = 0xF;
constexpr int MB_ICONMASK = 0xF0;
constexpr int MB_ICONSTOP = 0x10;  // critical
constexpr int MB_ICONQUESTION = 0x20;
constexpr int MB_ICONEXCLAMATION = 0x30;
constexpr int MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDTRYAGAIN = 10;
constexpr int IDCONTINUE = 11;

class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;
    virtual int Show(const std::string& text, int flags, const std::string& title) = 0;
};

}  // namespace sonivex
