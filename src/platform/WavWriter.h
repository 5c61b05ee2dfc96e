// A PCM wave file writer whose file stays readable while it grows (sizes patched on Flush).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/WaveTypes.h"

namespace sonivex {

class WavWriter {
  public:
    WavWriter() = default;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter() { Close(); }

    // Creates (or truncates) `path` for integer PCM of 8, 16, 24 or 32 bits and 1..8 channels;
    // a WAVE_FORMAT_EXTENSIBLE format gets the extensible header. False with Error() set when
    // the format is not one of those or the file cannot be written.
    bool Create(const std::string& path, const WaveFormat& format);
    // Appends raw sample bytes as given. False (nothing written) when closed, on a write error,
    // or when the data would pass the format's 4 GiB limit.
    bool Append(const uint8_t* data, size_t bytes);
    // Writes the current sizes into the header and flushes, so that readers see a valid file.
    bool Flush();
    void Close();

    bool IsOpen() const { return file_ != nullptr; }
    uint64_t DataBytes() const { return dataBytes_; }
    const WaveFormat& Format() const { return format_; }
    const std::string& Error() const { return error_; }

  private:
    bool Fail(const std::string& what);

    std::FILE* file_ = nullptr;
    std::string path_;
    WaveFormat format_;
    uint32_t dataOffset_ = 0;  // byte offset of the first sample
    uint64_t dataBytes_ = 0;
    bool dirty_ = false;  // data written since the last Flush
    std::string error_;
};

}  // namespace sonivex
