// Simulated playback: clock-paced consumption of the header queue, loops, recording.
#include "platform/SimWaveOut.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Clock.h"
#include "platform/SimWaveIn.h"

namespace sonivex {

namespace {

constexpr uint32_t kEndlessLoops = 0xFFFFFFFF;

bool PlaybackFormatOk(const WaveFormat& f) {
    const bool tagOk = f.formatTag == WAVE_FORMAT_PCM || f.formatTag == WAVE_FORMAT_EXTENSIBLE;
    const bool bitsOk = f.bitsPerSample == 8 || f.bitsPerSample == 16 || f.bitsPerSample == 24;
    return tagOk && bitsOk && f.channels >= 1 && f.channels <= 8 && f.samplesPerSec > 0 &&
           f.samplesPerSec <= kSimMaxRate && f.blockAlign == f.channels * f.bitsPerSample / 8;
}

bool SameFormat(const WaveFormat& a, const WaveFormat& b) {
    return a.formatTag == b.formatTag && a.channels == b.channels &&
           a.samplesPerSec == b.samplesPerSec && a.bitsPerSample == b.bitsPerSample;
}

void MarkDone(WaveHeader& header) {
    header.flags = (header.flags & ~WHDR_INQUEUE) | WHDR_DONE;
}

}  // namespace

std::string SimOutName(int index) {
    return "Sim Out " + std::to_string(index + 1);
}

WavWriter* SimRecorder::Open(const std::string& device, const WaveFormat& format,
                             std::string& error) {
    error.clear();
    if (folder_.empty() || full_.count(device)) return nullptr;
    auto found = files_.find(device);
    if (found != files_.end()) {
        if (SameFormat(found->second->Format(), format)) return found->second.get();
        error = "not recorded: " + device + ".wav keeps the format of the device's first open";
        return nullptr;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    auto writer = std::make_unique<WavWriter>();
    if (!writer->Create((std::filesystem::path(folder_) / (device + ".wav")).string(), format)) {
        error = writer->Error();
        return nullptr;
    }
    return files_.emplace(device, std::move(writer)).first->second.get();
}

size_t SimRecorder::Room(const WavWriter& file, size_t bytes) const {
    const WaveFormat& f = file.Format();
    const uint64_t bound = uint64_t(std::max(seconds_, 0)) * f.samplesPerSec * f.blockAlign;
    const uint64_t room = bound > file.DataBytes() ? bound - file.DataBytes() : 0;
    return static_cast<size_t>(std::min<uint64_t>(bytes, room));
}

void SimRecorder::Full(const std::string& device) {
    if (!full_.insert(device).second) return;
    if (auto found = files_.find(device); found != files_.end()) found->second->Close();
    if (note_)
        note_((std::filesystem::path(folder_) / (device + ".wav")).string() +
              ": recording stopped at its limit of " + std::to_string(seconds_) + " s");
}

SimWaveOut::SimWaveOut(const Clock& clock, std::shared_ptr<SimRecorder> recorder)
    : clock_(clock), recorder_(std::move(recorder)) {}

int SimWaveOut::Fail(int code, const std::string& detail) {
    lastCode_ = code;
    lastDetail_ = detail;
    return code;
}

int SimWaveOut::Open(int deviceId, const WaveFormat& format) {
    if (open_) return Fail(MMSYSERR_ALLOCATED, "this handle already has a device open");
    if (deviceId != WAVE_MAPPER && (deviceId < 0 || deviceId >= kSimDevices)) {
        return Fail(MMSYSERR_BADDEVICEID, "output device " + std::to_string(deviceId));
    }
    const std::string name = deviceId == WAVE_MAPPER ? kSimDefaultOutName : SimOutName(deviceId);
    if (!PlaybackFormatOk(format)) {
        return Fail(WAVERR_BADFORMAT, name + " plays 8, 16 or 24-bit PCM with 1 to 8 channels");
    }
    name_ = name;
    format_ = format;
    open_ = true;
    queue_.clear();
    cursor_ = 0;
    offset_ = 0;
    inLoop_ = false;
    anchorMs_ = clock_.MonotonicMs();
    ticked_ = position_ = 0;
    writer_ = recorder_ ? recorder_->Open(name_, format_, recordError_) : nullptr;
    return MMSYSERR_NOERROR;
}

int SimWaveOut::PrepareHeader(WaveHeader& header) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (!header.data && header.bufferLength > 0) return Fail(MMSYSERR_INVALPARAM, "no data");
    header.flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

int SimWaveOut::UnprepareHeader(WaveHeader& header) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (header.flags & WHDR_INQUEUE) return Fail(WAVERR_STILLPLAYING, "");
    header.flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

int SimWaveOut::Write(WaveHeader& header) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (!(header.flags & WHDR_PREPARED)) return Fail(WAVERR_UNPREPARED, "");
    if (header.flags & WHDR_INQUEUE) return Fail(WAVERR_STILLPLAYING, "already queued");
    Advance();  // time so far belongs to what was queued before
    header.flags = (header.flags & ~WHDR_DONE) | WHDR_INQUEUE;
    queue_.push_back(&header);
    return MMSYSERR_NOERROR;
}

int SimWaveOut::Reset() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    Advance();
    while (!queue_.empty()) Retire();
    cursor_ = 0;
    offset_ = 0;
    inLoop_ = false;
    position_ = 0;
    return MMSYSERR_NOERROR;
}

int SimWaveOut::GetPosition(uint64_t& frames) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    Advance();
    frames = position_;
    return MMSYSERR_NOERROR;
}

int SimWaveOut::Close() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    Advance();
    if (!queue_.empty()) return Fail(WAVERR_STILLPLAYING, "reset the device before closing");
    if (writer_) writer_->Flush();
    writer_ = nullptr;
    open_ = false;
    name_.clear();
    return MMSYSERR_NOERROR;
}

int SimWaveOut::Service() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    Advance();
    return MMSYSERR_NOERROR;
}

std::string SimWaveOut::ErrorText(int code) const {
    return SimErrorText(code, lastCode_, lastDetail_);
}

void SimWaveOut::Advance() {
    if (!open_) return;
    const int64_t elapsedMs = std::max<int64_t>(0, clock_.MonotonicMs() - anchorMs_);
    const uint64_t due = static_cast<uint64_t>(elapsedMs) * format_.samplesPerSec / 1000;
    if (due <= ticked_) return;
    const uint64_t frames = due - ticked_;
    ticked_ = due;
    Consume(frames);
    if (wrote_ && writer_ && !writer_->Flush()) {
        recordError_ = writer_->Error();
        writer_ = nullptr;
    }
    wrote_ = false;
}

// Plays up to `frames` frames from the queue; what finds nothing queued passes in silence.
void SimWaveOut::Consume(uint64_t frames) {
    while (frames > 0 && cursor_ < queue_.size()) {
        WaveHeader& header = *queue_[cursor_];
        const uint64_t length = header.bufferLength / format_.blockAlign;
        const uint64_t take = std::min(frames, length - std::min(offset_, length));
        if (take > 0) {
            Emit(header.data + offset_ * format_.blockAlign, take * format_.blockAlign);
            offset_ += take;
            frames -= take;
            position_ += take;
        }
        if (offset_ >= length) FinishHeader();
    }
}

void SimWaveOut::FinishHeader() {
    offset_ = 0;
    const WaveHeader& header = *queue_[cursor_];
    if (!inLoop_ && (header.flags & WHDR_BEGINLOOP)) {
        inLoop_ = true;  // the run starts at the queue's front: headers before it are retired
        loopsLeft_ = header.loops;
    }
    if (!inLoop_) {
        Retire();
        return;
    }
    if (!(header.flags & WHDR_ENDLOOP)) {
        ++cursor_;
        return;
    }
    if (loopsLeft_ != kEndlessLoops && loopsLeft_ > 0) --loopsLeft_;
    // A run without a whole frame would repeat without time passing: it ends instead.
    if ((loopsLeft_ > 0 || loopsLeft_ == kEndlessLoops) && RunFrames() > 0) {
        cursor_ = 0;
        return;
    }
    for (size_t i = 0; i <= cursor_; ++i) Retire();
    cursor_ = 0;
    inLoop_ = false;
}

uint64_t SimWaveOut::RunFrames() const {
    uint64_t frames = 0;
    for (size_t i = 0; i <= cursor_ && i < queue_.size(); ++i) {
        frames += queue_[i]->bufferLength / format_.blockAlign;
    }
    return frames;
}

void SimWaveOut::Retire() {
    MarkDone(*queue_.front());
    queue_.pop_front();
}

void SimWaveOut::Emit(const uint8_t* out, size_t bytes) {
    if (writer_) {
        const size_t take = recorder_->Room(*writer_, bytes);
        if (take > 0 && !writer_->Append(out, take)) {
            recordError_ = writer_->Error();
            writer_ = nullptr;
        } else {
            wrote_ = wrote_ || take > 0;
            if (take < bytes) {
                recorder_->Full(name_);
                writer_ = nullptr;
            }
        }
    }
    if (keep_) kept_.insert(kept_.end(), out, out + bytes);
}

}  // namespace sonivex
