// Capture ring per input.
#include "monitor/WaveFCT.h"

#include <cmath>

#include "monitor/Levels.h"
#include "platform/Clock.h"
#include "playback/WaveDevices.h"
#include "support/Log.h"

namespace sonivex {

WaveFCT::WaveFCT(AudioBackend& audio, int nFreq)
    : audio_(audio), framesPerBuffer_(static_cast<int>(std::nearbyint(nFreq / 5.0))) {
    format_.formatTag = WAVE_FORMAT_PCM;
    format_.channels = 2;
    format_.samplesPerSec = static_cast<uint32_t>(nFreq);
    format_.avgBytesPerSec = static_cast<uint32_t>(nFreq) * 4;
    format_.blockAlign = 4;
    format_.bitsPerSample = 16;
    DeviceId.fill(WAVE_MAPPER);
    RecGain.fill(1.0f);
}

WaveFCT::~WaveFCT() {
    for (int i = 0; i < kMaxInputs; ++i)
        if (inputs_[i].device) CloseCapture(i);
}

int WaveFCT::OpenCapture(int i, bool quiet) {
    Input& in = inputs_[i];
    in.device = audio_.CreateWaveIn();
    const int r = in.device->Open(DeviceId[i], format_);
    if (r != MMSYSERR_NOERROR) {
        if (!quiet) ShowWaveError(r, in.device->ErrorText(r), 0);
        in.device.reset();
        return 0;
    }
    const size_t bytes = static_cast<size_t>(framesPerBuffer_) * 4;
    in.buffers.assign(kRingBuffers,
                      std::vector<int16_t>(static_cast<size_t>(framesPerBuffer_) * 2));
    for (int k = 0; k < kRingBuffers; ++k) {
        WaveHeader& h = in.headers[k];
        h = WaveHeader{};
        h.data = reinterpret_cast<uint8_t*>(in.buffers[k].data());
        h.bufferLength = static_cast<uint32_t>(bytes);
        in.device->PrepareHeader(h);
        in.device->AddBuffer(h);
    }
    NextBuffer[i] = 0;  // the device hands buffers back from the first one queued
    in.failureLogged = false;
    in.lastBufferMs = in.lastPollMs = ProgramClock().MonotonicMs();
    const int started = in.device->Start();
    if (started != MMSYSERR_NOERROR) {
        if (!quiet) WriteLog("waveInStart (OpenCapture) Failed r=" + std::to_string(started), 1);
        CloseDevice(i);
        return 0;
    }
    CaptureState[i] = 1;
    return 1;
}

void WaveFCT::CloseDevice(int i) {
    Input& in = inputs_[i];
    if (!in.device) return;
    in.device->Reset();
    in.device->Stop();
    for (WaveHeader& h : in.headers) in.device->UnprepareHeader(h);
    in.device->Close();
    in.device.reset();
}

void WaveFCT::CloseCapture(int i) {
    CloseDevice(i);
    CaptureState[i] = 0;
    DeviceLost[i] = 0;
}

void WaveFCT::MarkLost(int i) {
    CloseDevice(i);
    CaptureState[i] = 1;
    // A reopened device that fails again keeps the time of the next try.
    if (DeviceLost[i] == 0) inputs_[i].nextOpenMs = ProgramClock().MonotonicMs() + kReopenMs;
    DeviceLost[i] = 1;
}

void WaveFCT::Reopen(int i) {
    Input& in = inputs_[i];
    const int64_t now = ProgramClock().MonotonicMs();
    if (now < in.nextOpenMs) return;
    in.nextOpenMs = now + kReopenMs;
    if (DeviceId[i] == kMissingWaveDevice && FindAgain) {
        const int found = FindAgain(i);
        if (found >= 0) DeviceId[i] = found;
    }
    // Quiet: the loss was logged once; the device's first buffer ends it.
    OpenCapture(i, true);
}

int WaveFCT::Fail(int i, const std::string& detail) {
    Input& in = inputs_[i];
    if (!in.failureLogged && DeviceLost[i] == 0) {
        WriteLog("waveInRead (PollCapture) " + detail, 1);
        WriteLog("録音デバイス異常 " + std::to_string(i + 1));
    }
    in.failureLogged = true;
    if (LossRecovery != 0) MarkLost(i);
    return -1;
}

int WaveFCT::PollCapture(int i) {
    Input& in = inputs_[i];
    if (!in.device) {
        if (DeviceLost[i] == 1) Reopen(i);
        return -1;
    }
    const int r = in.device->Service();
    if (r != MMSYSERR_NOERROR) {
        Fail(i, "Failed r=" + std::to_string(r) + " ch" + std::to_string(i + 1) + " " +
                    in.device->ErrorText(r));
        if (LossRecovery != 0) return -1;
    }
    const int k = NextBuffer[i];
    WaveHeader& h = in.headers[k];
    const int64_t now = ProgramClock().MonotonicMs();
    // After a stall of the monitor itself (a device that overran meanwhile restarts empty) the
    // device gets its full time again.
    if (now - in.lastPollMs >= kPollGapMs) in.lastBufferMs = now;
    in.lastPollMs = now;
    if (!(h.flags & WHDR_DONE)) {
        if (LossRecovery != 0 && now - in.lastBufferMs >= kCaptureStallMs)
            return Fail(i, "No buffer for 2 s ch" + std::to_string(i + 1));
        return -1;
    }
    in.lastBufferMs = now;
    DeviceLost[i] = 0;
    NextBuffer[i] = (k + 1) % kRingBuffers;
    if (RecGain[i] != 1.0f) ApplyGain(in.buffers[k].data(), in.buffers[k].size(), RecGain[i]);
    in.device->AddBuffer(h);
    return k;
}

const int16_t* WaveFCT::Buffer(int i, int k) const {
    return inputs_[i].buffers[k].data();
}

}  // namespace sonivex
