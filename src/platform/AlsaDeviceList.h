// The ALSA PCMs a user can pick, per direction, from ALSA's device name hints.
#pragma once

#include <string>
#include <vector>

#include "platform/AudioBackend.h"

namespace sonivex {

// One snd_device_name_hint entry; an absent field is "".
struct PcmHint {
    std::string name;  // NAME: the PCM name to open
    std::string desc;  // DESC: "card, device" and a description, one per line
    std::string ioid;  // IOID: "Input", "Output" or "" for both
};

struct AlsaDeviceEntry {
    std::string name;  // shown to the user and stored in the settings
    std::string id;    // ALSA PCM name
};

// The hints of all cards and configured PCMs, as ALSA gives them now.
std::vector<PcmHint> ReadPcmHints();

// The devices of one direction: "default" first, then the usable hints in their order, with
// duplicate names numbered "2- ", "3- ", ... as the device lookup expects. A card device's plain
// name opens it through ALSA's sharing plugin (dsnoop for capture, dmix for output) when ALSA
// offers one for it, and an entry named by its "plughw:" ALSA name opens it exclusively.
std::vector<AlsaDeviceEntry> BuildDeviceEntries(const std::vector<PcmHint>& hints, bool isInput);

// "shared" or "exclusive" for a card PCM by its ALSA name, "" for others (a sound server's).
std::string SharingOf(const std::string& pcmId);

// A snapshot of the device list, taken when it is made, so that an index found by name stays
// the index that is opened.
class AlsaDeviceList : public DeviceList {
  public:
    AlsaDeviceList() : AlsaDeviceList(ReadPcmHints()) {}
    explicit AlsaDeviceList(const std::vector<PcmHint>& hints);

    int Count(bool isInput) const override;
    std::string Name(bool isInput, int index) const override;
    std::string Id(bool isInput, int index) const override;
    // The index of the entry with `entry`'s ALSA name, added at the end when there is none.
    int Adopt(bool isInput, const AlsaDeviceEntry& entry);

  private:
    const AlsaDeviceEntry* Entry(bool isInput, int index) const;

    std::vector<AlsaDeviceEntry> inputs_;
    std::vector<AlsaDeviceEntry> outputs_;
};

}  // namespace sonivex
