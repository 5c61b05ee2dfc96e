// A real ALSA PCM (an ioplug device in this process) whose hardware the test moves and breaks.
#pragma once

#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>

#include <cstdint>
#include <vector>

#include "platform/AlsaPcm.h"

namespace sonivex::test {

constexpr const char* kScriptedPcmName = "scripted";

class ScriptedPcm {
  public:
    // withPause: the device offers a hardware pause; without it callers must do without.
    explicit ScriptedPcm(bool withPause = true);
    ~ScriptedPcm();
    ScriptedPcm(const ScriptedPcm&) = delete;
    ScriptedPcm& operator=(const ScriptedPcm&) = delete;

    // Opens this device for the name kScriptedPcmName; other names are unknown (-ENOENT).
    PcmOpener Opener();

    // The hardware moves: capture records `frames` more, playback plays up to `frames` of what
    // was written (none while paused or stopped). Keep each step below the buffer size.
    void Advance(snd_pcm_uframes_t frames);
    void Overrun() { xrun_ = true; }  // the next position query reports an xrun
    void Unplug() { snd_pcm_ioplug_set_state(&io_, SND_PCM_STATE_DISCONNECTED); }

    int starts = 0;                 // times the stream was started
    int prepareError = 0;           // nonzero: every prepare fails with it (a broken stream)
    std::vector<int16_t> played;    // playback samples the hardware played, in order
    uint32_t nextCaptureFrame = 0;  // capture: frame number of the next frame delivered

  private:
    static ScriptedPcm& Of(snd_pcm_ioplug_t* io) {
        return *static_cast<ScriptedPcm*>(io->private_data);
    }
    static int Halt(snd_pcm_ioplug_t* io);  // stop and prepare: idle, empty, at frame 0
    static snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                                      snd_pcm_uframes_t offset, snd_pcm_uframes_t size);
    int Create(snd_pcm_t** pcm, snd_pcm_stream_t stream);

    snd_pcm_ioplug_t io_{};
    snd_pcm_ioplug_callback_t callbacks_{};
    int pollFd_ = -1;
    bool running_ = false, paused_ = false, xrun_ = false;
    uint64_t hwFrames_ = 0;         // frames moved since the last prepare
    std::vector<int16_t> pending_;  // playback samples written but not yet played
};

}  // namespace sonivex::test
