// Wave-in on ALSA: explicit start, polled non-blocking reads into the queued buffers.
#include "platform/AlsaWaveIn.h"

#include <algorithm>
#include <cerrno>

namespace sonivex {

AlsaWaveIn::AlsaWaveIn(std::shared_ptr<const DeviceList> devices, PcmOpener opener)
    : pcm_(std::move(devices), SND_PCM_STREAM_CAPTURE, std::move(opener)) {}

// Closing the PCM is enough: the owner may already have freed the buffers still queued.
AlsaWaveIn::~AlsaWaveIn() = default;

int AlsaWaveIn::Open(int deviceId, const WaveFormat& format) {
    ReturnAll();
    started_ = false;
    deadCode_ = MMSYSERR_NOERROR;
    return pcm_.Open(deviceId, format);
}

int AlsaWaveIn::PrepareHeader(WaveHeader& header) {
    return PrepareWaveHeader(pcm_.IsOpen(), header);
}

int AlsaWaveIn::UnprepareHeader(WaveHeader& header) {
    return UnprepareWaveHeader(pcm_.IsOpen(), header);
}

int AlsaWaveIn::AddBuffer(WaveHeader& header) {
    const int code = QueueWaveHeader(pcm_.IsOpen(), header);
    if (code != MMSYSERR_NOERROR) return code;
    header.bytesRecorded = 0;
    queue_.push_back(&header);
    return MMSYSERR_NOERROR;
}

int AlsaWaveIn::StartPcm() {
    snd_pcm_t* pcm = pcm_.Handle();
    // Capture stays silent in PREPARED state until it is started explicitly.
    int err = 0;
    if (snd_pcm_state(pcm) != SND_PCM_STATE_PREPARED) err = snd_pcm_prepare(pcm);
    if (err >= 0) err = snd_pcm_start(pcm);
    return err < 0 ? pcm_.Fail(err) : MMSYSERR_NOERROR;
}

int AlsaWaveIn::Start() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    if (started_) return MMSYSERR_NOERROR;
    const int code = StartPcm();
    started_ = code == MMSYSERR_NOERROR;
    return code;
}

int AlsaWaveIn::Stop() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (!started_) return deadCode_;
    started_ = false;
    if (deadCode_ == MMSYSERR_NOERROR) {
        snd_pcm_drop(pcm_.Handle());
        snd_pcm_prepare(pcm_.Handle());
    }
    // The buffer being filled is handed back with what it holds; empty ones stay queued.
    if (!queue_.empty() && queue_.front()->bytesRecorded > 0) {
        MarkHeaderDone(*queue_.front());
        queue_.pop_front();
    }
    return deadCode_;
}

int AlsaWaveIn::Reset() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    started_ = false;
    if (deadCode_ == MMSYSERR_NOERROR) {
        snd_pcm_drop(pcm_.Handle());
        snd_pcm_prepare(pcm_.Handle());
    }
    ReturnAll();
    return deadCode_;
}

int AlsaWaveIn::Close() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    ReturnAll();
    started_ = false;
    deadCode_ = MMSYSERR_NOERROR;
    pcm_.Close();
    return MMSYSERR_NOERROR;
}

void AlsaWaveIn::ReturnAll() {
    for (WaveHeader* header : queue_) MarkHeaderDone(*header);
    queue_.clear();
}

int AlsaWaveIn::Service() {
    if (!pcm_.IsOpen()) return MMSYSERR_INVALHANDLE;
    if (deadCode_ != MMSYSERR_NOERROR) return deadCode_;
    if (!started_) return MMSYSERR_NOERROR;
    int code = MMSYSERR_NOERROR;
    while (!queue_.empty()) {
        // snd_pcm_avail also brings the hardware position up to date.
        const snd_pcm_sframes_t avail = snd_pcm_avail(pcm_.Handle());
        if (avail < 0) return Trouble(static_cast<int>(avail));
        if (avail == 0 || !FillHead(avail, code)) break;
    }
    return code;
}

bool AlsaWaveIn::FillHead(snd_pcm_sframes_t avail, int& code) {
    WaveHeader& header = *queue_.front();
    const uint32_t frameBytes = pcm_.Layout().frameBytes;
    auto room =
        static_cast<snd_pcm_sframes_t>((header.bufferLength - header.bytesRecorded) / frameBytes);
    if (room > 0) {
        const snd_pcm_sframes_t want = std::min(avail, room);
        const snd_pcm_sframes_t got =
            snd_pcm_readi(pcm_.Handle(), header.data + header.bytesRecorded,
                          static_cast<snd_pcm_uframes_t>(want));
        if (got == 0 || got == -EAGAIN) return false;
        if (got < 0) {
            code = Trouble(static_cast<int>(got));
            return false;
        }
        header.bytesRecorded += static_cast<uint32_t>(got) * frameBytes;
        room -= got;
    }
    if (room == 0) {
        MarkHeaderDone(header);
        queue_.pop_front();
    }
    return true;
}

int AlsaWaveIn::Trouble(int alsaErr) {
    if (alsaErr == -EAGAIN) return MMSYSERR_NOERROR;
    if (alsaErr == -EPIPE || alsaErr == -ESTRPIPE) {
        const int err = Mend(alsaErr);
        if (err >= 0 || err == -EAGAIN) return MMSYSERR_NOERROR;
        alsaErr = err;
    }
    deadCode_ = pcm_.Fail(alsaErr);
    return deadCode_;
}

// Not snd_pcm_recover: it waits a second per try while a suspended device is not ready, and the
// whole monitor would wait with it. A resume that is not possible yet is tried at the next poll;
// a device that never comes back is found by its owner when no buffer arrives.
int AlsaWaveIn::Mend(int alsaErr) {
    snd_pcm_t* pcm = pcm_.Handle();
    if (alsaErr == -ESTRPIPE) {
        const int resumed = snd_pcm_resume(pcm);
        if (resumed == 0 || resumed == -EAGAIN) return resumed;
    }
    int err = snd_pcm_prepare(pcm);
    if (err >= 0) err = snd_pcm_start(pcm);
    return err;
}

std::string AlsaWaveIn::ErrorText(int code) const {
    return pcm_.ErrorText(code);
}

}  // namespace sonivex
