// The report of an analysed recording: where the monitor would have raised and ended alerts, as
// text or JSON, with numbers that read the same in every locale.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "monitor/RecordingAnalysis.h"

namespace sonivex {

// hh:mm:ss.s of a position in seconds.
std::string PositionText(double seconds);
std::string AnalysisText(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono);
std::string AnalysisJson(const std::string& path, const AnalysisResult& r,
                         const SilenceThresholds& t, bool mono);

// Analyses the file and writes its report to `out`, or why it cannot be analysed to `err`.
// 0 analysed, 1 refused.
int AnalyzeFile(const std::string& path, const SilenceThresholds& t, bool mono, bool json,
                std::ostream& out, std::ostream& err,
                const std::function<void(double)>& progress = {});

}  // namespace sonivex
