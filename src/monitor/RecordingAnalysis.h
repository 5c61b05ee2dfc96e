// Offline analysis of a recording: the monitor's own silence state machine run over a wave file in
// 0.2 s buffers at the file's rate, reporting where alerts would have come and gone.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "monitor/SilenceDetector.h"
#include "playback/WaveMMIO.h"

namespace sonivex {

struct AnalysisEvent {
    double seconds = 0;  // end of the buffer that raised or cancelled, from the file's start
    bool alert = false;  // true: alert raised; false: alert ended (audio restored)
    int kind = 0;        // alert kind 1..4
    double since = 0;    // alert: silent since; cancel: sound since
};

struct AnalysisResult {
    bool ok = false;
    std::string error;
    WaveInfo info;
    int framesPerBuffer = 0;
    double analyzedSeconds = 0;  // whole buffers analysed
    bool endInAlert = false;
    std::vector<AnalysisEvent> events;
};

// progress receives the fraction done, now and then.
AnalysisResult AnalyzeRecording(const std::string& path, const SilenceThresholds& thresholds,
                                bool mono, const std::function<void(double)>& progress = {});

}  // namespace sonivex
