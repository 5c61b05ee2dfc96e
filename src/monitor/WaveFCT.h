// Capture of the monitored inputs: one wave-in device per input with a ring of 15 buffers of
// 0.2 s, polled by the main loop one buffer at a time in ring order.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioBackend.h"

namespace sonivex {

constexpr int kMaxInputs = 8;
constexpr int kRingBuffers = 15;

class WaveFCT {
  public:
    // nFreq fixes the capture format of every input: 16-bit stereo PCM at that rate.
    WaveFCT(AudioBackend& audio, int nFreq);
    ~WaveFCT();

    int OpenCapture(int i);  // 1 on success, 0 on failure (with the device's error shown)
    void CloseCapture(int i);
    int PollCapture(int i);  // index of the buffer just completed and re-queued, or -1

    // Interleaved 16-bit stereo frames of buffer k of input i.
    const int16_t* Buffer(int i, int k) const;
    int FramesPerBuffer() const { return framesPerBuffer_; }
    const WaveFormat& Format() const { return format_; }

    std::array<int, kMaxInputs> DeviceId{};      // from the input's device name; -1 = default
    std::array<int, kMaxInputs> CaptureState{};  // 0 stopped, 1 capturing
    std::array<int, kMaxInputs> NextBuffer{};
    std::array<float, kMaxInputs> RecGain{};  // linear capture gain

  private:
    struct Input {
        std::unique_ptr<WaveIn> device;
        std::vector<std::vector<int16_t>> buffers;
        std::array<WaveHeader, kRingBuffers> headers{};
        bool failureLogged = false;
    };
    AudioBackend& audio_;
    WaveFormat format_;
    int framesPerBuffer_;
    std::array<Input, kMaxInputs> inputs_;
};

}  // namespace sonivex
