// Wave-in on an ALSA capture PCM: queued buffers filled in order when serviced.
#pragma once

#include <deque>
#include <memory>

#include "platform/AlsaPcm.h"
#include "platform/WaveIn.h"

namespace sonivex {

class AlsaWaveIn : public WaveIn {
  public:
    explicit AlsaWaveIn(std::shared_ptr<const DeviceList> devices, PcmOpener opener = {});
    ~AlsaWaveIn() override;

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

  private:
    // Reads what the device has into the head buffer; false when nothing more can be read now.
    bool FillHead(snd_pcm_sframes_t avail, int& code);
    // Overrun or suspend: recover and start again. Anything else: the device is gone.
    int Trouble(int alsaErr);
    int Mend(int alsaErr);  // 0 mended, -EAGAIN not yet, else the error that stays
    int StartPcm();
    void ReturnAll();

    AlsaPcm pcm_;
    std::deque<WaveHeader*> queue_;  // in AddBuffer order; the head is being filled
    bool started_ = false;
    int deadCode_ = MMSYSERR_NOERROR;  // nonzero once the device failed for good
};

}  // namespace sonivex
