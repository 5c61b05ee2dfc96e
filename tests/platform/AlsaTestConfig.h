// The private ALSA configuration of the ALSA tests: file-backed test PCMs and simulated card hints.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/AudioBackend.h"
#include "platform/WaveTypes.h"

namespace sonivex::test {

constexpr uint32_t kCaptureFileFrames = 60000;  // longer than any capture test reads

struct AlsaTestFiles {
    std::string captureFile;   // read by "testcap"
    std::string playbackFile;  // written by "testplay"
};

// Writes the configuration and the capture file once per process and points ALSA at them.
// Call before any other ALSA use; the files are removed when the process ends.
const AlsaTestFiles& UseAlsaTestConfig();

// Sample `channel` (0 left, 1 right) of frame `frame` of the capture file.
int16_t CaptureSample(uint32_t frame, int channel);

std::vector<uint8_t> ReadFileBytes(const std::string& path);

WaveFormat PcmFormat(uint32_t rate, uint16_t channels = 2, uint16_t bits = 16);

// Index of the device whose PCM is `id`; -2 when there is none.
int IndexOfPcm(const DeviceList& list, bool isInput, const std::string& id);

// Zeroed buffers of `bytes` each with their headers; Sample() reads stereo 16-bit frames.
struct TestBuffers {
    TestBuffers(size_t count, size_t bytes);
    std::vector<std::vector<uint8_t>> data;
    std::vector<WaveHeader> headers;
    int16_t Sample(size_t buffer, size_t frame, int channel) const;
};

}  // namespace sonivex::test
