// The streaming player: keeping the devices fed, one refill pass per tick, and filling pages.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "playback/C_WaveOut.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int64_t kMaxCacheBytes = int64_t{64} << 20;  // one refill read, at most

}  // namespace

int C_WaveOut::ProgressionPlay() {
    if (!c_Playing || c_Busy) return 0;
    ServiceDevices();
    if (ProgPlay()) {
        StopIO(0);
        c_NextRead = 0;
    }
    return 0;
}

// The devices are polled: they play and mark headers done only when serviced.
void C_WaveOut::ServiceDevices() {
    for (int d = 0; d < c_NumDevices; ++d) {
        if (!c_Open[d]) continue;
        const int code = Device(d).Service();
        // A device that failed for good answers so on every call: report it once per start.
        if (code != MMSYSERR_NOERROR && !c_ServiceFailed[d]) {
            c_ServiceFailed[d] = true;
            LogDevice("waveOutService (ProgPlay) Failed r=", code);
        }
    }
}

// One refill pass; true when the end of the range was reached and nothing plays any more.
bool C_WaveOut::ProgPlay() {
    const int pages = static_cast<int>(c_Pages.size());
    bool endReached = false, stillPlaying = false;
    int queued = 0;
    int page = (c_LastQueued + 1) % pages;
    for (int visit = 0; visit < pages; ++visit, page = (page + 1) % pages) {
        int done = 0;
        for (int d = 0; d < c_NumDevices; ++d) {
            if (Header(d, page).flags & WHDR_DONE) ++done;
        }
        Page& p = c_Pages[static_cast<size_t>(page)];
        if (p.filled && done < c_NumDevices) {
            stillPlaying = true;
            continue;
        }
        p.filled = 0;
        if (c_NextRead >= c_PlayEnd) {
            if (c_LoopOn == 0) {
                endReached = true;
                continue;
            }
            c_NextRead = 0;
        }
        RefillPage(page);
        if (++queued >= c_PagesPerCall) break;
    }
    return endReached && !stillPlaying && queued == 0;
}

// Fills one page from the next read frame and queues it on every device.
void C_WaveOut::RefillPage(int page) {
    const Fill fill = AddPlayBuffer(page, c_NextRead, 0, 1);
    if (!fill.ok) WriteLog("C_WaveOut AddPlayBuffer Failed", 1);
    for (int d = 0; d < c_NumDevices; ++d) {
        const int code = Device(d).Write(Header(d, page));
        if (code != MMSYSERR_NOERROR) LogDevice("waveOutWrite (ProgPlay) Failed r=", code);
    }
    c_NextRead = fill.ok ? fill.next : c_NextRead + c_PageFrames;
    c_LastQueued = page;
}

// Fills a page from frame `from`. A looping file fills the page up across its end, so that pages
// stay whole however short the file is.
C_WaveOut::Fill C_WaveOut::AddPlayBuffer(int page, int64_t from, int direct, int goOn) {
    Fill fill;
    if (!c_FileLoaded) {
        WriteLog("C_WaveOut AddPlayBuffer error c_FileLoaded = 0&", 1);
        return fill;
    }
    Page& p = c_Pages[static_cast<size_t>(page)];
    int64_t length = from > c_PlayEnd - c_PageFrames ? c_PlayEnd - from : c_PageFrames;
    if (length < 1) {
        WriteLog("C_WaveOut AddPlayBuffer error LenToRead < 1& pl=" + std::to_string(length) +
                     " pFrom=" + std::to_string(from) + " c_PlayEnd=" + std::to_string(c_PlayEnd),
                 1);
        return fill;
    }
    const int64_t block = c_Info.blockSize;
    bool readOk = ReadFrames(p.frames.data(), length, from, direct);
    int64_t filled = length;
    fill.next = from + length;
    while (c_LoopOn != 0 && filled < c_PageFrames && fill.next >= c_PlayEnd) {
        const int64_t chunk = std::min(c_PageFrames - filled, c_PlayEnd);
        if (chunk < 1) break;
        readOk = ReadFrames(p.frames.data() + filled * block, chunk, 0, direct) && readOk;
        filled += chunk;
        fill.next = chunk;
    }
    if (!readOk && goOn == 0) return fill;
    ProcessPage(p, filled);
    const auto bytes = static_cast<uint32_t>(filled * OutBlockAlign());
    for (int d = 0; d < c_NumDevices; ++d) Header(d, page).bufferLength = bytes;
    p.filled = 1;
    fill.ok = true;
    return fill;
}

bool C_WaveOut::ReadFrames(uint8_t* dest, int64_t frames, int64_t from, int direct) {
    const int64_t block = c_Info.blockSize;
    const int64_t position = from * block + c_Info.dataOffset;
    const auto count = static_cast<size_t>(frames * block);
    if (c_NumDiskBufferPages <= 1 || direct == 1) {
        c_hFile = ReadFileToMemEx(dest, count, position, c_hFile, c_FileName, 0);
        if (c_hFile != 0) return true;
        WriteLog("C_WaveOut ReadFileToMemEx Failed " + c_FileName + "#" + std::to_string(from) +
                     "#" + std::strerror(errno),
                 1);
        return false;
    }
    const int64_t refill =
        std::max<int64_t>(static_cast<int64_t>(count),
                          std::min(block * c_NumDiskBufferPages * c_PageFrames, kMaxCacheBytes));
    const int64_t dataEnd = c_Info.dataOffset + c_Length * block;
    if (c_Cache.Read(dest, count, position, refill, dataEnd, c_hFile, c_FileName)) return true;
    WriteLog("C_WaveOut ReadBufferToMem Failed " + c_FileName + "#" + std::to_string(from), 1);
    CloseFileHandle(c_hFile);
    return false;
}

void C_WaveOut::ProcessPage(Page& page, int64_t frames) {
    const int channels = c_Info.channels;
    if (channels <= 2 && c_UsePeakVol == 0) return;
    const int bits = c_Info.bitsPerSample;
    const auto count = static_cast<size_t>(frames);
    ApplyGain(page.frames.data(), count, channels, bits, c_Gain);
    if (c_NumDevices > 1) {
        for (int d = 0; d < c_NumDevices; ++d) {
            SplitPair(page.frames.data(), count, channels, bits, d, page.split[d].data());
        }
    }
}

}  // namespace sonivex
