// The fuzz targets link the parsers without the logger and the event loop, which would pull Qt in:
// log lines are dropped, and there are no events to run.
#include <string>

#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

void WriteLog(const std::string&, int, int) {}

void PumpEvents(int, int) {}

}  // namespace sonivex
