// The streaming player: stopping, with the stop-time silence.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "playback/C_WaveOut.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kMuteStepMs = 1;

}  // namespace

void C_WaveOut::StopIO(int pNoMute) {
    c_Busy = true;
    CloseFileHandle(c_hFile);
    if (c_Length < 1) {
        for (int d = 0; d < kMaxOutDevices; ++d) {
            if (!c_Open[d]) continue;
            const int code = Device(d).Reset();
            if (code != MMSYSERR_NOERROR) LogDevice("waveOutReset (StopIO2) Failed r=", code);
        }
    } else {
        if (pNoMute == 0 && c_MuteMS > 0 && QueueMuteSilence()) WaitMuting();
        ReleaseHeaders();
    }
    if (c_NoClose == 0) {
        for (int d = 0; d < c_NumDevices; ++d) {
            // Without a file no device was ever used: closing one never opened is no failure.
            if (c_Length < 1 && !c_Open[d]) continue;
            const int code = Device(d).Close();
            if (code != MMSYSERR_NOERROR) LogDevice("waveOutClose (StopIO) Failed r=", code);
            c_Open[d] = false;
        }
    }
    c_Playing = false;
    c_Busy = false;
}

// Replaces what the devices still hold by silence: every other page, from page 0. False when
// no device was open.
bool C_WaveOut::QueueMuteSilence() {
    const uint8_t silence = SilenceByte(c_Info.bitsPerSample);
    const int64_t align = OutBlockAlign();
    const int64_t limit = kSilenceBufferBytes / align * align;
    bool handled = false;
    for (int d = 0; d < c_NumDevices; ++d) {
        if (!c_Open[d]) continue;
        WaveOut& device = Device(d);
        int code = device.Reset();
        if (code != MMSYSERR_NOERROR) LogDevice("waveOutReset (mute) Failed r=", code);
        const auto bytes = static_cast<size_t>(std::min(align * c_PageFrames, limit));
        for (size_t p = 0; p < c_Pages.size(); p += 2) {
            WaveHeader& header = c_Headers[d][p];
            if (!header.data) continue;
            std::memset(header.data, silence, bytes);
            header.bufferLength =
                static_cast<uint32_t>(std::min<size_t>(header.bufferLength, bytes));
            code = device.Write(header);
            if (code != MMSYSERR_NOERROR) LogDevice("waveOutWrite (mute) Failed r=", code);
        }
        handled = true;
    }
    return handled;
}

// Lets the silence play for MuteMS (program clock), in steps of about a millisecond that let
// pending events run.
void C_WaveOut::WaitMuting() {
    const double start = TimeOfDaySeconds();
    for (int step = 1; step <= c_MuteMS; ++step) {
        // Inside another wait the pump refuses to nest; the step must still take its time.
        if (PumpingEvents()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kMuteStepMs));
        } else {
            PumpEvents(kMuteStepMs, kMuteStepMs);
        }
        ServiceDevices();
        if (ElapsedSeconds(start) * 1000.0 > c_MuteMS) break;
    }
}

// Stops every device of the layout and hands all page headers back.
void C_WaveOut::ReleaseHeaders() {
    for (int d = 0; d < c_NumDevices; ++d) {
        WaveOut& device = Device(d);
        const int code = device.Reset();
        if (code != MMSYSERR_NOERROR) LogDevice("waveOutReset (StopIO1) Failed r=", code);
        for (size_t p = 0; p < c_Pages.size(); ++p) {
            WaveHeader& header = c_Headers[d][p];
            const int result = device.UnprepareHeader(header);
            if (result != MMSYSERR_NOERROR) {
                LogDevice("waveOutUnprepareHeader (StopIO) Failed r=", result);
            }
            header.flags = 0;
            c_Pages[p].filled = 0;
        }
    }
}

// Stops whatever an open device still holds; `what` names the call in the error log (nullptr:
// a housekeeping reset that is not reported).
void C_WaveOut::ResetOpenDevices(const char* what) {
    for (int d = 0; d < kMaxOutDevices; ++d) {
        if (!c_Open[d]) continue;
        const int code = Device(d).Reset();
        if (code != MMSYSERR_NOERROR && what) LogDevice(what, code);
    }
}

}  // namespace sonivex
