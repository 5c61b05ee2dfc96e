// sonivex --analyze FILE.wav: where the monitor would have raised and ended alerts on a recording.
#pragma once

#include <string>

#include "app/CommandLine.h"
#include "monitor/RecordingAnalysis.h"

namespace sonivex {

// The exit code: 0 analysed, 1 the file could not be read.
int RunAnalyze(const Options& options, const std::string& exePath);

// hh:mm:ss.s of a position in seconds.
std::string PositionText(double seconds);
std::string AnalysisText(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono);
std::string AnalysisJson(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono);

}  // namespace sonivex
