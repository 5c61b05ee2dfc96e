// Wave-out on an ALSA playback PCM: queued buffers (with loops) written when serviced.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/AlsaPcm.h"
#include "platform/AlsaPlayQueue.h"
#include "platform/WaveOut.h"

namespace sonivex {

constexpr unsigned kPlaybackFillMs = 500;  // audio kept queued in the device

class AlsaWaveOut : public WaveOut {
  public:
    explicit AlsaWaveOut(std::shared_ptr<const DeviceList> devices, PcmOpener opener = {});
    ~AlsaWaveOut() override;

    int Open(int deviceId, const WaveFormat& format) override;
    int PrepareHeader(WaveHeader& header) override;
    int UnprepareHeader(WaveHeader& header) override;
    int Write(WaveHeader& header) override;
    int Reset() override;
    int GetPosition(uint64_t& frames) override;
    int Close() override;
    int Service() override;
    std::string ErrorText(int code) const override;

  private:
    // Writes up to the fill target; 0, or a negative ALSA error.
    snd_pcm_sframes_t Feed();
    snd_pcm_sframes_t Room() const;
    int Trouble(int alsaErr);
    void Forget();

    AlsaPcm pcm_;
    PlayQueue queue_;
    uint64_t written_ = 0;             // frames written since open or reset
    int deadCode_ = MMSYSERR_NOERROR;  // nonzero once the device failed for good
};

}  // namespace sonivex
