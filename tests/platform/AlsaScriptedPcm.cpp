// Scripted ioplug PCM: S16_LE, 1-2 channels, 8-48 kHz, moved only by the test.
#include "AlsaScriptedPcm.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "AlsaTestConfig.h"

namespace sonivex::test {

ScriptedPcm::ScriptedPcm(bool withPause) : pollFd_(eventfd(0, EFD_NONBLOCK)) {
    callbacks_.start = [](snd_pcm_ioplug_t* io) {
        ++Of(io).starts;
        Of(io).running_ = true;
        return 0;
    };
    callbacks_.stop = &Halt;
    callbacks_.prepare = [](snd_pcm_ioplug_t* io) {
        return Of(io).prepareError != 0 ? Of(io).prepareError : Halt(io);
    };
    callbacks_.pointer = [](snd_pcm_ioplug_t* io) -> snd_pcm_sframes_t {
        if (Of(io).xrun_) return -EPIPE;
        return static_cast<snd_pcm_sframes_t>(Of(io).hwFrames_ % io->buffer_size);
    };
    callbacks_.transfer = &Transfer;
    if (withPause) {
        callbacks_.pause = [](snd_pcm_ioplug_t* io, int enable) {
            Of(io).paused_ = enable != 0;
            return 0;
        };
    }
}

ScriptedPcm::~ScriptedPcm() {
    if (pollFd_ >= 0) close(pollFd_);
}

PcmOpener ScriptedPcm::Opener() {
    return [this](snd_pcm_t** pcm, const std::string& name, snd_pcm_stream_t stream) {
        return name == kScriptedPcmName ? Create(pcm, stream) : -ENOENT;
    };
}

int ScriptedPcm::Create(snd_pcm_t** pcm, snd_pcm_stream_t stream) {
    io_ = snd_pcm_ioplug_t{};
    io_.version = SND_PCM_IOPLUG_VERSION;
    io_.name = kScriptedPcmName;
    io_.callback = &callbacks_;
    io_.private_data = this;
    io_.poll_fd = pollFd_;
    io_.poll_events = POLLIN;
    int err = snd_pcm_ioplug_create(&io_, kScriptedPcmName, stream, SND_PCM_NONBLOCK);
    if (err < 0) return err;
    static const unsigned kAccess[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    static const unsigned kFormats[] = {SND_PCM_FORMAT_S16_LE};
    snd_pcm_ioplug_set_param_list(&io_, SND_PCM_IOPLUG_HW_ACCESS, 1, kAccess);
    snd_pcm_ioplug_set_param_list(&io_, SND_PCM_IOPLUG_HW_FORMAT, 1, kFormats);
    snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_CHANNELS, 1, 2);
    snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_RATE, 8000, 48000);
    snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20);
    snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_PERIODS, 2, 1024);
    *pcm = io_.pcm;
    return 0;
}

void ScriptedPcm::Advance(snd_pcm_uframes_t frames) {
    if (!running_ || paused_) return;
    if (io_.stream == SND_PCM_STREAM_PLAYBACK) {
        frames = std::min<snd_pcm_uframes_t>(frames, pending_.size() / io_.channels);
        const auto end = pending_.begin() + static_cast<std::ptrdiff_t>(frames * io_.channels);
        played.insert(played.end(), pending_.begin(), end);
        pending_.erase(pending_.begin(), end);
    }
    hwFrames_ += frames;
}

int ScriptedPcm::Halt(snd_pcm_ioplug_t* io) {
    ScriptedPcm& self = Of(io);
    self.running_ = self.paused_ = self.xrun_ = false;
    self.hwFrames_ = 0;
    self.pending_.clear();  // a stopped device drops what it had not played
    return 0;
}

snd_pcm_sframes_t ScriptedPcm::Transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                                        snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
    ScriptedPcm& self = Of(io);
    auto* samples = reinterpret_cast<int16_t*>(static_cast<uint8_t*>(areas[0].addr) +
                                               areas[0].first / 8 + offset * areas[0].step / 8);
    const size_t count = size * io->channels;
    if (io->stream == SND_PCM_STREAM_PLAYBACK) {
        self.pending_.insert(self.pending_.end(), samples, samples + count);
        return static_cast<snd_pcm_sframes_t>(size);
    }
    for (size_t i = 0; i < count; ++i) {
        samples[i] = CaptureSample(self.nextCaptureFrame + static_cast<uint32_t>(i / io->channels),
                                   static_cast<int>(i % io->channels));
    }
    self.nextCaptureFrame += static_cast<uint32_t>(size);
    return static_cast<snd_pcm_sframes_t>(size);
}

}  // namespace sonivex::test
