// The streaming player: plays one wave file from disk, page by page, to up to four devices.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/WaveOut.h"
#include "playback/DiskCache.h"
#include "playback/FillerPlayer.h"
#include "playback/PageSamples.h"
#include "playback/WaveMMIO.h"

namespace sonivex {

class AudioBackend;

constexpr int kMaxOutDevices = 4;                 // stereo pairs of a 7.1 file
constexpr int64_t kSilenceBufferBytes = 9216001;  // largest page
constexpr int kMinPageFrames = 256;               // pages are whole multiples of this
constexpr int kMaxBufferPages = 1000;             // per device
constexpr int kMaxMuteMs = 10000;                 // stop-time silence; the UI waits through it

class C_WaveOut : public FillerPlayer {
  public:
    explicit C_WaveOut(AudioBackend& backend);
    ~C_WaveOut() override;
    C_WaveOut(const C_WaveOut&) = delete;
    C_WaveOut& operator=(const C_WaveOut&) = delete;

    void UseExtensible(int value) { c_UseExtensible = value; }
    // Every page through the gain stage, not only those of surround files.
    void UsePeakVol(int value) { c_UsePeakVol = value; }
    void VolMinLevel(int value);
    void DeviceID(int value) { c_DeviceID[0] = value; }
    void BufferPagemsec(int ms) { c_BufferPagemsec = ms; }
    void NumBufferPages(int pages);
    void NumDiskBufferPages(int pages);
    void NumBufferToPlay(int pages) { c_NumBufferToPlay = pages; }
    void NoClose(int value) { c_NoClose = value; }
    void MuteMS(int ms);

    void Init();
    void FileName(const std::string& path) override;
    int Play() override;
    const WaveOut* hWave(int pDev = 0) const;  // nullptr when that device is closed
    void StopIO() override { StopIO(0); }
    void StopIO(int pNoMute);
    void CloseWave();
    int ProgressionPlay() override;

    void LoopOn(int on) override;
    void Attenuation(int value);
    int Position(int pType) const;

  private:
    struct Page {
        std::vector<uint8_t> frames;                             // the file's own frame layout
        std::array<std::vector<uint8_t>, kMaxOutDevices> split;  // stereo pairs, when split
        int filled = 0;                                          // 1: filled and queued
    };
    struct Fill {
        bool ok = false;
        int64_t next = 0;  // the frame after the last one read
    };

    // Loading (C_WaveOut.cpp).
    bool TakeFormat(const WaveInfo& info);
    void CloseDevices(const char* what);
    WaveFormat OutputFormat() const;
    void ComputePaging();
    bool AllocatePages();
    void FreeSampleBuffers();
    // Starting (C_WaveOutPlay.cpp).
    bool OpenDevices();
    bool OpenDevice(int d);
    void PrepareHeaders();
    bool FillFirstPages();
    void QueueFirstPages();
    // Streaming (C_WaveOutStream.cpp).
    bool ProgPlay();
    void RefillPage(int page);
    Fill AddPlayBuffer(int page, int64_t from, int direct, int goOn);
    bool ReadFrames(uint8_t* dest, int64_t frames, int64_t from, int direct);
    void ProcessPage(Page& page, int64_t frames);
    void ServiceDevices();
    // Stopping (C_WaveOutStop.cpp).
    bool QueueMuteSilence();
    void WaitMuting();
    void ReleaseHeaders();
    void ResetOpenDevices(const char* what);

    WaveOut& Device(int d);
    WaveHeader& Header(int d, int page) { return c_Headers[d][static_cast<size_t>(page)]; }
    void LogDevice(const char* what, int code) const;
    int64_t PlayedFrames() const;
    int FramesToMs(int64_t frames) const;
    int OutBlockAlign() const { return c_Format.blockAlign; }

    AudioBackend& c_Backend;

    // Settings.
    int c_UseExtensible = 0;
    int c_UsePeakVol = 0;
    int c_VolMinLevel = -4000;
    // The further stereo pairs of a split file all go to the first device of the list.
    std::array<int, kMaxOutDevices> c_DeviceID{WAVE_MAPPER, 0, 0, 0};
    int c_BufferPagemsec = 200;
    int c_NumBufferPages = 7;
    int c_NumDiskBufferPages = 0;
    int c_NumBufferToPlay = 2;
    int c_NoClose = 0;
    int c_MuteMS = 0;
    int c_LoopOn = 0;
    float c_Gain = 1.0f;

    // The loaded file.
    std::string c_FileName;
    FileStamp c_FileStamp;  // of c_FileName when it was loaded
    WaveInfo c_Info;
    int c_FileLoaded = 0;
    int64_t c_Length = 0;                                    // frames the file holds
    int c_PrevRate = 0, c_PrevBits = 0, c_PrevChannels = 0;  // for the NoClose reuse test
    FileHandle c_hFile = 0;                                  // the file being streamed
    DiskCache c_Cache;

    int64_t c_PlayEnd = 0;  // frames that play, 0 while loading

    // Output layout and paging.
    WaveFormat c_Format;
    int c_NumDevices = 1;
    int64_t c_PageFrames = kMinPageFrames;
    int c_PagesPerCall = 1;
    int c_BufferToPlay = 2;

    // Devices and pages.
    std::array<std::unique_ptr<WaveOut>, kMaxOutDevices> c_Devices;
    std::array<bool, kMaxOutDevices> c_Open{};
    std::array<bool, kMaxOutDevices> c_ServiceFailed{};
    std::array<std::vector<WaveHeader>, kMaxOutDevices> c_Headers;
    std::vector<Page> c_Pages;

    // Playback state.
    bool c_Playing = false;
    bool c_Busy = false;
    int64_t c_NextRead = 0;
    int c_LastQueued = 0;
};

}  // namespace sonivex
