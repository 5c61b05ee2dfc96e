// Opening an ALSA PCM for a wave format, and header flags.
#include "platform/AlsaPcm.h"

#include <cerrno>

#include "platform/AudioBackend.h"

namespace sonivex {

namespace {

constexpr unsigned kMsPerSecond = 1000;

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
using HwParams = std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree>;

HwParams NewHwParams() {
    snd_pcm_hw_params_t* params = nullptr;
    if (snd_pcm_hw_params_malloc(&params) < 0) return nullptr;
    return HwParams(params);
}

// dsnoop and dmix take only their slave's rate and format; through plug they take any, as the
// card's plughw device does.
std::string PcmToOpen(const std::string& name) {
    const std::string plugin = name.substr(0, name.find(':'));
    if (plugin == "dsnoop" || plugin == "dmix") return "plug:'" + name + "'";
    return name;
}

}  // namespace

int OpenPcmNonBlocking(snd_pcm_t** pcm, const std::string& name, snd_pcm_stream_t stream) {
    return snd_pcm_open(pcm, name.c_str(), stream, SND_PCM_NONBLOCK);
}

AlsaPcm::AlsaPcm(std::shared_ptr<const DeviceList> devices, snd_pcm_stream_t stream,
                 PcmOpener opener)
    : devices_(std::move(devices)),
      stream_(stream),
      opener_(opener ? std::move(opener) : PcmOpener(&OpenPcmNonBlocking)) {}

AlsaPcm::~AlsaPcm() {
    Close();
}

int AlsaPcm::Fail(int alsaErr, bool formatStage) {
    return failure_.Note(alsaErr, name_, formatStage);
}

int AlsaPcm::ResolveName(int deviceId) {
    const bool isInput = stream_ == SND_PCM_STREAM_CAPTURE;
    if (deviceId == WAVE_MAPPER) {
        name_ = kDefaultPcmName;
    } else if (devices_ != nullptr && deviceId >= 0 && deviceId < devices_->Count(isInput)) {
        name_ = devices_->Id(isInput, deviceId);
    } else {
        return MMSYSERR_BADDEVICEID;
    }
    return MMSYSERR_NOERROR;
}

int AlsaPcm::Open(int deviceId, const WaveFormat& format) {
    Close();
    failure_.Clear();
    SilenceAlsaLog();
    const int code = ResolveName(deviceId);
    if (code != MMSYSERR_NOERROR) return code;
    snd_pcm_format_t sampleFormat = SND_PCM_FORMAT_UNKNOWN;
    if (!SampleFormatFor(format, sampleFormat)) return WAVERR_BADFORMAT;
    snd_pcm_t* pcm = nullptr;
    const int err = opener_(&pcm, PcmToOpen(name_), stream_);
    if (err < 0 || pcm == nullptr) return Fail(err < 0 ? err : -ENODEV);
    pcm_ = pcm;
    const int result = SetHardware(format, sampleFormat);
    if (result != MMSYSERR_NOERROR) Close();
    return result;
}

int AlsaPcm::SetHardware(const WaveFormat& format, snd_pcm_format_t sampleFormat) {
    HwParams hw = NewHwParams();
    if (!hw) return Fail(-ENOMEM);
    int err = snd_pcm_hw_params_any(pcm_, hw.get());
    if (err >= 0) err = snd_pcm_hw_params_set_access(pcm_, hw.get(), SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0) err = snd_pcm_hw_params_set_format(pcm_, hw.get(), sampleFormat);
    if (err >= 0) err = snd_pcm_hw_params_set_channels(pcm_, hw.get(), format.channels);
    unsigned rate = format.samplesPerSec;
    if (err >= 0) err = snd_pcm_hw_params_set_rate_near(pcm_, hw.get(), &rate, nullptr);
    if (err >= 0 && rate != format.samplesPerSec) err = -EINVAL;
    if (err < 0) return Fail(err, true);
    // Sound servers and dsnoop/dmix impose their own sizes: ask, then read back what was granted.
    snd_pcm_uframes_t period = rate * kPeriodMs / kMsPerSecond;
    snd_pcm_uframes_t buffer = rate * kBufferMs / kMsPerSecond;
    snd_pcm_hw_params_set_period_size_near(pcm_, hw.get(), &period, nullptr);
    snd_pcm_hw_params_set_buffer_size_near(pcm_, hw.get(), &buffer);
    err = snd_pcm_hw_params(pcm_, hw.get());
    if (err < 0) return Fail(err, true);
    layout_ = PcmLayout{};
    layout_.format = sampleFormat;
    layout_.channels = format.channels;
    layout_.rate = rate;
    layout_.frameBytes = format.blockAlign;
    snd_pcm_hw_params_get_period_size(hw.get(), &layout_.periodFrames, nullptr);
    snd_pcm_hw_params_get_buffer_size(hw.get(), &layout_.bufferFrames);
    return MMSYSERR_NOERROR;
}

void AlsaPcm::Close() {
    if (pcm_ == nullptr) return;
    snd_pcm_drop(pcm_);
    snd_pcm_close(pcm_);
    pcm_ = nullptr;
}

bool SampleFormatFor(const WaveFormat& format, snd_pcm_format_t& sampleFormat) {
    if (format.formatTag != WAVE_FORMAT_PCM && format.formatTag != WAVE_FORMAT_EXTENSIBLE) {
        return false;
    }
    switch (format.bitsPerSample) {
        case 8:
            sampleFormat = SND_PCM_FORMAT_U8;
            break;
        case 16:
            sampleFormat = SND_PCM_FORMAT_S16_LE;
            break;
        case 24:
            sampleFormat = SND_PCM_FORMAT_S24_3LE;
            break;
        case 32:
            sampleFormat = SND_PCM_FORMAT_S32_LE;
            break;
        default:
            return false;
    }
    return format.channels > 0 && format.samplesPerSec > 0 &&
           format.blockAlign == format.channels * format.bitsPerSample / 8;
}

int PrepareWaveHeader(bool open, WaveHeader& header) {
    if (!open) return MMSYSERR_INVALHANDLE;
    if (header.data == nullptr && header.bufferLength > 0) return MMSYSERR_INVALPARAM;
    header.flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

int UnprepareWaveHeader(bool open, WaveHeader& header) {
    if (!open) return MMSYSERR_INVALHANDLE;
    if ((header.flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    header.flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

int QueueWaveHeader(bool open, WaveHeader& header) {
    if (!open) return MMSYSERR_INVALHANDLE;
    if ((header.flags & WHDR_PREPARED) == 0) return WAVERR_UNPREPARED;
    if ((header.flags & WHDR_INQUEUE) != 0) return WAVERR_STILLPLAYING;
    header.flags = (header.flags & ~WHDR_DONE) | WHDR_INQUEUE;
    return MMSYSERR_NOERROR;
}

void MarkHeaderDone(WaveHeader& header) {
    header.flags = (header.flags & ~WHDR_INQUEUE) | WHDR_DONE;
}

}  // namespace sonivex
