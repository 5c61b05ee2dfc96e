// libFuzzer target: any bytes as the file of `sonivex --analyze`. The description must be
// self-consistent whenever it claims to be valid; the analysis must end with a report or a reason,
// and never crash, hang or ask for more memory than the file warrants.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/AnalysisReport.h"
#include "playback/WaveMMIO.h"

namespace {

void CheckDescription(int fd, size_t size) {
    const sonivex::WaveInfo info = sonivex::ReadWaveInfo("", fd);
    if (info.valid != 1) return;
    const bool sane = info.sampleRate > 0 && info.blockSize > 0 && info.lengthFrames >= 0 &&
                      info.dataOffset >= 20 && info.dataOffset <= static_cast<int64_t>(size) &&
                      info.formatCode >= 0 && info.fileSize == static_cast<int64_t>(size);
    if (!sane) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = ::memfd_create("wave", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0) std::abort();
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    CheckDescription(fd, size);
    // The whole command: text and JSON, stereo and mono judgement, chosen by the size.
    std::ostringstream out, err;
    const int code = sonivex::AnalyzeFile(path, sonivex::SilenceThresholds{}, (size & 2) != 0,
                                          (size & 1) != 0, out, err);
    if ((code == 0) == out.str().empty() || (code == 0) != err.str().empty()) std::abort();
    return 0;
}
