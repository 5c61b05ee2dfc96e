// Simulated capture device: delivers its signal program into queued buffers at the Clock's pace.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioBackend.h"
#include "platform/SimSignal.h"

namespace sonivex {

class Clock;

constexpr uint32_t kSimMaxRate = 384000;  // Hz; also bounds the signal's sine table

// "Sim In 1".."Sim In 8" for index 0..7.
std::string SimInName(int index);

// Where each simulated capture device stands after a "gone" segment, kept by the backend
// across the opens of that device.
constexpr int64_t kNeverBack = INT64_MAX;

struct SimOutage {
    int64_t backAtMs = 0;                      // the device cannot be opened before this clock time
    uint64_t resumeFrame = SimSignal::kNever;  // program frame a later open goes on from
};
using SimOutages = std::array<SimOutage, kSimDevices>;

// Frames are produced from Start() at the format's rate, counted exactly from the clock's
// milliseconds (no drift). They go into the head of the queue; a full buffer is marked done
// and leaves the queue. Frames produced while nothing is queued are lost, as in an overrun.
class SimWaveIn : public WaveIn {
  public:
    SimWaveIn(const Clock& clock, const std::array<std::string, kSimDevices>& signals,
              std::shared_ptr<SimOutages> outages = nullptr);

    int Open(int deviceId, const WaveFormat& format) override;
    int PrepareHeader(WaveHeader& header) override;
    int UnprepareHeader(WaveHeader& header) override;
    int AddBuffer(WaveHeader& header) override;
    int Start() override;
    int Stop() override;
    int Reset() override;
    int Close() override;
    int Service() override;
    std::string ErrorText(int code) const override;

    // The name of the open device ("" when closed) and the reason its program was not used.
    const std::string& DeviceName() const { return name_; }
    const std::string& SignalError() const { return signalError_; }
    uint64_t FramesProduced() const { return produced_; }  // since open, delivered or lost

  private:
    int Fail(int code, const std::string& detail);
    int Dead() { return Fail(MMSYSERR_NODRIVER, name_ + (gone_ ? " is gone" : " was unplugged")); }
    uint64_t OutageFrame(double& seconds) const;
    void GoAway(uint64_t frame, double seconds);
    void Deliver(uint64_t frames);
    void Complete();

    const Clock& clock_;
    std::array<std::string, kSimDevices> signals_;
    bool open_ = false;
    bool running_ = false;
    bool unplugged_ = false;
    bool gone_ = false;  // unplugged_ by a "gone" segment: the device comes back
    std::shared_ptr<SimOutages> outages_;
    int deviceId_ = 0;
    uint64_t resumedAt_ = SimSignal::kNever;  // the outage this open came back from
    std::string name_;
    WaveFormat format_;
    std::unique_ptr<SimSignal> signal_;
    std::string signalError_;
    std::deque<WaveHeader*> queue_;
    std::vector<int16_t> scratch_;
    uint64_t headFrames_ = 0;  // frames already in the head buffer
    uint64_t produced_ = 0;    // frames since open
    int64_t startMs_ = 0;      // clock at the last Start
    uint64_t producedAtStart_ = 0;
    int lastCode_ = MMSYSERR_NOERROR;
    std::string lastDetail_;
};

// Readable text for a wave result code, plus `detail` when it is for `detailCode`.
std::string SimErrorText(int code, int detailCode, const std::string& detail);

}  // namespace sonivex
