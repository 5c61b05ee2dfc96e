// Wave-out on ALSA: a modest device fill per service call, loops, pause, position and volume.
#include "platform/AlsaWaveOut.h"

#include <algorithm>
#include <cerrno>

namespace sonivex {

namespace {
constexpr unsigned kMsPerSecond = 1000;
constexpr int kFeedAttempts = 2;  // one recovery from an underrun per service call
}  // namespace

void RecentBytes::Reset(size_t capacity) {
    ring_.assign(capacity, 0);
    end_ = 0;
    size_ = 0;
}

void RecentBytes::Append(const uint8_t* data, size_t bytes) {
    if (ring_.empty()) return;
    if (bytes > ring_.size()) {
        data += bytes - ring_.size();
        bytes = ring_.size();
    }
    for (size_t i = 0; i < bytes; ++i) {
        ring_[end_] = data[i];
        end_ = (end_ + 1) % ring_.size();
    }
    size_ = std::min(ring_.size(), size_ + bytes);
}

std::vector<uint8_t> RecentBytes::Last(size_t bytes) const {
    bytes = std::min(bytes, size_);
    std::vector<uint8_t> out(bytes);
    size_t pos = (end_ + ring_.size() - bytes) % std::max<size_t>(ring_.size(), 1);
    for (size_t i = 0; i < bytes; ++i) {
        out[i] = ring_[pos];
        pos = (pos + 1) % ring_.size();
    }
    return out;
}

AlsaWaveOut::AlsaWaveOut(std::shared_ptr<const DeviceList> devices, PcmOpener opener)
    : pcm_(std::move(devices), SND_PCM_STREAM_PLAYBACK, std::move(opener)) {}

// Closing the PCM is enough: the owner may already have freed the buffers still queued.
AlsaWaveOut::~AlsaWaveOut() = default;

void AlsaWaveOut::Forget() {
    queue_.Clear();
    replay_.clear();
    replayPos_ = 0;
    recent_.Reset(0);
    written_ = 0;
    paused_ = false;
    hwPaused_ = false;
}

int AlsaWaveOut::Open(int deviceId, const WaveFormat& format) {
    Forget();
    deadCode_ = MMSYSERR_NOERROR;
    const int code = pcm_.Open(deviceId, format);
    if (code != MMSYSERR_NOERROR) return code;
    const PcmLayout& layout = pcm_.Layout();
    queue_.SetFrameBytes(layout.frameBytes);
    recent_.Reset(layout.bufferFrames * layout.frameBytes);
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
    if (paused_) return MMSYSERR_NOERROR;
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
    snd_pcm_sframes_t room = Room();
    while (room > 0) {
        const size_t frames = StageChunk(room);
        if (frames == 0) break;
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm_.Handle(), chunk_.data(), frames);
        if (written == -EAGAIN || written == 0) return 0;
        if (written < 0) return written;
        Advance(written);
        room -= written;
    }
    return std::min<snd_pcm_sframes_t>(room, 0);
}

// Copies the next samples to write into chunk_: first what a pause dropped, then the queue.
size_t AlsaWaveOut::StageChunk(snd_pcm_sframes_t maxFrames) {
    const size_t frameBytes = pcm_.Layout().frameBytes;
    const size_t maxBytes = static_cast<size_t>(maxFrames) * frameBytes;
    chunkFromReplay_ = replayPos_ < replay_.size();
    if (chunkFromReplay_) {
        const size_t bytes = std::min(replay_.size() - replayPos_, maxBytes);
        chunk_.assign(replay_.begin() + static_cast<std::ptrdiff_t>(replayPos_),
                      replay_.begin() + static_cast<std::ptrdiff_t>(replayPos_ + bytes));
        return bytes / frameBytes;
    }
    const std::span<const uint8_t> next = queue_.Next();
    const size_t bytes = std::min(next.size(), maxBytes);
    chunk_.assign(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(bytes));
    const size_t frames = bytes / frameBytes;
    ScaleSamples(chunk_.data(), frames, pcm_.Layout(), volume_);
    return frames;
}

void AlsaWaveOut::Advance(snd_pcm_sframes_t frames) {
    const size_t bytes = static_cast<size_t>(frames) * pcm_.Layout().frameBytes;
    recent_.Append(chunk_.data(), bytes);
    written_ += static_cast<uint64_t>(frames);
    if (!chunkFromReplay_) {
        queue_.Consume(bytes);
        return;
    }
    replayPos_ += bytes;
    if (replayPos_ >= replay_.size()) {
        replay_.clear();
        replayPos_ = 0;
    }
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
    recent_.Reset(pcm_.Layout().bufferFrames * pcm_.Layout().frameBytes);
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    const int err = snd_pcm_prepare(pcm_.Handle());
    return err < 0 ? pcm_.Fail(err) : MMSYSERR_NOERROR;
}

int AlsaWaveOut::Pause() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    if (paused_) return MMSYSERR_NOERROR;
    paused_ = true;
    if (snd_pcm_state(pcm_.Handle()) != SND_PCM_STATE_RUNNING) return MMSYSERR_NOERROR;
    if (pcm_.Layout().canPause && snd_pcm_pause(pcm_.Handle(), 1) >= 0) {
        hwPaused_ = true;
        return MMSYSERR_NOERROR;
    }
    EmulatePause();
    return MMSYSERR_NOERROR;
}

// Without a hardware pause the device is stopped; what it had not played yet is kept and
// written again first on restart, so nothing is skipped.
void AlsaWaveOut::EmulatePause() {
    snd_pcm_t* pcm = pcm_.Handle();
    const size_t frameBytes = pcm_.Layout().frameBytes;
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(pcm, &delay) < 0) delay = 0;
    const size_t held = recent_.Size() / frameBytes;
    const size_t unplayed = std::min(static_cast<size_t>(std::max<snd_pcm_sframes_t>(delay, 0)),
                                     std::min<size_t>(held, written_));
    std::vector<uint8_t> keep = recent_.Last(unplayed * frameBytes);
    keep.insert(keep.end(), replay_.begin() + static_cast<std::ptrdiff_t>(replayPos_),
                replay_.end());
    replay_ = std::move(keep);
    replayPos_ = 0;
    written_ -= unplayed;
    recent_.Reset(pcm_.Layout().bufferFrames * frameBytes);
    snd_pcm_drop(pcm);
    snd_pcm_prepare(pcm);
}

int AlsaWaveOut::Restart() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    if (!paused_) return MMSYSERR_NOERROR;
    paused_ = false;
    if (hwPaused_) {
        hwPaused_ = false;
        const int err = snd_pcm_pause(pcm_.Handle(), 0);
        if (err < 0) snd_pcm_recover(pcm_.Handle(), err, 1);
    }
    return Service();
}

int AlsaWaveOut::GetPosition(uint64_t& frames) {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    snd_pcm_sframes_t delay = 0;
    if (deadCode_ != MMSYSERR_NOERROR || snd_pcm_delay(pcm_.Handle(), &delay) < 0) delay = 0;
    frames = written_ - std::min<uint64_t>(written_, static_cast<uint64_t>(std::max(delay, 0L)));
    return MMSYSERR_NOERROR;
}

int AlsaWaveOut::SetVolume(uint32_t volume) {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    volume_ = volume;
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
