// Capture device stand-in: one open device, a queue of buffers filled in order.
#pragma once

#include <string>

#include "platform/WaveTypes.h"

namespace sonivex {

class WaveIn {
public:
    virtual ~WaveIn() = default;
    // deviceId: index into the capture device list, or WAVE_MAPPER for the default device.
    virtual int Open(int deviceId, const WaveFormat& format) = 0;
    virtual int PrepareHeader(WaveHeader& header) = 0;
    virtual int UnprepareHeader(WaveHeader& header) = 0;
    // Queues a buffer; clears its done flag.
    virtual int AddBuffer(WaveHeader& header) = 0;
    virtual int Start() = 0;
    virtual int Stop() = 0;
    // Stops and hands every queued buffer back marked done.
    virtual int Reset() = 0;
    virtual int Close() = 0;
    // Polled by the owner: moves captured audio into the queued buffers in order and marks
    // each full one done. Returns MMSYSERR_NOERROR, or a code once the device has failed
    // for good (unplugged); it then delivers nothing more.
    virtual int Service() = 0;
    // Text for a result code, with whatever detail the last failure left.
    virtual std::string ErrorText(int code) const = 0;
};

}  // namespace sonivex
