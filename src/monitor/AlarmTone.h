// The alarm: a 1 kHz triple beep repeating every 0.5 s on the default output, looped by the device.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AudioBackend.h"

namespace sonivex {

// Half a second of the alarm at nFreq: three 62.5 ms beeps at half full scale with 62.5 ms gaps,
// then 125 ms of silence. Interleaved 16-bit stereo.
std::vector<int16_t> AlarmSamples(int nFreq);

class AlarmTone {
  public:
    AlarmTone(AudioBackend& audio, int nFreq);
    ~AlarmTone();
    bool Playing() const { return device_ != nullptr; }
    void StartAlarmTone();
    void StopAlarmTone();
    void Service();  // keeps the device fed; called every tick

  private:
    AudioBackend& audio_;
    int nFreq_;
    std::unique_ptr<WaveOut> device_;  // set exactly while the tone plays
    std::vector<int16_t> samples_;
    WaveHeader header_{};
};

}  // namespace sonivex
