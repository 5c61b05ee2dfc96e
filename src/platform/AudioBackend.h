// The audio device family in use: ALSA devices or simulated ones. The monitor cannot tell which.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/WaveIn.h"
#include "platform/WaveOut.h"

namespace sonivex {

class Clock;

class DeviceList {
  public:
    virtual ~DeviceList() = default;
    virtual int Count(bool isInput) const = 0;
    // The name a user recognises; "" when there is no such index.
    virtual std::string Name(bool isInput, int index) const = 0;
    // The platform's own identifier of the device (an ALSA PCM name); "" when none.
    virtual std::string Id(bool isInput, int index) const = 0;
};

class AudioBackend {
  public:
    virtual ~AudioBackend() = default;
    virtual const DeviceList& Devices() const = 0;
    // For a device that was missing: its index in Devices(), found by `locate` in the devices as
    // the system lists them now (a card plugged in since the start included) and appended there
    // when it is new, so that no other index moves; -1 when it is still missing or the list
    // cannot change.
    virtual int FindAgain(bool /*isInput*/,
                          const std::function<int(const DeviceList&)>& /*locate*/) {
        return -1;
    }
    virtual std::unique_ptr<WaveIn> CreateWaveIn() = 0;
    virtual std::unique_ptr<WaveOut> CreateWaveOut() = 0;
};

std::unique_ptr<AudioBackend> CreateAlsaBackend();

constexpr int kSimDevices = 8;

struct SimOptions {
    // Signal program of "Sim In k" (index k-1): segments separated by ";", each
    // "tone DB SECONDS", "left DB SECONDS", "right DB SECONDS" or "silence SECONDS";
    // repeats when it ends; empty = a steady "tone -20".
    std::array<std::string, kSimDevices> signals;
    // When not empty, every sim output writes what it plays to <recordFolder>/<device name>.wav,
    // up to recordSeconds of audio per device; then `note` is told once and recording stops.
    std::string recordFolder;
    int recordSeconds = 600;
    std::function<void(const std::string&)> note;
};

// Simulated devices "Sim In 1".."Sim In 8" and "Sim Out 1".."Sim Out 8", timed by `clock`.
std::unique_ptr<AudioBackend> CreateSimBackend(const Clock& clock, const SimOptions& options);

}  // namespace sonivex
