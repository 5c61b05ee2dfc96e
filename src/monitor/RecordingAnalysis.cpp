// Recording analysis. Files are read in large blocks; 16-bit stereo buffers are measured where
// they lie, other layouts are first brought to 16-bit stereo (the first two channels).
#include "monitor/RecordingAnalysis.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "monitor/Levels.h"

namespace sonivex {

namespace {

constexpr size_t kBlockBytes = 1 << 20;  // about 1 MB per read

int16_t To16(const uint8_t* p, int bytesPerSample) {
    switch (bytesPerSample) {
        case 1:
            return static_cast<int16_t>((p[0] - 128) * 256);
        case 2:
            return static_cast<int16_t>(p[0] | (p[1] << 8));
        default:
            return static_cast<int16_t>(p[1] | (p[2] << 8));  // 24-bit: the top 16 bits
    }
}

// Interleaved 16-bit stereo of the first two channels (a mono file on both).
void ToStereo16(const uint8_t* data, size_t frames, const WaveInfo& info, int16_t* out) {
    const int bytes = info.bitsPerSample / 8;
    const int second = info.channels > 1 ? bytes : 0;
    for (size_t f = 0; f < frames; ++f) {
        const uint8_t* frame = data + f * static_cast<size_t>(info.blockSize);
        out[2 * f] = To16(frame, bytes);
        out[2 * f + 1] = To16(frame + second, bytes);
    }
}

class Analyzer {
  public:
    Analyzer(const SilenceThresholds& t, bool mono, int framesPerBuffer)
        : t_(t), mono_(mono), frames_(static_cast<size_t>(framesPerBuffer)) {}

    void Buffer(const int16_t* stereo, AnalysisResult& result) {
        ++buffers_;
        const BufferLevels levels = MeasureBuffer(stereo, frames_);
        const SilenceDecision d = SilenceStep(counters_, t_, mono_, PeakDecibel(levels.peak[0]),
                                              PeakDecibel(levels.peak[1]), true, alert_);
        const double now = buffers_ / static_cast<double>(kBuffersPerSecond);
        if (d.raise) {
            alert_ = true;
            result.events.push_back({now, true, d.kind, now - SilentBuffers(d.kind) / 5.0});
        } else if (d.cancel) {
            alert_ = false;
            result.events.push_back({now, false, 0, now - counters_.sound / 5.0});
        }
        result.analyzedSeconds = now;
        result.endInAlert = alert_;
    }

  private:
    int SilentBuffers(int kind) const {
        switch (kind) {
            case kAlertBoth:
                return std::min(counters_.silentLeft, counters_.silentRight);
            case kAlertRight:
                return counters_.silentRight;
            default:
                return counters_.silentLeft;
        }
    }

    SilenceThresholds t_;
    bool mono_;
    size_t frames_;
    SilenceCounters counters_;
    bool alert_ = false;
    long buffers_ = 0;
};

// Opens and describes the file: "" when it can be analysed, else why not (and the file closed).
std::string OpenForAnalysis(const std::string& path, FileHandle& fd, WaveInfo& info) {
    fd = OpenFileHandle(path, 0);
    if (fd == 0) return "cannot open the file";
    info = ReadWaveInfo(path, fd);
    const std::string why =
        info.valid != 1 ? "not a wave file that can be read" : WaveRefusal(info);
    if (!why.empty()) CloseFileHandle(fd);
    return why;
}

// Whole buffers per read: about kBlockBytes, but no more than the data holds.
size_t BuffersPerRead(int64_t dataBytes, size_t bufferBytes) {
    const auto bytes = std::min<int64_t>(static_cast<int64_t>(kBlockBytes), dataBytes);
    return std::max<size_t>(1, static_cast<size_t>(std::max<int64_t>(0, bytes)) / bufferBytes);
}

}  // namespace

AnalysisResult AnalyzeRecording(const std::string& path, const SilenceThresholds& thresholds,
                                bool mono, const std::function<void(double)>& progress) {
    AnalysisResult result;
    FileHandle fd = 0;
    result.error = OpenForAnalysis(path, fd, result.info);
    if (!result.error.empty()) return result;
    const WaveInfo& info = result.info;
    result.framesPerBuffer = static_cast<int>(std::nearbyint(info.sampleRate / 5.0));
    const size_t bufferBytes = static_cast<size_t>(result.framesPerBuffer) * info.blockSize;
    // The data chunk may claim more than the file holds: read until either ends.
    const int64_t end =
        std::min<int64_t>(info.dataOffset + static_cast<int64_t>(info.dataSize), info.fileSize);
    const size_t perBlock = BuffersPerRead(end - info.dataOffset, bufferBytes);
    // Held as 16-bit samples so that 16-bit stereo buffers are measured where they lie.
    std::vector<int16_t> block((perBlock * bufferBytes + 1) / 2);
    uint8_t* bytes = reinterpret_cast<uint8_t*>(block.data());
    std::vector<int16_t> stereo(static_cast<size_t>(result.framesPerBuffer) * 2);
    const bool direct = info.channels == 2 && info.bitsPerSample == 16;
    Analyzer analyzer(thresholds, mono, result.framesPerBuffer);
    for (int64_t at = info.dataOffset; at + static_cast<int64_t>(bufferBytes) <= end;) {
        const size_t want = std::min<size_t>(perBlock * bufferBytes, static_cast<size_t>(end - at));
        const ssize_t got = ::pread(fd, bytes, want, at);
        if (got < static_cast<ssize_t>(bufferBytes)) break;
        const size_t whole = static_cast<size_t>(got) / bufferBytes;
        for (size_t b = 0; b < whole; ++b) {
            if (direct) {
                analyzer.Buffer(block.data() + b * bufferBytes / 2, result);
                continue;
            }
            ToStereo16(bytes + b * bufferBytes, static_cast<size_t>(result.framesPerBuffer), info,
                       stereo.data());
            analyzer.Buffer(stereo.data(), result);
        }
        at += static_cast<int64_t>(whole * bufferBytes);
        if (progress) progress(static_cast<double>(at - info.dataOffset) / (end - info.dataOffset));
    }
    CloseFileHandle(fd);
    result.ok = true;
    return result;
}

}  // namespace sonivex
