// sonivex --mail-queue: what waits in the spool, read beside a running program or without one.
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace sonivex {

int ListMailQueue(const Options& o, const std::string& exePath);

}  // namespace sonivex
