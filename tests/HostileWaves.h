// Wave files that parse but cannot be played or analysed faithfully, with the reason each is
// refused ("" for the boundary cases that must still be taken).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sonivex::testing {

// RIFF/WAVE bytes: a "fmt " of this tag (extensible when subFormat is not 0) and half a second of
// silence (4096 bytes at rates no one plays).
inline std::string WaveBytes(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits,
                             uint16_t subFormat = 0) {
    const auto le = [](uint32_t v, size_t n) {
        return std::string(reinterpret_cast<const char*>(&v), n);
    };
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    std::string fmt = le(subFormat ? 0xFFFE : tag, 2) + le(channels, 2) + le(rate, 4) +
                      le(rate * align, 4) + le(align, 2) + le(bits, 2);
    if (subFormat)  // extension size, valid bits, no speaker mask, then the sub-format's GUID
        fmt += le(22, 2) + le(bits, 2) + le(0, 4) + le(subFormat, 4) +
               std::string("\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 12);
    const uint32_t data = rate < 8000 || rate > 192000 ? 4096 : rate / 2 * align;
    return "RIFF" + le(0, 4) + "WAVE" + "fmt " + le(static_cast<uint32_t>(fmt.size()), 4) + fmt +
           "data" + le(data, 4) + std::string(data, bits == 8 ? '\x80' : '\0');
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
