// Wave-out on an ALSA playback PCM: queued buffers (with loops) written when serviced.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/AlsaPcm.h"
#include "platform/AlsaPlayQueue.h"
#include "platform/WaveOut.h"

namespace sonivex {

constexpr unsigned kPlaybackFillMs = 500;  // audio kept queued in the device

// The bytes most recently written, up to a capacity: what a dropped device had not yet played.
class RecentBytes {
  public:
    void Reset(size_t capacity);
    void Append(const uint8_t* data, size_t bytes);
    // The last `bytes` appended (fewer if fewer are held).
    std::vector<uint8_t> Last(size_t bytes) const;
    size_t Size() const { return size_; }

  private:
    std::vector<uint8_t> ring_;
    size_t end_ = 0;   // next write position
    size_t size_ = 0;  // valid bytes
};

class AlsaWaveOut : public WaveOut {
  public:
    explicit AlsaWaveOut(std::shared_ptr<const DeviceList> devices, PcmOpener opener = {});
    ~AlsaWaveOut() override;

    int Open(int deviceId, const WaveFormat& format) override;
    int PrepareHeader(WaveHeader& header) override;
    int UnprepareHeader(WaveHeader& header) override;
    int Write(WaveHeader& header) override;
    int Reset() override;
    int Pause() override;
    int Restart() override;
    int GetPosition(uint64_t& frames) override;
    int SetVolume(uint32_t volume) override;
    int Close() override;
    int Service() override;
    std::string ErrorText(int code) const override;

  private:
    // Writes up to the fill target; 0, or a negative ALSA error.
    snd_pcm_sframes_t Feed();
    snd_pcm_sframes_t Room() const;
    size_t StageChunk(snd_pcm_sframes_t maxFrames);
    void Advance(snd_pcm_sframes_t frames);
    int Trouble(int alsaErr);
    void EmulatePause();
    void Forget();

    AlsaPcm pcm_;
    PlayQueue queue_;
    std::vector<uint8_t> chunk_;  // the samples being written, volume applied
    bool chunkFromReplay_ = false;
    RecentBytes recent_;           // for a pause without hardware support
    std::vector<uint8_t> replay_;  // dropped by such a pause; written before the queue goes on
    size_t replayPos_ = 0;         // bytes of replay_ written
    uint64_t written_ = 0;         // frames written since open or reset, less those dropped
    uint32_t volume_ = kFullVolume;
    bool paused_ = false;
    bool hwPaused_ = false;            // paused with snd_pcm_pause
    int deadCode_ = MMSYSERR_NOERROR;  // nonzero once the device failed for good
};

}  // namespace sonivex
