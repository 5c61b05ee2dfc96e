// Wave-out on ALSA: a modest device fill per service call, loops and position.
#include "platform/AlsaWaveOut.h"

#include <algorithm>
#include <cerrno>

namespace sonivex {

namespace {
constexpr unsigned kMsPerSecond = 1000;
constexpr int kFeedAttempts = 2;  // one recovery from an underrun per service call
}  // namespace

AlsaWaveOut::AlsaWaveOut(std::shared_ptr<const DeviceList> devices, PcmOpener opener)
    : pcm_(std::move(devices), SND_PCM_STREAM_PLAYBACK, std::move(opener)) {}

// Closing the PCM is enough: the owner may already have freed the buffers still queued.
AlsaWaveOut::~AlsaWaveOut() = default;

void AlsaWaveOut::Forget() {
    queue_.Clear();
    written_ = 0;
}

int AlsaWaveOut::Open(int deviceId, const WaveFormat& format) {
    Forget();
    deadCode_ = MMSYSERR_NOERROR;
    const int code = pcm_.Open(deviceId, format);
    if (code != MMSYSERR_NOERROR) return code;
    queue_.SetFrameBytes(pcm_.Layout().frameBytes);
    return MMSYSERR_NOERROR;
}

int AlsaWaveOut::PrepareHeader(WaveHeader& header) {
    return PrepareWaveHeader(pcm_.IsOpen(), header);
}

int AlsaWaveOut::UnprepareHeader(WaveHeader& header) {
    return UnprepareWaveHeader(pcm_.IsOpen(), header);
}

int AlsaWaveOut::Write(WaveHeader& header) {
    const int code = QueueWaveHeader(pcm_.IsOpen(), header);
    if (code != MMSYSERR_NOERROR) return code;
    queue_.Add(header);
    // Feeding at once starts the sound now rather than at the owner's next tick.
    return Service();
}

int AlsaWaveOut::Service() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    for (int attempt = 0; attempt < kFeedAttempts; ++attempt) {
        const snd_pcm_sframes_t result = Feed();
        if (result >= 0) break;
        const int code = Trouble(static_cast<int>(result));
        if (code != MMSYSERR_NOERROR) return code;
    }
    return MMSYSERR_NOERROR;
}

snd_pcm_sframes_t AlsaWaveOut::Room() const {
    const snd_pcm_sframes_t avail = snd_pcm_avail(pcm_.Handle());
    if (avail < 0) return avail;
    const PcmLayout& layout = pcm_.Layout();
    const auto buffer = static_cast<snd_pcm_sframes_t>(layout.bufferFrames);
    const snd_pcm_sframes_t queued = std::max<snd_pcm_sframes_t>(buffer - avail, 0);
    const snd_pcm_sframes_t target = std::min<snd_pcm_sframes_t>(
        buffer, static_cast<snd_pcm_sframes_t>(layout.rate) * kPlaybackFillMs / kMsPerSecond);
    return std::clamp<snd_pcm_sframes_t>(target - queued, 0, avail);
}

snd_pcm_sframes_t AlsaWaveOut::Feed() {
    const size_t frameBytes = pcm_.Layout().frameBytes;
    snd_pcm_sframes_t room = Room();
    while (room > 0) {
        const std::span<const uint8_t> next = queue_.Next();
        const size_t frames = std::min(next.size() / frameBytes, static_cast<size_t>(room));
        if (frames == 0) break;
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm_.Handle(), next.data(), frames);
        if (written == -EAGAIN || written == 0) return 0;
        if (written < 0) return written;
        queue_.Consume(static_cast<size_t>(written) * frameBytes);
        written_ += static_cast<uint64_t>(written);
        room -= written;
    }
    return std::min<snd_pcm_sframes_t>(room, 0);
}

int AlsaWaveOut::Trouble(int alsaErr) {
    if (alsaErr == -EAGAIN) return MMSYSERR_NOERROR;
    // An underrun only means the device ran dry; it starts again with the next write.
    if (alsaErr == -EPIPE || alsaErr == -ESTRPIPE) {
        const int err = snd_pcm_recover(pcm_.Handle(), alsaErr, 1);
        if (err >= 0) return MMSYSERR_NOERROR;
        alsaErr = err;
    }
    deadCode_ = pcm_.Fail(alsaErr);
    return deadCode_;
}

int AlsaWaveOut::Reset() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (deadCode_ == MMSYSERR_NOERROR) snd_pcm_drop(pcm_.Handle());
    Forget();
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    const int err = snd_pcm_prepare(pcm_.Handle());
    return err < 0 ? pcm_.Fail(err) : MMSYSERR_NOERROR;
}

int AlsaWaveOut::GetPosition(uint64_t& frames) {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    snd_pcm_sframes_t delay = 0;
    if (deadCode_ != MMSYSERR_NOERROR || snd_pcm_delay(pcm_.Handle(), &delay) < 0) delay = 0;
    frames = written_ - std::min<uint64_t>(written_, static_cast<uint64_t>(std::max(delay, 0L)));
    return MMSYSERR_NOERROR;
}

int AlsaWaveOut::Close() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    pcm_.Close();
    Forget();
    deadCode_ = MMSYSERR_NOERROR;
    return MMSYSERR_NOERROR;
}

std::string AlsaWaveOut::ErrorText(int code) const {
    return pcm_.ErrorText(code);
}

}  // namespace sonivex
