// Private ALSA configuration for the tests, in a temporary folder removed at exit.
#include "AlsaTestConfig.h"

#include <alsa/asoundlib.h>

#include <cstdlib>

#include "TempDir.h"

namespace sonivex::test {

namespace {

constexpr uint32_t kCaptureFileFrames = 60000;  // longer than any capture test reads

struct TestConfig {
    testing::TempDir dir;
    std::string playbackFile = dir.File("out.raw");

    TestConfig() {
        std::string raw;
        for (uint32_t frame = 0; frame < kCaptureFileFrames; ++frame) {
            for (int channel = 0; channel < 2; ++channel) {
                const auto sample = static_cast<uint16_t>(CaptureSample(frame, channel));
                raw += {static_cast<char>(sample & 0xFF), static_cast<char>(sample >> 8)};
            }
        }
        testing::WriteText(dir.File("in.raw"), raw);
        const std::string data = std::string(SONIVEX_TEST_DATA) + "/alsa/";
        std::string conf = testing::ReadText(data + "devices.conf.in");
        for (size_t at = conf.find("@DIR@/"); at != std::string::npos; at = conf.find("@DIR@/"))
            conf.replace(at, 6, dir.Folder());
        testing::WriteText(dir.File("devices.conf"), conf);
        const std::string path = std::string(snd_config_topdir()) +
                                 "/alsa.conf:" + dir.File("devices.conf") + ":" + data +
                                 "cardhints.conf";
        setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
        snd_config_update_free_global();  // ALSA keeps the configuration it loaded first
    }
};

}  // namespace

const std::string& UseAlsaTestConfig() {
    static const TestConfig config;
    return config.playbackFile;
}

int16_t CaptureSample(uint32_t frame, int channel) {
    // Distinct in both channels and across many periods, so misplaced frames show.
    return static_cast<int16_t>(channel == 0 ? frame * 7 : ~frame);
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

}  // namespace sonivex::test
