// The streaming player: construction, page tables, loading a file and releasing it.
#include "playback/C_WaveOut.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/AudioBackend.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr uint32_t kSurroundChannelMask = 0x3F;  // FL FR FC LFE BL BR

bool SameFormat(const WaveInfo& info, int rate, int bits, int channels) {
    return info.sampleRate == rate && info.bitsPerSample == bits && info.channels == channels;
}

}  // namespace

C_WaveOut::C_WaveOut(AudioBackend& backend) : c_Backend(backend) {}

C_WaveOut::~C_WaveOut() {
    CloseWave();
}

WaveOut& C_WaveOut::Device(int d) {
    // Created on first use and kept: a device object stands for one output slot.
    if (!c_Devices[d]) c_Devices[d] = c_Backend.CreateWaveOut();
    return *c_Devices[d];
}

void C_WaveOut::LogDevice(const char* what, int code) const {
    WriteLog(std::string(what) + std::to_string(code) + " " + c_FileName, 1);
}

void C_WaveOut::Init() {
    // Headers may be queued on a device only while playing: stop first, or they would dangle.
    if (c_Playing) StopIO(1);
    ResetOpenDevices(nullptr);
    c_FileLoaded = 0;
    c_FileName.clear();
    c_Info = WaveInfo{};
    c_PrevRate = c_PrevBits = c_PrevChannels = 0;
    if (c_NumDiskBufferPages < 1) c_NumDiskBufferPages = 1;
    for (auto& headers : c_Headers) headers.assign(static_cast<size_t>(c_NumBufferPages), {});
    c_Pages.assign(static_cast<size_t>(c_NumBufferPages), Page{});
    c_LastQueued = 0;
}

void C_WaveOut::FileName(const std::string& path) {
    c_Busy = true;
    if (c_Playing) StopIO(1);
    // Loading before Init would find no page tables.
    if (c_Pages.empty()) Init();
    c_PlayEnd = c_Length;
    // The same name is read again only when the file was replaced or rewritten on disk.
    const FileStamp stamp = StampOfFile(path);
    if (!path.empty() && path == c_FileName && c_Info.valid && stamp == c_FileStamp) {
        c_FileLoaded = 1;
        c_Busy = false;
        return;
    }
    c_FileName = path;
    c_FileLoaded = 0;
    c_PlayEnd = 0;
    CloseFileHandle(c_hFile);  // a handle of the previous file would feed its samples
    const WaveInfo info = ReadWaveInfo(path);
    const std::string refused = info.valid ? WaveRefusal(info) : "";
    if (!info.valid || !refused.empty() || !TakeFormat(info)) {
        c_Playing = false;
        if (!path.empty())
            WriteLog("C_WaveOut Let FileName Fail " + path +
                         (refused.empty() ? "" : " (" + refused + ")"),
                     1);
        c_FileName.clear();
        c_Busy = false;
        return;
    }
    c_FileStamp = stamp;
    c_Busy = false;
    c_FileLoaded = 1;
}

// Takes the new file's description and makes the buffers match it; false when they cannot be
// allocated.
bool C_WaveOut::TakeFormat(const WaveInfo& info) {
    WaveInfo taken = info;
    // A data size that claims more than the file holds (a recording cut short, or a streamed
    // file's placeholder size) would read past the end on every page: play what is there.
    const int64_t present = std::max<int64_t>(0, info.fileSize - info.dataOffset) / info.blockSize;
    taken.lengthFrames = static_cast<int32_t>(std::min<int64_t>(info.lengthFrames, present));
    c_PlayEnd = taken.lengthFrames;
    c_Cache.Clear();
    if (c_NoClose == 1 && c_PrevRate != 0 &&
        SameFormat(taken, c_PrevRate, c_PrevBits, c_PrevChannels)) {
        c_Info = taken;
    } else {
        if (c_PrevRate != 0) FreeSampleBuffers();
        c_Info = taken;
        c_PrevRate = taken.sampleRate;
        c_PrevBits = taken.bitsPerSample;
        c_PrevChannels = taken.channels;
        if (c_Open[0]) CloseDevices("waveOutClose (Filename) Failed r=");
        c_Format = OutputFormat();
        ComputePaging();
        if (!AllocatePages()) {
            FreeSampleBuffers();
            c_PrevRate = 0;
            c_Info = WaveInfo{};
            c_Length = c_PlayEnd = 0;
            return false;
        }
    }
    c_Length = taken.lengthFrames;
    return true;
}

void C_WaveOut::CloseDevices(const char* what) {
    for (int d = 0; d < kMaxOutDevices; ++d) {
        if (!c_Open[d]) continue;
        const int code = Device(d).Close();
        if (code != MMSYSERR_NOERROR) LogDevice(what, code);
        c_Open[d] = false;
    }
}

WaveFormat C_WaveOut::OutputFormat() const {
    WaveFormat f;
    const int bits = c_Info.bitsPerSample;
    f.samplesPerSec = static_cast<uint32_t>(c_Info.sampleRate);
    f.bitsPerSample = static_cast<uint16_t>(bits);
    if (c_UseExtensible == 0 || c_Info.channels <= 2) {
        f.formatTag = WAVE_FORMAT_PCM;
        f.channels = c_Info.channels == 1 ? 1 : 2;
    } else {
        f.formatTag = WAVE_FORMAT_EXTENSIBLE;
        f.channels = static_cast<uint16_t>(c_Info.channels);
        f.validBitsPerSample = static_cast<uint16_t>(bits);
        f.channelMask = kSurroundChannelMask;
    }
    f.blockAlign = static_cast<uint16_t>(f.channels * bits / 8);
    f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
    return f;
}

void C_WaveOut::ComputePaging() {
    const bool split = c_Format.formatTag == WAVE_FORMAT_PCM && c_Info.channels > 2;
    c_NumDevices = split ? c_Info.channels / 2 : 1;
    const double exact = static_cast<double>(c_Info.sampleRate) * c_BufferPagemsec / 1000.0;
    int64_t frames = static_cast<int64_t>(std::nearbyint(std::clamp(exact, 0.0, 1e12)));
    frames -= frames % kMinPageFrames;
    // Too short a page for the rate would leave no whole page at all; too long a one would not
    // fit the silence that stands in for it when stopping.
    const int64_t fit = kSilenceBufferBytes / c_Info.blockSize;
    c_PageFrames = std::clamp(frames, int64_t{kMinPageFrames}, fit - fit % kMinPageFrames);
    c_PagesPerCall = std::max(1, static_cast<int>(c_Info.sampleRate / c_PageFrames / 3));
    c_BufferToPlay = std::clamp(c_NumBufferToPlay, 2, static_cast<int>(c_Pages.size()));
}

bool C_WaveOut::AllocatePages() {
    const auto frameBytes = static_cast<size_t>(c_PageFrames * c_Info.blockSize);
    const auto pairBytes = static_cast<size_t>(c_PageFrames * 2 * (c_Info.bitsPerSample / 8));
    const bool split = c_NumDevices > 1;
    try {
        for (size_t p = 0; p < c_Pages.size(); ++p) {
            Page& page = c_Pages[p];
            page.frames.assign(frameBytes, SilenceByte(c_Info.bitsPerSample));
            for (int d = 0; d < c_NumDevices && split; ++d) {
                page.split[d].assign(pairBytes, SilenceByte(c_Info.bitsPerSample));
                c_Headers[d][p].data = page.split[d].data();
            }
            if (!split) c_Headers[0][p].data = page.frames.data();
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void C_WaveOut::FreeSampleBuffers() {
    for (size_t p = 0; p < c_Pages.size(); ++p) {
        Page& page = c_Pages[p];
        page.frames = {};
        for (auto& pair : page.split) pair = {};
        for (auto& headers : c_Headers) headers[p].data = nullptr;
    }
}

void C_WaveOut::CloseWave() {
    if (c_Playing) StopIO(0);
    ResetOpenDevices(nullptr);
    // Nothing may stay open on headers that are about to go.
    CloseDevices("waveOutClose (StopIO) Failed r=");
    CloseFileHandle(c_hFile);
    c_FileLoaded = 0;
    FreeSampleBuffers();
    for (auto& headers : c_Headers) headers = {};
    c_Pages = {};
    c_Playing = false;
    c_FileName.clear();
    c_Info = WaveInfo{};
    c_Length = 0;
    c_PrevRate = c_PrevBits = c_PrevChannels = 0;
}

}  // namespace sonivex
