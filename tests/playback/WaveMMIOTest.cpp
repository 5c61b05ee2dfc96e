// Wave file descriptions against what sox reports for files that sox and ffmpeg wrote, crafted
// chunk layouts, hostile headers, and the 24-bit routines.
#include "playback/WaveMMIO.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstring>

#include "Shell.h"
#include "TempDir.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

long Soxi(const std::string& flag, const std::string& path) {
    return std::stol("0" + testing::Shell("soxi " + flag + " '" + path + "' 2>/dev/null"));
}

// The samples as sox decodes them, in the file's own width and encoding.
std::string SoxRaw(const std::string& path, int bits) {
    const char* encoding = bits == 8 ? "unsigned-integer" : "signed-integer";
    return testing::Shell("sox '" + path + "' -t raw -e " + encoding + " - 2>/dev/null");
}

void ExpectAsSoxReports(const std::string& path) {
    const WaveInfo info = ReadWaveInfo(path);
    ASSERT_EQ(info.valid, 1) << path;
    EXPECT_EQ(info.channels, Soxi("-c", path)) << path;
    EXPECT_EQ(info.sampleRate, Soxi("-r", path)) << path;
    EXPECT_EQ(info.bitsPerSample, Soxi("-b", path)) << path;
    EXPECT_EQ(info.lengthFrames, Soxi("-s", path)) << path;
    EXPECT_EQ(info.blockSize, info.channels * info.bitsPerSample / 8);
    EXPECT_EQ(info.formatCode, WaveFormatCodeOf(info.channels, info.bitsPerSample));
    const std::string file = ReadText(path);
    const std::string raw = SoxRaw(path, info.bitsPerSample);
    ASSERT_LE(info.dataOffset + static_cast<int64_t>(raw.size()),
              static_cast<int64_t>(file.size()));
    EXPECT_TRUE(file.compare(static_cast<size_t>(info.dataOffset), raw.size(), raw) == 0) << path;
}

TEST(ReadWaveInfo, FilesFromSoxAndFfmpegReadAsSoxReportsThem) {
    TempDir dir;
    const std::string synth =
        " synth 0.3 sine 440 sine 880 sine 1000 sine 1200 sine 300 sine 600 "
        "sine 700 sine 900 gain -20 remix ";
    struct Case {
        const char* name;
        std::string command;
    };
    const Case cases[] = {
        {"m8.wav", "sox -n -r 8000 -b 8 -c 1 %s synth 0.5 sine 440"},
        {"s16.wav", "sox -n -r 44100 -b 16 -c 2 %s synth 0.5 sine 440"},
        {"s24.wav", "sox -n -r 48000 -b 24 -c 2 %s synth 0.5 sine 440"},
        {"m24.wav", "sox -n -r 96000 -b 24 -c 1 %s synth 0.25 sine 440"},
        {"c6.wav", "sox -n -r 48000 -b 16 -c 6 %s" + synth + "1 2 3 4 5 6"},
        {"c8.wav", "sox -n -r 48000 -b 24 -c 8 %s" + synth + "1 2 3 4 5 6 7 8"},
        {"ff16.wav", "ffmpeg -v error -f lavfi -i sine=f=440:d=0.5 -ac 2 -c:a pcm_s16le %s"},
        {"ff24x6.wav", "ffmpeg -v error -f lavfi -i sine=f=440:d=0.5 -ac 6 -c:a pcm_s24le %s"},
        {"ff8.wav", "ffmpeg -v error -f lavfi -i sine=f=440:d=0.5 -ar 22050 -c:a pcm_u8 %s"},
        {"ffmeta.wav",
         "ffmpeg -v error -f lavfi -i sine=f=440:d=0.5 -metadata title=abc "
         "-metadata artist=xyzzy -c:a pcm_s16le %s"},
    };
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        char command[512];
        std::snprintf(command, sizeof command, c.command.c_str(), ("'" + path + "'").c_str());
        ASSERT_EQ(std::system(command), 0) << command;
        ExpectAsSoxReports(path);
    }
    EXPECT_EQ(ReadWaveInfo(dir.File("c6.wav")).formatCode, kSurround51_16bit);
    EXPECT_EQ(ReadWaveInfo(dir.File("c8.wav")).formatCode, kSurround71_24bit);
    EXPECT_EQ(ReadWaveInfo(dir.File("ff24x6.wav")).formatTag, 0xFFFE);  // extensible header
}

TEST(ReadWaveInfo, UnsupportedFormatsAreNotValid) {
    TempDir dir;
    for (const char* args : {"-b 32 -e signed-integer -c 2", "-b 32 -e floating-point -c 2",
                             "-b 16 -c 3", "-b 8 -c 6", "-b 16 -c 5"}) {
        const std::string path = dir.File("u.wav");
        ASSERT_EQ(std::system(("sox -n -r 8000 " + std::string(args) + " '" + path +
                               "' synth 0.1 sine 440 2>/dev/null")
                                  .c_str()),
                  0);
        EXPECT_EQ(ReadWaveInfo(path).valid, 0) << args;
    }
    EXPECT_EQ(ReadWaveInfo(dir.File("missing.wav")).valid, 0);
}

std::string Chunk(const char* id, const std::string& body) {
    const uint32_t n = static_cast<uint32_t>(body.size());
    std::string c = std::string(id, 4) + std::string(reinterpret_cast<const char*>(&n), 4) + body;
    if (n & 1) c += '\0';
    return c;
}

std::string Fmt(uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    const uint32_t bytesPerSec = rate * align;
    std::string b(16, '\0');
    const uint16_t tag = 1;
    std::memcpy(&b[0], &tag, 2);
    std::memcpy(&b[2], &channels, 2);
    std::memcpy(&b[4], &rate, 4);
    std::memcpy(&b[8], &bytesPerSec, 4);
    std::memcpy(&b[12], &align, 2);
    std::memcpy(&b[14], &bits, 2);
    return Chunk("fmt ", b);
}

TEST(ReadWaveInfo, CraftedLayouts) {
    TempDir dir;
    const std::string path = dir.File("c.wav");
    const std::string data(176400, '\x01');
    // The canonical 44-byte header.
    WriteText(path, std::string("RIFF\0\0\0\0WAVE", 12) + Fmt(2, 44100, 16) + Chunk("data", data));
    WaveInfo info = ReadWaveInfo(path);
    EXPECT_EQ(info.valid, 1);
    EXPECT_EQ(info.lengthFrames, 44100);
    EXPECT_EQ(info.durationMs, 1000);
    EXPECT_EQ(info.blockSize, 4);
    EXPECT_EQ(info.dataOffset, 44);
    // Data before fmt, and an odd LIST chunk whose pad byte must be stepped over.
    const std::string list = Chunk("LIST", std::string(21, 'x'));
    WriteText(path, std::string("RIFF\0\0\0\0WAVE", 12) + list + Chunk("data", "abcd") +
                        Fmt(1, 8000, 16));
    info = ReadWaveInfo(path);
    EXPECT_EQ(info.valid, 1);
    EXPECT_EQ(info.dataOffset, 12 + 8 + 21 + 1 + 8);
    EXPECT_EQ(info.lengthFrames, 2);
}

TEST(ReadWaveInfo, HostileHeadersEndTheWalk) {
    TempDir dir;
    const std::string path = dir.File("h.wav");
    const std::string riff("RIFF\0\0\0\0WAVE", 12);
    const std::string fmt = Fmt(1, 8000, 8);
    struct Case {
        const char* what;
        std::string file;
        int valid;
    };
    const uint32_t huge = 0xFFFFFFFFu;
    const std::string hugeData =
        std::string("data") + std::string(reinterpret_cast<const char*>(&huge), 4);
    const Case cases[] = {
        {"empty file", "", 0},
        {"riff only", riff, 0},
        {"ends inside a chunk header", riff + fmt + "dat", 0},
        {"ends inside the size", riff + fmt + "data\x10", 0},
        {"truncated fmt", riff + std::string("fmt \x10\0\0\0\x01\0", 10), 0},
        {"lying LIST size", riff + fmt + std::string("LIST\xff\xff\xff\x7f", 8) + "data", 0},
        {"rate zero", riff + Fmt(1, 0, 8) + Chunk("data", "ab"), 0},
        {"4 GiB data claimed", riff + fmt + hugeData + "abc", 1},
    };
    for (const Case& c : cases) {
        WriteText(path, c.file);
        EXPECT_EQ(ReadWaveInfo(path).valid, c.valid) << c.what;
    }
    WriteText(path, riff + fmt + hugeData);
    const WaveInfo info = ReadWaveInfo(path);
    EXPECT_EQ(info.lengthFrames, 2147483647);  // 8-bit mono: one frame per byte, capped
    EXPECT_EQ(info.dataSize, 0xFFFFFFFFu);
}

TEST(ReadFileToMemEx, KeepsOrClosesTheHandleAndReopensAfterAFailure) {
    TempDir dir;
    const std::string path = dir.File("f.bin");
    WriteText(path, "0123456789");
    char buf[4] = {};
    FileHandle fd = ReadFileToMemEx(buf, 4, 3, 0, path, 0);
    ASSERT_GT(fd, 1);
    EXPECT_EQ(std::string(buf, 4), "3456");
    EXPECT_EQ(ReadFileToMemEx(buf, 2, 8, fd, path, 1), 1);  // closes it
    EXPECT_EQ(std::string(buf, 2), "89");
    EXPECT_EQ(ReadFileToMemEx(buf, 4, 8, 0, path, 0), 0);  // past the end
    fd = ReadFileToMemEx(nullptr, 0, 0, 0, path, 0);       // only opens
    ASSERT_GT(fd, 1);
    ::close(fd);  // the handle turns invalid under the caller
    EXPECT_EQ(ReadFileToMemEx(buf, 1, 0, fd, path, 0), 0);
    fd = ReadFileToMemEx(buf, 1, 0, 0, path, 1);
    EXPECT_EQ(fd, 1);
    EXPECT_EQ(buf[0], '0');
    EXPECT_EQ(GetFileSizeByName(path), 10);
    EXPECT_EQ(GetFileSizeByName(dir.File("none")), 0);
    EXPECT_EQ(OpenFileHandle(path, 3), 0);
}

TEST(Wave24, UnpackPackAndScale) {
    std::vector<int32_t> values;
    Unpack24Mono({0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F}, values);
    EXPECT_EQ(values, (std::vector<int32_t>{-1, -8388608, 8388607}));
    std::vector<uint8_t> bytes;
    Pack24Stereo({8388608, -8388609, -1, 256}, bytes);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF,
                                           0x00, 0x01, 0x00}));
    const uint8_t three[] = {0x03, 0x00, 0x00};
    EXPECT_EQ(Read24Scaled(three, 0.5f), 2);  // 1.5 rounds to even
    uint8_t out[3];
    Write24Scaled(8000000, out, 2.0f);
    EXPECT_EQ(Read24Scaled(out, 1.0f), 8388607);
    Write24Scaled(-5, out, 0.5f);  // -2.5 → -2
    EXPECT_EQ(Read24Scaled(out, 1.0f), -2);
}

}  // namespace
}  // namespace sonivex
