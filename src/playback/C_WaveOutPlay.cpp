// The streaming player: starting playback (devices, headers, lead-in, first pages).
#include <algorithm>
#include <cmath>
#include <new>

#include "playback/C_WaveOut.h"
#include "playback/WaveDevices.h"
#include "support/Log.h"

namespace sonivex {

int C_WaveOut::Play() {
    if (c_Playing) {
        c_Restarting = true;
        StopIO(1);
    }
    c_Busy = true;
    int result = 0;
    if (c_FileLoaded && OpenDevices()) {
        c_PlayStart = c_NextRead = c_StartFrame;
        c_Audible = 0;
        c_LastQueued = 0;
        c_SeqCounter = 0;
        c_ServiceFailed.fill(false);
        PrepareHeaders();
        if (c_DelayMS > 0) QueueLeadIn();
        if (FillFirstPages()) {
            QueueFirstPages();
            c_Playing = true;
            result = 1;
        }
    }
    c_Restarting = false;
    c_Busy = false;
    return result;
}

bool C_WaveOut::OpenDevices() {
    for (int d = 0; d < c_NumDevices; ++d) {
        if (c_Open[d] && c_DeviceID[d] != c_OpenedID[d]) {
            const int code = Device(d).Close();
            if (code != MMSYSERR_NOERROR) LogDevice("waveOutClose (Start1) Failed r=", code);
            c_Open[d] = false;
        }
    }
    // Every closed device is opened, also a secondary one whose id changed while device 0 stays
    // open; without NoClose each device starts afresh, and so does one that failed while it
    // played (it may have come back).
    for (int d = 0; d < c_NumDevices; ++d) {
        if (c_Open[d] && (c_NoClose == 0 || c_ServiceFailed[d])) {
            const int code = Device(d).Close();
            if (code != MMSYSERR_NOERROR) LogDevice("waveOutClose (Start1) Failed r=", code);
            c_Open[d] = false;
        }
        if (!c_Open[d] && !OpenDevice(d)) return false;
    }
    return true;
}

bool C_WaveOut::OpenDevice(int d) {
    WaveOut& device = Device(d);
    const int code = device.Open(c_DeviceID[d], c_Format);
    if (code != MMSYSERR_NOERROR) {
        ShowWaveError(code, device.ErrorText(code), 0);
        return false;
    }
    c_Open[d] = true;
    c_OpenedID[d] = c_DeviceID[d];
    if (c_MixerSet) device.SetVolume(c_MixerVolume);
    return &device != c_HaitahWave;
}

void C_WaveOut::PrepareHeaders() {
    const auto pageBytes = static_cast<uint32_t>(OutBlockAlign() * c_PageFrames);
    for (int d = 0; d < c_NumDevices; ++d) {
        for (size_t p = 0; p < c_Pages.size(); ++p) {
            WaveHeader& header = Header(d, static_cast<int>(p));
            header.bufferLength = pageBytes;
            header.loops = 0;
            const int code = Device(d).PrepareHeader(header);
            if (code != MMSYSERR_NOERROR)
                LogDevice("waveOutPrepareHeader (Start1) Failed r=", code);
        }
    }
    for (Page& page : c_Pages) {
        page.filled = 0;
        page.start = -1;
        page.sequence = -1;
    }
}

// Silence before the file's first page, in whole frames so that the file starts on a frame
// boundary, and no longer than the silence buffer.
void C_WaveOut::QueueLeadIn() {
    const int64_t align = OutBlockAlign();
    const int64_t frames = std::min<int64_t>(
        static_cast<int64_t>(std::nearbyint(c_DelayMS / 1000.0 * c_Info.sampleRate)),
        kSilenceBufferBytes / align);
    const int64_t bytes = frames * align;
    const uint8_t silence = SilenceByte(c_Info.bitsPerSample);
    try {
        if (static_cast<int64_t>(c_Silence.size()) < bytes) c_Silence.resize(bytes);
    } catch (const std::bad_alloc&) {
        c_Silence.clear();
    }
    if (c_SilenceBits != c_Info.bitsPerSample) {
        std::fill(c_Silence.begin(), c_Silence.end(), silence);
        c_SilenceBits = c_Info.bitsPerSample;
    }
    const auto length = static_cast<uint32_t>(std::min<int64_t>(bytes, c_Silence.size()));
    for (int d = 0; d < c_NumDevices; ++d) {
        c_LeadIn[d] = WaveHeader{c_Silence.data(), length, 0, 0, 0};
        const int code = Device(d).PrepareHeader(c_LeadIn[d]);
        if (code != MMSYSERR_NOERROR)
            LogDevice("waveOutPrepareHeader (Start mute) Failed r=", code);
    }
    for (int d = 0; d < c_NumDevices; ++d) {
        const int code = Device(d).Write(c_LeadIn[d]);
        if (code != MMSYSERR_NOERROR) LogDevice("waveOutWrite (Start mute) Failed r=", code);
    }
}

bool C_WaveOut::FillFirstPages() {
    const int direct = c_BufferToPlay <= 2 ? 1 : 0;
    for (int page = 0; page < c_BufferToPlay; ++page) {
        const Fill fill = AddPlayBuffer(page, c_NextRead, direct, 0);
        if (!fill.ok) {
            WriteLog("C_WaveOut AddPlayBuffer(Start) Failed " + c_FileName, 1);
            CloseFileHandle(c_hFile);
            // Only the lead-in can be queued yet; it must not play on into the next start.
            ResetOpenDevices(nullptr);
            return false;
        }
        c_LastQueued = page;
        c_NextRead = fill.next;
        if (c_NextRead >= c_PlayEnd) {
            if (c_LoopOn == 0) break;
            c_NextRead = LoopTarget();
        }
    }
    return true;
}

void C_WaveOut::QueueFirstPages() {
    for (int d = 0; d < c_NumDevices; ++d) {
        for (int page = 0; page <= c_LastQueued; ++page) {
            const int code = Device(d).Write(Header(d, page));
            if (code != MMSYSERR_NOERROR) LogDevice("waveOutWrite (Start1) Failed r=", code);
        }
    }
}

}  // namespace sonivex
