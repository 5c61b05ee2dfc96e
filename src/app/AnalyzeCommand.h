// sonivex --analyze FILE.wav: where the monitor would have raised and ended alerts on a recording.
#pragma once

#include <string>

#include "app/AnalysisReport.h"
#include "app/CommandLine.h"

namespace sonivex {

// The exit code: 0 analysed, 1 the file could not be read.
int RunAnalyze(const Options& options, const std::string& exePath);

}  // namespace sonivex
