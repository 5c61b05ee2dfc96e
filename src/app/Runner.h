// Wiring of one run: data folder, backends, clock, the monitor and its two timers.
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace sonivex {

// Runs the monitor until a signal, --quit-after or the end of the event loop; the exit code.
int RunMonitor(const Options& options, const std::string& exePath);
// Prints the capture and output devices of the chosen family; the exit code.
int ListDevices(const Options& options);

}  // namespace sonivex
