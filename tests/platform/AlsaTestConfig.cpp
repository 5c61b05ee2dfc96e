// Private ALSA configuration for the tests, in a temporary folder removed at exit.
#include "AlsaTestConfig.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace sonivex::test {

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::string CaptureFileBytes() {
    std::string bytes;
    for (uint32_t frame = 0; frame < kCaptureFileFrames; ++frame) {
        for (int channel = 0; channel < 2; ++channel) {
            const auto sample = static_cast<uint16_t>(CaptureSample(frame, channel));
            bytes += static_cast<char>(sample & 0xFF);
            bytes += static_cast<char>(sample >> 8);
        }
    }
    return bytes;
}

class TestConfig {
  public:
    TestConfig() {
        std::string pattern = (std::filesystem::temp_directory_path() / "sonivex-alsa-XXXXXX");
        if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        files_.captureFile = dir_ + "/in.raw";
        files_.playbackFile = dir_ + "/out.raw";
        WriteBytes(files_.captureFile, CaptureFileBytes());
        const std::string data = std::string(SONIVEX_TEST_DATA) + "/alsa/";
        std::string conf = ReadText(data + "devices.conf.in");
        for (size_t at = conf.find("@DIR@"); at != std::string::npos; at = conf.find("@DIR@"))
            conf.replace(at, 5, dir_);
        WriteBytes(dir_ + "/devices.conf", conf);
        const std::string path = std::string(snd_config_topdir()) + "/alsa.conf:" + dir_ +
                                 "/devices.conf:" + data + "cardhints.conf";
        setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
        // ALSA keeps the configuration it loaded first; make it read ours.
        snd_config_update_free_global();
    }
    ~TestConfig() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    const AlsaTestFiles& Files() const { return files_; }

  private:
    std::string dir_;
    AlsaTestFiles files_;
};

}  // namespace

const AlsaTestFiles& UseAlsaTestConfig() {
    static const TestConfig config;
    return config.Files();
}

int16_t CaptureSample(uint32_t frame, int channel) {
    // Distinct in both channels and across many periods, so misplaced frames show.
    return static_cast<int16_t>(channel == 0 ? frame * 7 : ~frame);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

WaveFormat PcmFormat(uint32_t rate, uint16_t channels, uint16_t bits) {
    WaveFormat format;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

int IndexOfPcm(const DeviceList& list, bool isInput, const std::string& id) {
    for (int i = 0; i < list.Count(isInput); ++i) {
        if (list.Id(isInput, i) == id) return i;
    }
    return -2;
}

TestBuffers::TestBuffers(size_t count, size_t bytes) : data(count), headers(count) {
    for (size_t i = 0; i < count; ++i) {
        data[i].assign(bytes, 0);
        headers[i].data = data[i].data();
        headers[i].bufferLength = static_cast<uint32_t>(bytes);
    }
}

int16_t TestBuffers::Sample(size_t buffer, size_t frame, int channel) const {
    const uint8_t* p = &data[buffer][(frame * 2 + static_cast<size_t>(channel)) * 2];
    return static_cast<int16_t>(p[0] | (p[1] << 8));
}

}  // namespace sonivex::test
