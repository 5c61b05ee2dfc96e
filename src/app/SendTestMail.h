// sonivex --send-test-mail N: one test mail of input N through the configured server, now.
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace sonivex {

// Prints the dialogue; 0 when the server accepted the message, 1 otherwise.
int SendTestMail(const Options& options, const std::string& exePath);

}  // namespace sonivex
