// Wave files that parse but cannot be played or analysed faithfully, with the reason each is
// refused ("" for the boundary cases that must still be taken).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace sonivex::testing {

// RIFF/WAVE bytes: a "fmt " of this tag (extensible when subFormat is not 0) and half a second of
// silence.
inline std::string WaveBytes(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                             uint16_t subFormat = 0) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    std::string fmt(subFormat ? 40 : 16, '\0');
    const auto put = [&fmt](size_t at, uint32_t v, size_t n) { std::memcpy(&fmt[at], &v, n); };
    put(0, subFormat ? 0xFFFE : tag, 2);
    put(2, channels, 2);
    put(4, rate, 4);
    put(8, rate * align, 4);
    put(12, align, 2);
    put(14, bits, 2);
    if (subFormat) {
        put(16, 22, 2);    // extension size
        put(18, bits, 2);  // valid bits
        put(24, subFormat, 2);
        fmt.replace(28, 12, std::string("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12));
    }
    const size_t dataBytes =
        rate < 8000 || rate > 192000 ? 4096 : static_cast<size_t>(rate / 2) * align;
    const auto size = [](size_t n) {
        const uint32_t v = static_cast<uint32_t>(n);
        return std::string(reinterpret_cast<const char*>(&v), 4);
    };
    return std::string("RIFF\0\0\0\0WAVE", 12) + "fmt " + size(fmt.size()) + fmt + "data" +
           size(dataBytes) + std::string(dataBytes, bits == 8 ? '\x80' : '\0');
}

struct HostileWave {
    const char* name;
    std::string bytes;
    std::string refusal;  // "" = playable
};

inline std::vector<HostileWave> HostileWaves() {
    return {
        {"rate1.wav", WaveBytes(1, 1, 1, 16), "sample rate 1 Hz outside 8000..192000 Hz"},
        {"rate7999.wav", WaveBytes(1, 2, 7999, 16), "sample rate 7999 Hz outside 8000..192000 Hz"},
        {"rate2g.wav", WaveBytes(1, 2, 2000000000, 16),
         "sample rate 2000000000 Hz outside 8000..192000 Hz"},
        {"mulaw.wav", WaveBytes(7, 1, 8000, 8), "format code 7 is not integer PCM"},
        {"float16.wav", WaveBytes(3, 2, 48000, 16), "format code 3 is not integer PCM"},
        {"xfloat.wav", WaveBytes(1, 2, 48000, 24, 3),
         "format code 65534 with sub-format 3 is not integer PCM"},
        {"rate8000.wav", WaveBytes(1, 1, 8000, 8), ""},
        {"rate192k.wav", WaveBytes(1, 2, 192000, 24), ""},
        {"xpcm.wav", WaveBytes(1, 6, 48000, 16, 1), ""},
    };
}

}  // namespace sonivex::testing
