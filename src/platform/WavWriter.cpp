// RIFF/WAVE writing: header, appended samples, size fields kept current.
#include "platform/WavWriter.h"

#include <cerrno>
#include <cstring>
#include <vector>

namespace sonivex {

namespace {

constexpr uint32_t kPcmFmtBytes = 16;
constexpr uint32_t kExtensibleFmtBytes = 40;
constexpr uint16_t kExtensibleExtraBytes = 22;
constexpr uint32_t kRiffSizeOffset = 4;
constexpr uint64_t kMaxRiffBytes = 0xFFFFFFFFull;
// The integer PCM sub-format GUID {00000001-0000-0010-8000-00AA00389B71}, as stored on disk.
constexpr uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

bool SupportedFormat(const WaveFormat& f) {
    const bool tagOk = f.formatTag == WAVE_FORMAT_PCM || f.formatTag == WAVE_FORMAT_EXTENSIBLE;
    const bool bitsOk = f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24 ||
                        f.bitsPerSample == 32;
    return tagOk && bitsOk && f.channels >= 1 && f.channels <= 8 && f.samplesPerSec > 0 &&
           f.blockAlign == f.channels * f.bitsPerSample / 8;
}

std::vector<uint8_t> Header(const WaveFormat& f) {
    const bool extensible = f.formatTag == WAVE_FORMAT_EXTENSIBLE;
    std::vector<uint8_t> h;
    PutTag(h, "RIFF");
    Put32(h, 0);  // patched by Flush
    PutTag(h, "WAVE");
    PutTag(h, "fmt ");
    Put32(h, extensible ? kExtensibleFmtBytes : kPcmFmtBytes);
    Put16(h, f.formatTag);
    Put16(h, f.channels);
    Put32(h, f.samplesPerSec);
    Put32(h, f.samplesPerSec * f.blockAlign);
    Put16(h, f.blockAlign);
    Put16(h, f.bitsPerSample);
    if (extensible) {
        Put16(h, kExtensibleExtraBytes);
        Put16(h, f.validBitsPerSample ? f.validBitsPerSample : f.bitsPerSample);
        Put32(h, f.channelMask);
        h.insert(h.end(), std::begin(kPcmSubFormat), std::end(kPcmSubFormat));
    }
    PutTag(h, "data");
    Put32(h, 0);  // patched by Flush
    return h;
}

}  // namespace

bool WavWriter::Fail(const std::string& what) {
    error_ = what + " " + path_ + ": " + std::strerror(errno);
    return false;
}

bool WavWriter::Create(const std::string& path, const WaveFormat& format) {
    Close();
    path_ = path;
    error_.clear();
    if (!SupportedFormat(format)) {
        error_ = "unsupported wave format for " + path;
        return false;
    }
    file_ = std::fopen(path.c_str(), "w+b");
    if (!file_) return Fail("cannot create");
    format_ = format;
    const std::vector<uint8_t> header = Header(format);
    dataOffset_ = static_cast<uint32_t>(header.size());
    dataBytes_ = 0;
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        Fail("cannot write");
        Close();
        return false;
    }
    dirty_ = true;
    return Flush();
}

bool WavWriter::Append(const uint8_t* data, size_t bytes) {
    if (!file_) return false;
    // Leave room for the pad byte of an odd-sized data chunk.
    if (dataOffset_ + dataBytes_ + bytes + 1 - 8 > kMaxRiffBytes) {
        error_ = "wave file full: " + path_;
        return false;
    }
    // Writes go where the data ends, over a pad byte that an earlier Flush may have put there.
    if (std::fseek(file_, static_cast<long>(dataOffset_ + dataBytes_), SEEK_SET) != 0 ||
        std::fwrite(data, 1, bytes, file_) != bytes) {
        return Fail("cannot write");
    }
    dataBytes_ += bytes;
    dirty_ = true;
    return true;
}

bool WavWriter::Flush() {
    if (!file_) return false;
    if (!dirty_) return true;
    const bool odd = (dataBytes_ & 1) != 0;
    const uint64_t end = dataOffset_ + dataBytes_;
    std::vector<uint8_t> riffSize;
    Put32(riffSize, static_cast<uint32_t>(end + (odd ? 1 : 0) - 8));
    std::vector<uint8_t> dataSize;
    Put32(dataSize, static_cast<uint32_t>(dataBytes_));
    const uint8_t pad = 0;
    const bool ok = (!odd || (std::fseek(file_, static_cast<long>(end), SEEK_SET) == 0 &&
                              std::fwrite(&pad, 1, 1, file_) == 1)) &&
                    std::fseek(file_, kRiffSizeOffset, SEEK_SET) == 0 &&
                    std::fwrite(riffSize.data(), 1, 4, file_) == 4 &&
                    std::fseek(file_, dataOffset_ - 4, SEEK_SET) == 0 &&
                    std::fwrite(dataSize.data(), 1, 4, file_) == 4 && std::fflush(file_) == 0;
    if (!ok) return Fail("cannot update");
    dirty_ = false;
    return true;
}

void WavWriter::Close() {
    if (!file_) return;
    Flush();
    std::fclose(file_);
    file_ = nullptr;
}

}  // namespace sonivex
