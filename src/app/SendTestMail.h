// sonivex --send-test-mail N: one test mail of input N through the configured server, now.
#pragma once

#include <string>

#include "app/CommandLine.h"
#include "monitor/MonitorSettings.h"

namespace sonivex {

// What a test send needs of the data folder's settings (input i's name, the texts' settings, mail
// and webhooks), with the log set up to echo on stdout; false (said on stderr) without a folder.
bool ReadTestSettings(const Options& o, const std::string& exePath, int i, MonitorSettings& s);

// Prints the dialogue; 0 when the server accepted the message, 1 otherwise.
int SendTestMail(const Options& options, const std::string& exePath);

}  // namespace sonivex
