// Wave file reading. The chunk walk trusts nothing in the file: every step is bounded by the real
// file size and always moves forward, so truncated files, lying sizes and chunk loops end it.
#include "playback/WaveMMIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace sonivex {

namespace {

constexpr int64_t kFirstChunk = 12;  // after "RIFF", its size and "WAVE"
constexpr int64_t kMaxFrames = 2147483647;
constexpr int32_t kTagPcm = 1;
constexpr int32_t kTagExtensible = 0xFFFE;
constexpr uint32_t kExtensibleFormatBytes = 40;  // the "fmt " body with its sub-format GUID
constexpr int64_t kSubFormatAt = 24;             // the GUID's offset in that body

uint32_t Le32(const uint8_t* b) {
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}
uint16_t Le16(const uint8_t* b) {
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

bool ReadAt(FileHandle fd, int64_t position, void* dest, size_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::pread(fd, static_cast<uint8_t*>(dest) + done, count - done,
                                  static_cast<off_t>(position) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// The first two bytes of an extensible format's sub-format GUID, which are its format code; 0 when
// the chunk is too short to hold one.
int32_t SubFormatTag(FileHandle fd, int64_t o, int64_t fileSize) {
    uint8_t size[4], tag[2];
    if (!ReadAt(fd, o + 4, size, 4) || Le32(size) < kExtensibleFormatBytes) return 0;
    if (o + 8 + kSubFormatAt + 2 > fileSize || !ReadAt(fd, o + 8 + kSubFormatAt, tag, 2)) return 0;
    return Le16(tag);
}

// Reads the "fmt " body; false when the format cannot be played.
bool ReadFormat(FileHandle fd, int64_t o, int64_t fileSize, WaveInfo& info) {
    uint8_t fmt[16];
    if (o + 8 > fileSize || !ReadAt(fd, o + 8, fmt, sizeof fmt)) return false;
    info.formatTag = Le16(fmt);
    info.subFormatTag = info.formatTag == kTagExtensible ? SubFormatTag(fd, o, fileSize) : 0;
    info.channels = static_cast<int16_t>(Le16(fmt + 2));
    info.sampleRate = static_cast<int32_t>(Le32(fmt + 4));
    info.bitsPerSample = static_cast<int16_t>(Le16(fmt + 14));
    info.blockSize = static_cast<int32_t>(std::nearbyint(info.channels * info.bitsPerSample / 8.0));
    info.formatCode = WaveFormatCodeOf(info.channels, info.bitsPerSample);
    // A rate of 0 would divide by zero in every later time computation.
    return info.formatCode != kNoFormat && info.sampleRate > 0;
}

void Finish(WaveInfo& info, int64_t fileSize) {
    const uint64_t frameBytes = static_cast<uint64_t>(info.channels) * info.bitsPerSample / 8;
    info.lengthFrames = static_cast<int32_t>(
        std::min<uint64_t>(info.dataSize / frameBytes, static_cast<uint64_t>(kMaxFrames)));
    // A rate of a few hertz under a huge data size lasts longer than an int32 of milliseconds.
    const double ms = static_cast<double>(info.lengthFrames) / info.sampleRate * 1000.0;
    info.durationMs = static_cast<int32_t>(std::min(std::nearbyint(ms), double{INT32_MAX}));
    info.fileSize = fileSize;
    info.valid = 1;
}

WaveInfo WalkChunks(FileHandle fd) {
    WaveInfo info;
    const int64_t fileSize = GetFileSizeByHandle(fd);
    bool haveFormat = false, haveData = false;
    int64_t o = kFirstChunk;
    while (o + 4 <= fileSize) {
        uint8_t id[4], size[4];
        if (!ReadAt(fd, o, id, 4)) break;
        if (std::memcmp(id, "fmt ", 4) == 0) {
            if (!ReadFormat(fd, o, fileSize, info)) break;
            haveFormat = true;
        } else if (std::memcmp(id, "data", 4) == 0) {
            if (o + 8 > fileSize || !ReadAt(fd, o + 4, size, 4)) break;
            info.dataOffset = o + 8;
            info.dataSize = Le32(size);
            haveData = true;
        }
        if (haveFormat && haveData) {
            Finish(info, fileSize);
            return info;
        }
        if (o + 8 > fileSize || !ReadAt(fd, o + 4, size, 4)) break;
        const int64_t s = Le32(size);
        o += 8 + s + (s & 1);  // odd chunks carry a pad byte
    }
    info.valid = 0;
    return info;
}

}  // namespace

int WaveFormatCodeOf(int channels, int bits) {
    if (channels == 1 || channels == 2) {
        const int base = channels - 1;
        if (bits == 8) return base;
        if (bits == 16) return base + 2;
        if (bits == 24) return base + 4;
        return kNoFormat;
    }
    if (channels == 6 || channels == 8) {
        const int surround = channels == 6 ? 0 : 1;
        if (bits == 16) return kSurround51_16bit + surround;
        if (bits == 24) return kSurround51_24bit + surround;
    }
    return kNoFormat;
}

WaveInfo ReadWaveInfo(const std::string& path, FileHandle fd) {
    const bool own = fd == 0;
    if (own) fd = OpenFileHandle(path, 0);
    if (fd == 0) return WaveInfo{};
    WaveInfo info = WalkChunks(fd);
    if (own) CloseFileHandle(fd);
    return info;
}

std::string WaveRefusal(const WaveInfo& info) {
    if (info.sampleRate < kMinWaveRate || info.sampleRate > kMaxWaveRate)
        return "sample rate " + std::to_string(info.sampleRate) + " Hz outside " +
               std::to_string(kMinWaveRate) + ".." + std::to_string(kMaxWaveRate) + " Hz";
    const bool pcm = info.formatTag == kTagPcm ||
                     (info.formatTag == kTagExtensible && info.subFormatTag == kTagPcm);
    if (!pcm)
        return "format code " + std::to_string(info.formatTag) +
               (info.formatTag == kTagExtensible
                    ? " with sub-format " + std::to_string(info.subFormatTag)
                    : "") +
               " is not integer PCM";
    return "";
}

FileHandle OpenFileHandle(const std::string& path, int mode) {
    int flags = 0;
    switch (mode) {
        case 0:
            flags = O_RDONLY;
            break;
        case 1:
            flags = O_WRONLY | O_CREAT;
            break;
        case 2:
            flags = O_RDWR | O_CREAT;
            break;
        default:
            return 0;
    }
    int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd == 0) {
        // 0 means "no handle" to every caller: move a file that landed on descriptor 0.
        const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ::close(fd);
        fd = moved;
    }
    return fd < 0 ? 0 : fd;
}

void CloseFileHandle(FileHandle& fd) {
    if (fd != 0) ::close(fd);
    fd = 0;
}

int64_t GetFileSizeByHandle(FileHandle fd) {
    struct stat st {};
    if (fd == 0 || ::fstat(fd, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

FileStamp StampOfFile(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
            static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

FileHandle ReadFileToMemEx(void* destination, size_t count, int64_t position, FileHandle fd,
                           const std::string& path, int closeAfter) {
    if (fd == 0) fd = OpenFileHandle(path, 0);
    if (fd == 0) return 0;
    if (count == 0 && closeAfter == 0) return fd;
    if (position < 0 || !ReadAt(fd, position, destination, count)) {
        CloseFileHandle(fd);
        return 0;
    }
    if (closeAfter == 0) return fd;
    CloseFileHandle(fd);
    return 1;
}

}  // namespace sonivex
