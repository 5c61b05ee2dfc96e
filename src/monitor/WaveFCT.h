// Capture of the monitored inputs: one wave-in device per input with a ring of 15 buffers of
// 0.2 s, polled by the main loop one buffer at a time in ring order.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioBackend.h"

namespace sonivex {

constexpr int kMaxInputs = 8;
constexpr int kRingBuffers = 15;
constexpr int64_t kCaptureStallMs = 2000;  // no buffer for this long: the device has failed
constexpr int64_t kReopenMs = 5000;        // a failed device is opened again this often
constexpr int64_t kPollGapMs = 1000;       // polls further apart: the monitor itself stood still

class WaveFCT {
  public:
    // nFreq fixes the capture format of every input: 16-bit stereo PCM at that rate.
    WaveFCT(AudioBackend& audio, int nFreq);
    ~WaveFCT();

    // 1 on success, 0 on failure (with the device's error shown, unless quiet).
    int OpenCapture(int i, bool quiet = false);
    void CloseCapture(int i);
    int PollCapture(int i);  // index of the buffer just completed and re-queued, or -1
    // The device of a capturing input is gone: it is closed, and with LossRecovery opened
    // again every kReopenMs by PollCapture; the input stays capturing.
    void MarkLost(int i);

    // Interleaved 16-bit stereo frames of buffer k of input i.
    const int16_t* Buffer(int i, int k) const;
    int FramesPerBuffer() const { return framesPerBuffer_; }
    const WaveFormat& Format() const { return format_; }

    std::array<int, kMaxInputs> DeviceId{};      // from the input's device name; -1 = default
    std::array<int, kMaxInputs> CaptureState{};  // 0 stopped, 1 capturing
    std::array<int, kMaxInputs> NextBuffer{};
    std::array<float, kMaxInputs> RecGain{};  // linear capture gain
    // 1 while a capturing input's device has failed, until it delivers a buffer again.
    std::array<int, kMaxInputs> DeviceLost{};
    int LossRecovery = 1;  // 0: a failed device is only logged, and left as it is
    // The index of input i's device found again, or -1: tried before reopening a device that
    // was missing (kMissingWaveDevice).
    std::function<int(int i)> FindAgain;

  private:
    struct Input {
        std::unique_ptr<WaveIn> device;
        std::vector<std::vector<int16_t>> buffers;
        std::array<WaveHeader, kRingBuffers> headers{};
        bool failureLogged = false;
        int64_t lastBufferMs = 0;  // monotonic clock at the last buffer (or the open)
        int64_t lastPollMs = 0;
        int64_t nextOpenMs = 0;  // when a lost device is tried again
    };
    int Fail(int i, const std::string& detail);  // logs once per loss; -1
    void CloseDevice(int i);
    void Reopen(int i);
    AudioBackend& audio_;
    WaveFormat format_;
    int framesPerBuffer_;
    std::array<Input, kMaxInputs> inputs_;
};

}  // namespace sonivex
