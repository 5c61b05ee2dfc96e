// ALSA failures as wave result codes and texts, and the silencing of ALSA's own stderr output.
#pragma once

#include <cstddef>
#include <string>

namespace sonivex {

constexpr size_t kWaveErrorTextMax = 200;  // characters, as the callers' text buffer holds

// Routes ALSA's diagnostics away from stderr; the first call does it, later calls do nothing.
void SilenceAlsaLog();

// Result code for a negative ALSA/errno result. formatStage: the failure came from setting the
// hardware parameters, where -EINVAL means the format cannot be had.
int WaveCodeFromAlsa(int alsaErr, bool formatStage = false);

// The classic English text of a wave result code.
std::string WaveCodeText(int code);

// The last ALSA failure of a device, kept for its error text.
struct AlsaFailure {
    int code = 0;     // the result code it was reported as
    int alsaErr = 0;  // negative ALSA/errno value; 0 = none
    std::string pcm;  // the PCM it happened on

    void Clear() { *this = AlsaFailure{}; }
    // Records the failure and returns its result code.
    int Note(int err, const std::string& pcmName, bool formatStage = false);
};

// WaveCodeText(code), followed by the ALSA detail when `failure` was reported as this code;
// cut to kWaveErrorTextMax without splitting a UTF-8 character.
std::string WaveErrorText(int code, const AlsaFailure& failure);

}  // namespace sonivex
