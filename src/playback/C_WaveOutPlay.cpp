// The streaming player: starting playback (devices, headers, first pages).
#include "playback/C_WaveOut.h"
#include "playback/WaveDevices.h"
#include "support/Log.h"

namespace sonivex {

int C_WaveOut::Play() {
    if (c_Playing) StopIO(1);
    c_Busy = true;
    int result = 0;
    if (c_FileLoaded && OpenDevices()) {
        c_NextRead = 0;
        c_LastQueued = 0;
        c_ServiceFailed.fill(false);
        PrepareHeaders();
        if (FillFirstPages()) {
            QueueFirstPages();
            c_Playing = true;
            result = 1;
        }
    }
    c_Busy = false;
    return result;
}

bool C_WaveOut::OpenDevices() {
    // Every closed device is opened; without NoClose each device starts afresh, and so does one
    // that failed while it played (it may have come back).
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
    return true;
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
    for (Page& page : c_Pages) page.filled = 0;
}

bool C_WaveOut::FillFirstPages() {
    const int direct = c_BufferToPlay <= 2 ? 1 : 0;
    for (int page = 0; page < c_BufferToPlay; ++page) {
        const Fill fill = AddPlayBuffer(page, c_NextRead, direct, 0);
        if (!fill.ok) {
            WriteLog("C_WaveOut AddPlayBuffer(Start) Failed " + c_FileName, 1);
            CloseFileHandle(c_hFile);
            return false;
        }
        c_LastQueued = page;
        c_NextRead = fill.next;
        if (c_NextRead >= c_PlayEnd) {
            if (c_LoopOn == 0) break;
            c_NextRead = 0;
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
