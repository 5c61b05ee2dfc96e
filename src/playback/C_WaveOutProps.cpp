// The streaming player's settings and read-outs: range, level, balance, position, meters.
#include <algorithm>
#include <cmath>

#include "playback/C_WaveOut.h"
#include "playback/Decibel.h"
#include "playback/FaderCurve.h"

namespace sonivex {

namespace {

constexpr int kPanFull = 10000;        // PanValue at one side only
constexpr float kPanRangeDB = -60.0f;  // what the far side loses at full pan
constexpr double kMixerSteps = 65535.0;

}  // namespace

void C_WaveOut::VolMinLevel(int value) {
    // The bottom of the travel lies below full level; a positive bottom would invert the fader.
    c_VolMinLevel = std::min(value, 0);
}

void C_WaveOut::SetExtDeviceID(int pCh, int pValue) {
    if (pCh >= 0 && pCh < kMaxOutDevices) c_DeviceID[pCh] = pValue;
}

void C_WaveOut::NumBufferPages(int pages) {
    c_NumBufferPages = std::clamp(pages, 2, kMaxBufferPages);
}

void C_WaveOut::NumDiskBufferPages(int pages) {
    c_NumDiskBufferPages = std::min(pages, kMaxBufferPages);
}

void C_WaveOut::MuteMS(int ms) {
    c_MuteMS = std::clamp(ms, 0, kMaxMuteMs);
}

const WaveOut* C_WaveOut::hWave(int pDev) const {
    if (pDev < 0 || pDev >= kMaxOutDevices || !c_Open[pDev]) return nullptr;
    return c_Devices[pDev].get();
}

int C_WaveOut::Peak(int pCh) const {
    if (c_UsePeakVol == 0 || pCh < 0 || pCh >= kMaxLevelChannels || c_Pages.empty()) return 0;
    return c_Pages[static_cast<size_t>(c_Audible)].levels.peak[pCh];
}

int C_WaveOut::RMS(int pCh) const {
    if (c_UsePeakVol == 0 || pCh < 0 || pCh >= kMaxLevelChannels || c_Pages.empty()) return 0;
    return c_Pages[static_cast<size_t>(c_Audible)].levels.rms[pCh];
}

int64_t C_WaveOut::MsToFrames(int ms) const {
    return static_cast<int64_t>(std::nearbyint(c_Info.sampleRate / 1000.0 * ms));
}

int C_WaveOut::FramesToMs(int64_t frames) const {
    if (c_Info.sampleRate <= 0) return 0;
    return static_cast<int>(
        std::nearbyint(static_cast<double>(frames) / c_Info.sampleRate * 1000.0));
}

void C_WaveOut::FromSample(int64_t frame) {
    if (c_Busy) return;
    c_StartFrame = c_FromSample = std::clamp<int64_t>(frame, 0, c_Length);
}

void C_WaveOut::FromMS(int ms) {
    if (c_Busy) return;
    c_StartFrame = c_FromSample = std::max<int64_t>(0, MsToFrames(ms));
}

int C_WaveOut::FromMS() const {
    return FramesToMs(c_FromSample);
}

void C_WaveOut::ToSample(int64_t frame) {
    if (c_Busy) return;
    c_PlayEnd = frame > 0 && frame <= c_Length ? frame : c_Length;
}

void C_WaveOut::ToMS(int ms) {
    if (c_Busy) return;
    ToSample(MsToFrames(ms));
}

int C_WaveOut::ToMS() const {
    return FramesToMs(c_PlayEnd);
}

void C_WaveOut::StbyPoint(int64_t frame) {
    if (c_Busy) return;
    c_StbyPoint = std::clamp<int64_t>(frame, 0, c_Length);
}

void C_WaveOut::LoopOn(int on) {
    if (c_Busy) return;
    c_LoopOn = on;
}

void C_WaveOut::PanValue(int value) {
    c_PanValue = std::clamp(value, -kPanFull, kPanFull);
    UpdatePanGains();
}

void C_WaveOut::Attenuation(int value) {
    if (c_Busy) return;
    c_Attenuation = std::max(std::min(value, 0), c_VolMinLevel);
    // With no travel at all (bottom 0) the fader can only stand at full level.
    const double x = c_VolMinLevel < 0 ? static_cast<double>(c_Attenuation - c_VolMinLevel) /
                                             -static_cast<double>(c_VolMinLevel)
                                       : 1.0;
    if (c_UseMixer == 0) {
        c_MasterGain = FaderGainAt(x);
        UpdatePanGains();
        return;
    }
    const auto level = static_cast<uint32_t>(
        std::clamp(std::trunc(FaderGainAt(x) * kMixerSteps), 0.0, kMixerSteps));
    c_MixerVolume = level * 65536u + level;
    c_MixerSet = true;
    for (auto& device : c_Devices) {
        if (device) device->SetVolume(c_MixerVolume);
    }
}

void C_WaveOut::UpdatePanGains() {
    const float m = c_MasterGain;
    const int p = c_PanValue;
    c_Gains.master = m;
    c_Gains.left = m;
    c_Gains.right = m;
    if (p < 0) {
        c_Gains.right = p == -kPanFull ? 0.0f : m * DecibelToGain(p / -10000.0f * kPanRangeDB);
    } else if (p > 0) {
        c_Gains.left = p == kPanFull ? 0.0f : m * DecibelToGain(p / 10000.0f * kPanRangeDB);
    }
}

int64_t C_WaveOut::PlayedFrames() const {
    uint64_t frames = 0;
    if (c_Open[0] && c_Devices[0]->GetPosition(frames) != MMSYSERR_NOERROR) frames = 0;
    return static_cast<int64_t>(std::min<uint64_t>(frames, INT64_MAX / 2));
}

int C_WaveOut::Position(int pType) const {
    if (!c_FileLoaded) return 0;
    int64_t frames = 0;
    if (c_WhileMute) {
        const int64_t values[] = {c_Length, 0, c_PlayEnd, c_FromSample};
        frames = pType >= 0 && pType <= 3 ? values[pType] : 0;
    } else if (c_Playing) {
        int64_t pos = c_PlayStart + PlayedFrames();
        const int64_t span = c_PlayEnd - c_StbyPoint;
        // A loop without length would never bring the position back into the range.
        if (c_LoopOn && span > 0 && pos > c_PlayEnd)
            pos -= (pos - c_PlayEnd + span - 1) / span * span;
        const int64_t values[] = {pos, c_Length - pos, c_PlayEnd - pos, c_FromSample + pos};
        frames = pType >= 0 && pType <= 3 ? values[pType] : 0;
    } else if (c_Restarting) {
        const int64_t s = c_PlayStart;
        const int64_t values[] = {s, c_Length - s, c_PlayEnd - s, c_FromSample + s};
        frames = pType >= 0 && pType <= 3 ? values[pType] : 0;
    }
    return FramesToMs(frames);
}

int C_WaveOut::mode() const {
    if (c_Paused) return 2;
    return c_Playing || c_Restarting ? 3 : 1;
}

}  // namespace sonivex
