// Wave files: the RIFF/WAVE description (format and where the samples lie), block reads at 64-bit
// positions, and packed 24-bit sample conversion.
#pragma once

#include <cstdint>
#include <string>

namespace sonivex {

// Sample layout codes: channels × bits.
enum WaveFormatCode {
    kNoFormat = -1,
    kMono8bit = 0,
    kStereo8bit = 1,
    kMono16bit = 2,
    kStereo16bit = 3,
    kMono24bit = 4,
    kStereo24bit = 5,
    kSurround51_16bit = 6,
    kSurround71_16bit = 7,
    kSurround51_24bit = 8,
    kSurround71_24bit = 9,
};

// The code for channels and bits, or kNoFormat when unsupported.
int WaveFormatCodeOf(int channels, int bitsPerSample);

struct WaveInfo {
    int32_t valid = 0;  // 1: "fmt " and "data" found and the format is supported
    int32_t lengthFrames = 0;
    int32_t sampleRate = 0;
    int16_t bitsPerSample = 0;
    int16_t channels = 0;
    int32_t blockSize = 0;   // bytes per frame
    int64_t dataOffset = 0;  // byte offset of the first sample
    uint64_t dataSize = 0;   // data chunk size as stored
    int64_t fileSize = 0;
    int32_t formatCode = kNoFormat;
    int32_t durationMs = 0;
    int32_t formatTag = 0;     // recorded, not validated
    int32_t subFormatTag = 0;  // an extensible file's sub-format code (1 PCM, 3 float); else 0
};

// Rates that playback and analysis take: below them a 0.2 s buffer holds next to nothing, above
// them a file asks for buffers of gigabytes.
constexpr int32_t kMinWaveRate = 8000;
constexpr int32_t kMaxWaveRate = 192000;

using FileHandle = int;  // a file descriptor; 0 = none

// fd = 0 opens the path for reading and closes it again; else the handle is used and left open.
WaveInfo ReadWaveInfo(const std::string& path, FileHandle fd = 0);

// Why a file that ReadWaveInfo describes as valid still cannot be played or analysed faithfully:
// a rate outside kMinWaveRate..kMaxWaveRate, or samples that are not integer PCM (µ-law, float).
// "" when it can.
std::string WaveRefusal(const WaveInfo& info);

// mode 0 read (existing file), 1 write (open or create), 2 read and write; 0 on failure.
FileHandle OpenFileHandle(const std::string& path, int mode);
void CloseFileHandle(FileHandle& fd);
int64_t GetFileSizeByHandle(FileHandle fd);  // -1 on failure

// Tells a file replaced or rewritten on disk from the one seen before; all 0 when it is missing.
struct FileStamp {
    uint64_t device = 0, inode = 0;
    int64_t size = 0, modifiedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
FileStamp StampOfFile(const std::string& path);
// Reads count bytes at position. fd 0 opens the path. Returns the (open) handle, or 1 after
// closing it when closeAfter; 0 on failure, after closing the handle (also one passed in).
// count 0 with fd 0 and closeAfter 0 only opens the file and returns the handle.
FileHandle ReadFileToMemEx(void* destination, size_t count, int64_t position, FileHandle fd,
                           const std::string& path, int closeAfter);

// Packed 24-bit little-endian samples, rounded (halves to even) and limited to 24 bits.
int32_t Read24Scaled(const uint8_t* bytes, float gain);
void Write24Scaled(int32_t value, uint8_t* bytes, float gain);

}  // namespace sonivex
