// Simulated capture: clock-paced delivery of the signal program into the buffer queue.
#include "platform/SimWaveIn.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/Clock.h"

namespace sonivex {

namespace {

constexpr uint16_t kCaptureBits = 16;

bool CaptureFormatOk(const WaveFormat& f) {
    return f.formatTag == WAVE_FORMAT_PCM && f.bitsPerSample == kCaptureBits &&
           (f.channels == 1 || f.channels == 2) && f.samplesPerSec > 0 &&
           f.samplesPerSec <= kSimMaxRate && f.blockAlign == f.channels * kCaptureBits / 8;
}

}  // namespace

std::string SimInName(int index) {
    return "Sim In " + std::to_string(index + 1);
}

std::string SimErrorText(int code, int detailCode, const std::string& detail) {
    std::string text;
    switch (code) {
        case MMSYSERR_NOERROR:
            text = "No error.";
            break;
        case MMSYSERR_ERROR:
            text = "Unspecified device error.";
            break;
        case MMSYSERR_BADDEVICEID:
            text = "The device id is out of range.";
            break;
        case MMSYSERR_NOTENABLED:
            text = "The driver is not enabled.";
            break;
        case MMSYSERR_ALLOCATED:
            text = "The device is already in use.";
            break;
        case MMSYSERR_INVALHANDLE:
            text = "The device is not open.";
            break;
        case MMSYSERR_NODRIVER:
            text = "The device is gone (no driver).";
            break;
        case MMSYSERR_NOMEM:
            text = "Out of memory.";
            break;
        case MMSYSERR_NOTSUPPORTED:
            text = "The device does not support this function.";
            break;
        case MMSYSERR_INVALFLAG:
            text = "Invalid flag.";
            break;
        case MMSYSERR_INVALPARAM:
            text = "Invalid parameter.";
            break;
        case WAVERR_BADFORMAT:
            text = "The device does not support this wave format.";
            break;
        case WAVERR_STILLPLAYING:
            text = "Buffers are still queued on the device.";
            break;
        case WAVERR_UNPREPARED:
            text = "The buffer header is not prepared.";
            break;
        default:
            text = "Unknown wave device error " + std::to_string(code) + ".";
            break;
    }
    if (code == detailCode && !detail.empty()) text += " (" + detail + ")";
    return text;
}

SimWaveIn::SimWaveIn(const Clock& clock, const std::array<std::string, kSimDevices>& signals,
                     std::shared_ptr<SimOutages> outages)
    : clock_(clock),
      signals_(signals),
      outages_(outages ? std::move(outages) : std::make_shared<SimOutages>()) {}

int SimWaveIn::Fail(int code, const std::string& detail) {
    lastCode_ = code;
    lastDetail_ = detail;
    return code;
}

int SimWaveIn::Open(int deviceId, const WaveFormat& format) {
    if (open_) return Fail(MMSYSERR_ALLOCATED, "this handle already has a device open");
    if (deviceId == WAVE_MAPPER) deviceId = 0;
    if (deviceId < 0 || deviceId >= kSimDevices) {
        return Fail(MMSYSERR_BADDEVICEID, "capture device " + std::to_string(deviceId));
    }
    const std::string name = SimInName(deviceId);
    if (!CaptureFormatOk(format)) {
        return Fail(WAVERR_BADFORMAT, name + " captures 16-bit PCM, 1 or 2 channels");
    }
    const SimOutage& outage = (*outages_)[deviceId];
    if (clock_.MonotonicMs() < outage.backAtMs) {
        const bool forGood = outage.backAtMs == kNeverBack;
        return Fail(MMSYSERR_NODRIVER, name + (forGood ? " was unplugged" : " is gone"));
    }
    SimProgram program;
    if (!ParseSimProgram(signals_[deviceId], program, signalError_)) program = SimProgram{};
    signal_ = std::make_unique<SimSignal>(program, format.samplesPerSec);
    name_ = name;
    format_ = format;
    open_ = true;
    running_ = false;
    unplugged_ = gone_ = false;
    deviceId_ = deviceId;
    queue_.clear();
    headFrames_ = 0;
    resumedAt_ = outage.resumeFrame;
    produced_ = producedAtStart_ = resumedAt_ == SimSignal::kNever ? 0 : resumedAt_;
    return MMSYSERR_NOERROR;
}

int SimWaveIn::PrepareHeader(WaveHeader& header) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (!header.data && header.bufferLength > 0) return Fail(MMSYSERR_INVALPARAM, "no data");
    header.flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

int SimWaveIn::UnprepareHeader(WaveHeader& header) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (header.flags & WHDR_INQUEUE) return Fail(WAVERR_STILLPLAYING, "");
    header.flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

int SimWaveIn::AddBuffer(WaveHeader& header) {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (unplugged_) return Dead();
    if (!(header.flags & WHDR_PREPARED)) return Fail(WAVERR_UNPREPARED, "");
    if (header.flags & WHDR_INQUEUE) return Fail(WAVERR_STILLPLAYING, "already queued");
    header.flags = (header.flags & ~WHDR_DONE) | WHDR_INQUEUE;
    header.bytesRecorded = 0;
    queue_.push_back(&header);
    return MMSYSERR_NOERROR;
}

int SimWaveIn::Start() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (unplugged_) return Dead();
    if (!running_) {
        running_ = true;
        startMs_ = clock_.MonotonicMs();
        producedAtStart_ = produced_;
    }
    return MMSYSERR_NOERROR;
}

int SimWaveIn::Stop() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    Service();
    running_ = false;
    // The buffer being filled comes back with what it holds; empty ones stay queued.
    if (!queue_.empty() && headFrames_ > 0) Complete();
    return MMSYSERR_NOERROR;
}

int SimWaveIn::Reset() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    Service();
    running_ = false;
    while (!queue_.empty()) Complete();
    return MMSYSERR_NOERROR;
}

int SimWaveIn::Close() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (!queue_.empty()) return Fail(WAVERR_STILLPLAYING, "reset the device before closing");
    open_ = running_ = false;
    signal_.reset();
    name_.clear();
    return MMSYSERR_NOERROR;
}

int SimWaveIn::Service() {
    if (!open_) return Fail(MMSYSERR_INVALHANDLE, "");
    if (unplugged_) return Dead();
    if (!running_) return MMSYSERR_NOERROR;
    const int64_t elapsedMs = std::max<int64_t>(0, clock_.MonotonicMs() - startMs_);
    const uint64_t due =
        producedAtStart_ + static_cast<uint64_t>(elapsedMs) * format_.samplesPerSec / 1000;
    if (due <= produced_) return MMSYSERR_NOERROR;
    double away = 0;
    const uint64_t outageAt = OutageFrame(away);
    const uint64_t stopAt = std::min(signal_->UnplugFrame(), outageAt);
    Deliver(std::min(due, stopAt) - std::min(produced_, stopAt));
    if (produced_ < stopAt) return MMSYSERR_NOERROR;
    unplugged_ = true;
    running_ = false;
    if (produced_ == outageAt)
        GoAway(outageAt, away);
    else
        (*outages_)[deviceId_].backAtMs = kNeverBack;  // unplugged: no later open finds it
    return Dead();
}

uint64_t SimWaveIn::OutageFrame(double& seconds) const {
    const uint64_t at = signal_->NextOutage(produced_, seconds);
    // The outage this open came back from is over.
    return at == resumedAt_ ? signal_->NextOutage(produced_ + 1, seconds) : at;
}

void SimWaveIn::GoAway(uint64_t frame, double seconds) {
    gone_ = true;
    // Timed from the moment the frame was due, not from when the owner happened to look.
    const auto leftAt =
        startMs_ + static_cast<int64_t>((frame - producedAtStart_) * 1000 / format_.samplesPerSec);
    (*outages_)[deviceId_] = {leftAt + static_cast<int64_t>(std::llround(seconds * 1000)), frame};
}

void SimWaveIn::Deliver(uint64_t frames) {
    while (frames > 0 && !queue_.empty()) {
        WaveHeader& head = *queue_.front();
        const uint64_t capacity = head.bufferLength / format_.blockAlign;
        const uint64_t take = std::min(frames, capacity - headFrames_);
        if (take > 0) {
            // Through a scratch array: a caller's byte buffer need not be 16-bit aligned.
            scratch_.resize(take * format_.channels);
            signal_->Fill(produced_, scratch_.data(), take, format_.channels);
            std::memcpy(head.data + headFrames_ * format_.blockAlign, scratch_.data(),
                        take * format_.blockAlign);
        }
        headFrames_ += take;
        produced_ += take;
        frames -= take;
        if (headFrames_ == capacity) Complete();
    }
    produced_ += frames;  // nowhere to put them: lost
}

void SimWaveIn::Complete() {
    WaveHeader& head = *queue_.front();
    head.bytesRecorded = static_cast<uint32_t>(headFrames_ * format_.blockAlign);
    head.flags = (head.flags & ~WHDR_INQUEUE) | WHDR_DONE;
    queue_.pop_front();
    headFrames_ = 0;
}

std::string SimWaveIn::ErrorText(int code) const {
    return SimErrorText(code, lastCode_, lastDetail_);
}

}  // namespace sonivex
