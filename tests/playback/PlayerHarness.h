// Test rig for the streaming player: simulated outputs on a fake clock that keep what they played
// and can be told to fail, wave files written on the fly, and the error log read back.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TempDir.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/SimWaveOut.h"
#include "platform/WavWriter.h"
#include "playback/C_WaveOut.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex::testing {

// A simulated output that keeps what it played, counts opens and answers chosen calls with a
// failure code.
class TestOut : public SimWaveOut {
  public:
    TestOut(const Clock& clock, std::map<std::string, int>& failures)
        : SimWaveOut(clock, nullptr), fail(failures) {
        KeepPlayed(true);
    }
    int Open(int id, const WaveFormat& f) override {
        ++opens;
        format = f;
        return fail.count("Open") ? fail["Open"] : SimWaveOut::Open(id, f);
    }
    int Write(WaveHeader& h) override {
        if (h.bufferLength % format.blockAlign != 0) ++misaligned;
        // A refused buffer is not queued, as a real device refuses it.
        return fail.count("Write") ? fail["Write"] : SimWaveOut::Write(h);
    }
    int Service() override {
        return fail.count("Service") ? fail["Service"] : SimWaveOut::Service();
    }
    std::string ErrorText(int code) const override { return "device says " + std::to_string(code); }

    std::map<std::string, int>& fail;  // call name → result code, shared by all devices
    int opens = 0;
    int misaligned = 0;  // buffers queued that do not hold whole frames
    WaveFormat format;
};

class TestBackend : public AudioBackend {
  public:
    explicit TestBackend(const Clock& clock)
        : clock_(clock), sim_(CreateSimBackend(clock, SimOptions{})) {}
    const DeviceList& Devices() const override { return sim_->Devices(); }
    std::unique_ptr<WaveIn> CreateWaveIn() override { return sim_->CreateWaveIn(); }
    std::unique_ptr<WaveOut> CreateWaveOut() override {
        auto out = std::make_unique<TestOut>(clock_, fail);
        outs.push_back(out.get());
        return out;
    }
    std::vector<TestOut*> outs;  // in creation order: slot 0 first
    std::map<std::string, int> fail;

  private:
    const Clock& clock_;
    std::unique_ptr<AudioBackend> sim_;
};

// Message boxes as "title|text|flags", answered OK.
struct RecordingBox : MessageBoxService {
    int Show(const std::string& text, int flags, const std::string& title) override {
        shown.push_back(title + "|" + text + "|" + std::to_string(flags));
        return IDOK;
    }
    std::vector<std::string> shown;
};

// Sample bytes of a test file: every sample differs from its neighbours; 16-bit samples avoid
// -32768, which the gain stage writes as -32767.
inline std::vector<uint8_t> TestSamples(int frames, int channels, int bits, unsigned seed = 7) {
    std::mt19937 random(seed);
    const int bytes = bits / 8;
    std::vector<uint8_t> data(static_cast<size_t>(frames) * channels * bytes);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(random());
    if (bits == 16) {
        for (size_t i = 1; i < data.size(); i += 2) {
            if (data[i] == 0x80 && data[i - 1] == 0) data[i - 1] = 1;
        }
    }
    return data;
}

inline std::string WriteWave(const std::string& path, int rate, int channels, int bits,
                             const std::vector<uint8_t>& data) {
    WaveFormat f;
    f.channels = static_cast<uint16_t>(channels);
    f.samplesPerSec = static_cast<uint32_t>(rate);
    f.bitsPerSample = static_cast<uint16_t>(bits);
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = f.samplesPerSec * f.blockAlign;
    WavWriter writer;
    EXPECT_TRUE(writer.Create(path, f)) << writer.Error();
    EXPECT_TRUE(writer.Append(data.data(), data.size()));
    writer.Close();
    return path;
}

// `data` repeated (from byte `loopFrom` on after the first pass) up to `bytes` bytes.
inline std::vector<uint8_t> Repeated(const std::vector<uint8_t>& data, size_t bytes,
                                     size_t loopFrom = 0) {
    std::vector<uint8_t> out(data.begin(), data.begin() + std::min(bytes, data.size()));
    while (out.size() < bytes) {
        const size_t take = std::min(bytes - out.size(), data.size() - loopFrom);
        out.insert(out.end(), data.begin() + loopFrom, data.begin() + loopFrom + take);
    }
    return out;
}

class PlayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramClock(&clock);
        SetMessageBoxService(&box);
        LogConfig config;
        config.folder = temp.Folder() + "log/";
        ConfigureLog(config);
        player.Init();
    }
    void TearDown() override {
        // Handlers may refer to the test's locals; the stop must not run on another clock.
        player.MutingProc = nullptr;
        player.CloseWave();
        SetMessageBoxService(nullptr);
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }
    // Moves the clock in main-timer ticks, servicing the player on each.
    void Run(int ms) {
        for (int t = 0; t < ms; t += kTickMs) {
            clock.Advance(kTickMs);
            player.ProgressionPlay();
        }
    }
    std::string ErrorLog() const { return ReadText(LogFilePath(1)); }
    int Count(const std::string& text) const {
        const std::string log = ErrorLog();
        int n = 0;
        for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
        return n;
    }
    TestOut& Out(size_t i) { return *backend.outs.at(i); }
    // The monitor's own player settings.
    void Configure(int pageMs = 150, int diskPages = 20) {
        player.BufferPagemsec(pageMs);
        player.NumBufferPages(kPages);
        player.NumDiskBufferPages(diskPages);
        player.NumBufferToPlay(10);
        player.Init();
    }
    // Writes a test file of `frames` frames and loads it; `data` holds its samples.
    std::string Load(const std::string& name, int rate, int channels, int bits, int frames) {
        data = TestSamples(frames, channels, bits);
        const std::string path = WriteWave(temp.File(name), rate, channels, bits, data);
        player.FileName(path);
        return path;
    }

    static constexpr int kTickMs = 100;
    static constexpr int kPages = 60;
    TempDir temp;
    FakeClock clock;
    RecordingBox box;
    TestBackend backend{clock};
    C_WaveOut player{backend};
    std::vector<uint8_t> data;
};

}  // namespace sonivex::testing
