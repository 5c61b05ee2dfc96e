// Playback device stand-in: one open device playing queued buffers in order, with loops.
#pragma once

#include <cstdint>
#include <string>

#include "platform/WaveTypes.h"

namespace sonivex {

class WaveOut {
  public:
    virtual ~WaveOut() = default;
    // deviceId: index into the output device list, or WAVE_MAPPER for the default device.
    virtual int Open(int deviceId, const WaveFormat& format) = 0;
    virtual int PrepareHeader(WaveHeader& header) = 0;
    virtual int UnprepareHeader(WaveHeader& header) = 0;
    // Queues a buffer. A run from a WHDR_BEGINLOOP header to a WHDR_ENDLOOP header plays
    // `loops` times (the begin header's count; 0xFFFFFFFF is endless).
    virtual int Write(WaveHeader& header) = 0;
    // Stops at once and hands every queued buffer back marked done.
    virtual int Reset() = 0;
    // Frames played since open or the last reset.
    virtual int GetPosition(uint64_t& frames) = 0;
    virtual int Close() = 0;
    // Polled by the owner: feeds the device and marks finished buffers done. Returns
    // MMSYSERR_NOERROR, or a code once the device has failed for good.
    virtual int Service() = 0;
    virtual std::string ErrorText(int code) const = 0;
};

}  // namespace sonivex
