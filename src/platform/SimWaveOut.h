// Simulated playback device: plays queued buffers at the Clock's pace and records what it played.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/WavWriter.h"
#include "platform/WaveOut.h"

namespace sonivex {

class Clock;

// "Sim Out 1".."Sim Out 8" for index 0..7; WAVE_MAPPER opens a device of its own, "default",
// so that the alarm tone never mixes into another output's recording.
std::string SimOutName(int index);
constexpr const char* kSimDefaultOutName = "default";

// The recordings of one backend's outputs: <folder>/<device name>.wav, created on the first
// open of that device name and appended on later opens (which must use the same format), each
// bounded to `seconds` of audio so that a long fast run cannot fill the disk.
class SimRecorder {
  public:
    using Note = std::function<void(const std::string&)>;
    explicit SimRecorder(std::string folder, int seconds = 600, Note note = {})
        : folder_(std::move(folder)), seconds_(seconds), note_(std::move(note)) {}
    // The file for `device`, or nullptr with `error` set (empty when recording is off or the
    // file is full).
    WavWriter* Open(const std::string& device, const WaveFormat& format, std::string& error);
    // How many of `bytes` the file still takes; fewer than offered means it is full.
    size_t Room(const WavWriter& file, size_t bytes) const;
    // Closes a full file for good (other outputs on the device may still hold it); the note
    // says so once.
    void Full(const std::string& device);

  private:
    std::string folder_;
    int seconds_;
    Note note_;
    std::map<std::string, std::unique_ptr<WavWriter>> files_;
    std::set<std::string> full_;
};

// Service() consumes the frames due since the last call at the format's rate, walking the queue
// in order; a BEGINLOOP..ENDLOOP run repeats as its begin header says and its headers come back
// done together when it ends. With nothing queued, time passes in silence and nothing is
// recorded for it. The recording is the played bytes as they were queued.
class SimWaveOut : public WaveOut {
  public:
    SimWaveOut(const Clock& clock, std::shared_ptr<SimRecorder> recorder);

    int Open(int deviceId, const WaveFormat& format) override;
    int PrepareHeader(WaveHeader& header) override;
    int UnprepareHeader(WaveHeader& header) override;
    int Write(WaveHeader& header) override;
    int Reset() override;
    int GetPosition(uint64_t& frames) override;
    int Close() override;
    int Service() override;
    std::string ErrorText(int code) const override;

    // Test hook: from now on keep in memory what the device plays (as recorded), across opens.
    void KeepPlayed(bool on) { keep_ = on; }
    const std::vector<uint8_t>& Played() const { return kept_; }

    const std::string& DeviceName() const { return name_; }  // "" when closed
    const std::string& RecordError() const { return recordError_; }

  private:
    int Fail(int code, const std::string& detail);
    void Advance();
    void Consume(uint64_t frames);
    void FinishHeader();
    uint64_t RunFrames() const;
    void Emit(const uint8_t* out, size_t bytes);
    void Retire();

    const Clock& clock_;
    std::shared_ptr<SimRecorder> recorder_;
    bool open_ = false;
    std::string name_;
    WaveFormat format_;
    std::deque<WaveHeader*> queue_;
    size_t cursor_ = 0;    // index of the header playing; > 0 only inside a loop run
    uint64_t offset_ = 0;  // frames of that header already played
    bool inLoop_ = false;
    uint32_t loopsLeft_ = 0;  // plays of the run still to come, counting the current one
    int64_t anchorMs_ = 0;    // clock at open
    uint64_t ticked_ = 0;     // device frames elapsed since open, played or idle
    uint64_t position_ = 0;   // frames played since open or reset
    WavWriter* writer_ = nullptr;
    bool wrote_ = false;
    std::string recordError_;
    bool keep_ = false;
    std::vector<uint8_t> kept_;
    int lastCode_ = MMSYSERR_NOERROR;
    std::string lastDetail_;
};

}  // namespace sonivex
