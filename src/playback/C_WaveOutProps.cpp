// The streaming player's settings and read-outs: level, position.
#include <algorithm>
#include <cmath>

#include "playback/C_WaveOut.h"
#include "playback/FaderCurve.h"

namespace sonivex {

void C_WaveOut::VolMinLevel(int value) {
    // The bottom of the travel lies below full level; a positive bottom would invert the fader.
    c_VolMinLevel = std::min(value, 0);
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

int C_WaveOut::FramesToMs(int64_t frames) const {
    if (c_Info.sampleRate <= 0) return 0;
    return static_cast<int>(
        std::nearbyint(static_cast<double>(frames) / c_Info.sampleRate * 1000.0));
}

void C_WaveOut::LoopOn(int on) {
    if (c_Busy) return;
    c_LoopOn = on;
}

void C_WaveOut::Attenuation(int value) {
    if (c_Busy) return;
    const int level = std::max(std::min(value, 0), c_VolMinLevel);
    // With no travel at all (bottom 0) the fader can only stand at full level.
    const double x = c_VolMinLevel < 0 ? static_cast<double>(level - c_VolMinLevel) /
                                             -static_cast<double>(c_VolMinLevel)
                                       : 1.0;
    c_Gain = FaderGainAt(x);
}

int64_t C_WaveOut::PlayedFrames() const {
    uint64_t frames = 0;
    if (c_Open[0] && c_Devices[0]->GetPosition(frames) != MMSYSERR_NOERROR) frames = 0;
    return static_cast<int64_t>(std::min<uint64_t>(frames, INT64_MAX / 2));
}

int C_WaveOut::Position(int pType) const {
    if (!c_FileLoaded || !c_Playing) return 0;
    int64_t pos = PlayedFrames();
    // A loop goes back to the start of the file; one without length never comes back.
    if (c_LoopOn && c_PlayEnd > 0 && pos > c_PlayEnd) pos = (pos - 1) % c_PlayEnd + 1;
    const int64_t values[] = {pos, c_Length - pos, c_PlayEnd - pos};
    return FramesToMs(pType >= 0 && pType <= 2 ? values[pType] : 0);
}

}  // namespace sonivex
