// Wave file descriptions against what sox reports for files that sox and ffmpeg wrote, crafted
// chunk layouts, hostile headers, and reading parts of files.
#include "playback/WaveMMIO.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

#include "HostileWaves.h"
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

TEST(ReadWaveInfo, FilesFromSoxAndFfmpegReadAsSoxReportsThem) {
    TempDir dir;
    const std::string ff = "ffmpeg -v error -f lavfi -i sine=f=440:d=0.5 ";
    // Mono and stereo files of 8, 16 and 24 bits are the analysis tests' own; here surround, an
    // extensible header and a LIST chunk from ffmpeg, and formats refused.
    const struct {
        const char* name;
        std::string command;
        int valid = 1;
    } cases[] = {
        {"c8.wav",
         "sox -n -r 48000 -b 24 -c 8 %s synth 0.3 sine 440 sine 880 sine 1000 sine 1200 "
         "sine 300 sine 600 sine 700 sine 900 gain -20"},
        {"ff24x6.wav", ff + "-ac 6 -c:a pcm_s24le %s"},
        {"ffmeta.wav", ff + "-metadata title=abc -metadata artist=xyzzy -c:a pcm_s16le %s"},
        {"i32.wav", "sox -n -r 8000 -b 32 -e signed-integer -c 2 %s synth 0.1 sine 440", 0},
        {"c6x8.wav", "sox -n -r 8000 -b 8 -c 6 %s synth 0.1 sine 440", 0},
    };
    for (const auto& c : cases) {
        const std::string path = dir.File(c.name);
        SCOPED_TRACE(path);
        char command[512];
        std::snprintf(command, sizeof command, c.command.c_str(), ("'" + path + "'").c_str());
        ASSERT_EQ(std::system(command), 0) << command;
        const WaveInfo info = ReadWaveInfo(path);
        ASSERT_EQ(info.valid, c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(info.channels, Soxi("-c", path));
        EXPECT_EQ(info.sampleRate, Soxi("-r", path));
        EXPECT_EQ(info.bitsPerSample, Soxi("-b", path));
        EXPECT_EQ(info.lengthFrames, Soxi("-s", path));
        // The samples as sox decodes them, in the file's own width and encoding.
        const std::string raw = testing::Shell(
            "sox '" + path + "' -t raw -e " +
            (info.bitsPerSample == 8 ? "unsigned-integer" : "signed-integer") + " - 2>/dev/null");
        const std::string file = ReadText(path);
        ASSERT_LE(info.dataOffset + static_cast<int64_t>(raw.size()),
                  static_cast<int64_t>(file.size()));
        EXPECT_TRUE(file.compare(static_cast<size_t>(info.dataOffset), raw.size(), raw) == 0);
    }
    EXPECT_EQ(ReadWaveInfo(dir.File("ff24x6.wav")).formatTag, 0xFFFE);  // extensible header
    EXPECT_EQ(ReadWaveInfo(dir.File("missing.wav")).valid, 0);
}

std::string Chunk(const char* id, const std::string& body) {
    const uint32_t n = static_cast<uint32_t>(body.size());
    std::string c = std::string(id, 4) + std::string(reinterpret_cast<const char*>(&n), 4) + body;
    if (n & 1) c += '\0';
    return c;
}

// A PCM "fmt " chunk, as the hostile files carry it.
std::string Fmt(uint16_t channels, uint32_t rate, uint16_t bits) {
    return testing::WaveBytes(1, channels, rate, bits).substr(12, 24);
}

// Crafted layouts, and hostile headers that must end the walk without reading past the file (any
// bytes at all are the analysis fuzz target's business).
TEST(ReadWaveInfo, CraftedLayoutsAndHostileHeaders) {
    TempDir dir;
    const std::string path = dir.File("h.wav");
    const std::string riff("RIFF\0\0\0\0WAVE", 12);
    const std::string fmt = Fmt(1, 8000, 8);
    const uint32_t huge = 0xFFFFFFFFu;
    const std::string hugeData = "data" + std::string(reinterpret_cast<const char*>(&huge), 4);
    const struct {
        const char* what;
        std::string file;
        int valid;
        int64_t dataOffset = 0;
        int32_t frames = 0, durationMs = 0;
    } cases[] = {
        {"canonical", riff + Fmt(2, 44100, 16) + Chunk("data", std::string(176400, 1)), 1, 44,
         44100, 1000},
        // Data before fmt, and an odd LIST chunk whose pad byte must be stepped over.
        {"data first, odd LIST",
         riff + Chunk("LIST", std::string(21, 'x')) + Chunk("data", "abcd") + Fmt(1, 8000, 16), 1,
         12 + 8 + 21 + 1 + 8, 2, 0},
        // 8-bit mono: one frame per byte, capped.
        {"4 GiB data claimed", riff + fmt + hugeData, 1, 44, 2147483647, 268435456},
        {"lying LIST size", riff + fmt + std::string("LIST\xff\xff\xff\x7f", 8) + "data", 0},
        {"rate zero", riff + Fmt(1, 0, 8) + Chunk("data", "ab"), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteText(path, c.file);
        const WaveInfo info = ReadWaveInfo(path);
        EXPECT_EQ(info.valid, c.valid);
        if (!c.valid) continue;
        EXPECT_EQ(info.dataOffset, c.dataOffset);
        EXPECT_EQ(info.lengthFrames, c.frames);
        EXPECT_EQ(info.durationMs, c.durationMs);
    }
    WriteText(path, riff + fmt + hugeData);
    EXPECT_EQ(ReadWaveInfo(path).dataSize, 0xFFFFFFFFu);
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
}

}  // namespace
}  // namespace sonivex
