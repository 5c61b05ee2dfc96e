// The wave-audio shapes the capture and playback code is written against: format record,
// buffer header with its flags, result codes.
#pragma once

#include <cstdint>

namespace sonivex {

// Result codes, numbered as the classic multimedia API numbers them.
constexpr int MMSYSERR_NOERROR = 0;
constexpr int MMSYSERR_ERROR = 1;
constexpr int MMSYSERR_BADDEVICEID = 2;
constexpr int MMSYSERR_NOTENABLED = 3;
constexpr int MMSYSERR_ALLOCATED = 4;
constexpr int MMSYSERR_INVALHANDLE = 5;
constexpr int MMSYSERR_NODRIVER = 6;
constexpr int MMSYSERR_NOMEM = 7;
constexpr int MMSYSERR_NOTSUPPORTED = 8;
constexpr int MMSYSERR_INVALFLAG = 10;
constexpr int MMSYSERR_INVALPARAM = 11;
constexpr int WAVERR_BADFORMAT = 32;
constexpr int WAVERR_STILLPLAYING = 33;
constexpr int WAVERR_UNPREPARED = 34;

// Header flags.
constexpr uint32_t WHDR_DONE = 1;
constexpr uint32_t WHDR_PREPARED = 2;
constexpr uint32_t WHDR_BEGINLOOP = 4;
constexpr uint32_t WHDR_ENDLOOP = 8;
constexpr uint32_t WHDR_INQUEUE = 16;

constexpr int WAVE_MAPPER = -1;  // the platform's default device
constexpr uint16_t WAVE_FORMAT_PCM = 1;
constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

struct WaveFormat {
    uint16_t formatTag = WAVE_FORMAT_PCM;
    uint16_t channels = 2;
    uint32_t samplesPerSec = 44100;
    uint32_t avgBytesPerSec = 44100 * 4;
    uint16_t blockAlign = 4;
    uint16_t bitsPerSample = 16;
    // Only for WAVE_FORMAT_EXTENSIBLE:
    uint16_t validBitsPerSample = 0;
    uint32_t channelMask = 0;
};

// One buffer handed to a device. The device owns it from AddBuffer/Write until it sets WHDR_DONE.
struct WaveHeader {
    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;   // bytes
    uint32_t bytesRecorded = 0;  // capture: bytes filled
    uint32_t flags = 0;
    uint32_t loops = 0;  // playback: repeats of a BEGINLOOP..ENDLOOP run
};

}  // namespace sonivex
