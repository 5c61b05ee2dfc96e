// Alarm tone.
#include "monitor/AlarmTone.h"

#include <cmath>

#include "support/Log.h"

namespace sonivex {

std::vector<int16_t> AlarmSamples(int nFreq) {
    const long frames = std::lround(std::nearbyint(nFreq / 2.0 - 1)) + 1;
    const long segment = std::lround(std::nearbyint(nFreq / 16.0));
    const float step = 6283.1853f / static_cast<float>(nFreq);  // 2π·1000 Hz per frame
    std::vector<int16_t> samples(static_cast<size_t>(frames) * 2, 0);
    for (long f = 0; f < frames && segment > 0; ++f) {
        const long part = f / segment;
        if (part != 0 && part != 2 && part != 4) continue;
        const auto v = static_cast<int16_t>(std::nearbyint(std::sin(step * f) * 16384.0f));
        samples[2 * f] = v;
        samples[2 * f + 1] = v;
    }
    return samples;
}

AlarmTone::AlarmTone(AudioBackend& audio, int nFreq) : audio_(audio), nFreq_(nFreq) {}

AlarmTone::~AlarmTone() {
    StopAlarmTone();
}

void AlarmTone::StartAlarmTone() {
    if (device_) return;
    WaveFormat format;
    format.samplesPerSec = static_cast<uint32_t>(nFreq_);
    format.avgBytesPerSec = static_cast<uint32_t>(nFreq_) * 4;
    auto device = audio_.CreateWaveOut();
    const int r = device->Open(WAVE_MAPPER, format);
    if (r != MMSYSERR_NOERROR) {
        WriteLog("waveOutOpen (StartAlarmTone) Failed r=" + std::to_string(r) + " " +
                     device->ErrorText(r),
                 1);
        return;
    }
    samples_ = AlarmSamples(nFreq_);
    header_ = WaveHeader{};
    header_.data = reinterpret_cast<uint8_t*>(samples_.data());
    header_.bufferLength = static_cast<uint32_t>(samples_.size() * sizeof(int16_t));
    header_.flags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
    header_.loops = 0xFFFFFFFFu;
    device->PrepareHeader(header_);
    const int w = device->Write(header_);
    if (w != MMSYSERR_NOERROR)
        WriteLog("waveOutWrite (StartAlarmTone) Failed r=" + std::to_string(w), 1);
    device_ = std::move(device);
    device_->Service();
}

void AlarmTone::StopAlarmTone() {
    if (!device_) return;
    device_->Reset();
    device_->UnprepareHeader(header_);
    device_->Close();
    device_.reset();
}

void AlarmTone::Service() {
    if (device_) device_->Service();
}

}  // namespace sonivex
