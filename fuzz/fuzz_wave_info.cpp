// libFuzzer target: any bytes as a wave file. The description must be self-consistent whenever it
// claims to be valid, and reading must never crash or hang.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

#include "playback/WaveMMIO.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("wave", 0);
    if (fd < 0) std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const sonivex::WaveInfo info = sonivex::ReadWaveInfo("", fd);
    if (info.valid == 1) {
        const bool sane = info.sampleRate > 0 && info.blockSize > 0 && info.lengthFrames >= 0 &&
                          info.dataOffset >= 20 && info.dataOffset <= static_cast<int64_t>(size) &&
                          info.formatCode >= 0 && info.fileSize == static_cast<int64_t>(size);
        if (!sane) std::abort();
    }
    return 0;
}
