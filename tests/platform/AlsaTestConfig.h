// The private ALSA configuration of the ALSA tests: file-backed test PCMs and simulated card hints.
#pragma once

#include <cstdint>
#include <string>

#include "platform/AudioBackend.h"
#include "platform/WaveTypes.h"

namespace sonivex::test {

// Writes the configuration and the capture file once per process and points ALSA at them; call
// before any other ALSA use. Returns the file the "testplay" PCM writes.
const std::string& UseAlsaTestConfig();

// Sample `channel` (0 left, 1 right) of frame `frame` of what "testcap" delivers.
int16_t CaptureSample(uint32_t frame, int channel);

WaveFormat PcmFormat(uint32_t rate, uint16_t channels = 2, uint16_t bits = 16);

// Index of the device whose PCM is `id`; -2 when there is none.
int IndexOfPcm(const DeviceList& list, bool isInput, const std::string& id);

}  // namespace sonivex::test
