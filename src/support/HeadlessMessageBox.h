// Message boxes without a window: the text goes to the operation log, the default answer comes
// back.
#pragma once

#include "platform/MessageBox.h"

namespace sonivex {

// The operation-log line of a box: "[message] title: text", the text on one line.
void LogMessageBox(const std::string& text, const std::string& title);

class HeadlessMessageBox : public MessageBoxService {
  public:
    int Show(const std::string& text, int flags, const std::string& title) override;
};

}  // namespace sonivex
