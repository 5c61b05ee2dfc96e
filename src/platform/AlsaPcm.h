// One ALSA PCM opened for a wave format, and the buffer-header bookkeeping both directions share.
#pragma once

#include <alsa/asoundlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/AlsaErrors.h"
#include "platform/WaveTypes.h"

namespace sonivex {

class DeviceList;

// Opens a PCM by name without blocking; a test can put a scripted device behind it.
using PcmOpener =
    std::function<int(snd_pcm_t** pcm, const std::string& name, snd_pcm_stream_t stream)>;
int OpenPcmNonBlocking(snd_pcm_t** pcm, const std::string& name, snd_pcm_stream_t stream);

constexpr const char* kDefaultPcmName = "default";
constexpr unsigned kPeriodMs = 50;    // ALSA period asked for
constexpr unsigned kBufferMs = 1000;  // ALSA buffer asked for

// What the device granted.
struct PcmLayout {
    snd_pcm_format_t format = SND_PCM_FORMAT_S16_LE;
    unsigned channels = 0;
    unsigned rate = 0;        // frames per second
    unsigned frameBytes = 0;  // bytes per interleaved frame
    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_uframes_t bufferFrames = 0;
};

// The PCM of one direction, opened by its index in the device list.
class AlsaPcm {
  public:
    AlsaPcm(std::shared_ptr<const DeviceList> devices, snd_pcm_stream_t stream, PcmOpener opener);
    ~AlsaPcm();
    AlsaPcm(const AlsaPcm&) = delete;
    AlsaPcm& operator=(const AlsaPcm&) = delete;

    // deviceId: list index or WAVE_MAPPER. Leaves the PCM prepared; closes it on failure.
    int Open(int deviceId, const WaveFormat& format);
    void Close();
    bool IsOpen() const { return pcm_ != nullptr; }
    snd_pcm_t* Handle() const { return pcm_; }
    const PcmLayout& Layout() const { return layout_; }
    // Records an ALSA failure of this PCM for ErrorText and returns its result code.
    int Fail(int alsaErr, bool formatStage = false);
    std::string ErrorText(int code) const { return WaveErrorText(code, failure_); }

  private:
    int SetHardware(const WaveFormat& format, snd_pcm_format_t sampleFormat);
    int ResolveName(int deviceId);

    std::shared_ptr<const DeviceList> devices_;
    snd_pcm_stream_t stream_;
    PcmOpener opener_;
    snd_pcm_t* pcm_ = nullptr;
    std::string name_;  // the PCM name of the last open
    PcmLayout layout_;
    AlsaFailure failure_;
};

// The ALSA sample format of a wave format; false when there is none.
bool SampleFormatFor(const WaveFormat& format, snd_pcm_format_t& sampleFormat);

// Header bookkeeping as the wave functions do it; `open` tells whether the device is open.
int PrepareWaveHeader(bool open, WaveHeader& header);
int UnprepareWaveHeader(bool open, WaveHeader& header);
// MMSYSERR_NOERROR when the header may be queued; then it is marked queued and not done.
int QueueWaveHeader(bool open, WaveHeader& header);
void MarkHeaderDone(WaveHeader& header);

}  // namespace sonivex
