// Device list from ALSA name hints: filtering, display names, numbering of duplicates.
#include "platform/AlsaDeviceList.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <map>
#include <string_view>

#include "platform/AlsaErrors.h"

namespace sonivex {

namespace {

constexpr std::string_view kDefaultPcm = "default";

// PCMs that make no sound, only wrap "default" (rate converters, channel mixers) or reach a card
// with fewer conversions or other channels than plughw: listing them would offer the same device
// under several names. "default" itself is always listed first.
constexpr std::string_view kSkippedNames[] = {
    "default", "sysdefault", "null", "upmix", "vdownmix", "hw", "front", "iec958", "hdmi"};
constexpr std::string_view kSkippedPrefixes[] = {"lavrate", "samplerate", "speexrate", "surround"};

std::string HintField(const void* hint, const char* field) {
    char* value = snd_device_name_get_hint(hint, field);
    if (value == nullptr) return "";
    std::string text(value);
    free(value);
    return text;
}

std::string Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return "";
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string_view PluginOf(std::string_view pcmName) {
    return pcmName.substr(0, pcmName.find(':'));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool Skipped(std::string_view plugin) {
    for (std::string_view name : kSkippedNames) {
        if (plugin == name) return true;
    }
    for (std::string_view prefix : kSkippedPrefixes) {
        if (StartsWith(plugin, prefix)) return true;
    }
    return false;
}

std::string_view SharingPlugin(bool isInput) {
    return isInput ? "dsnoop" : "dmix";
}

// "CARD=X,DEV=n" of a card PCM; "" for other PCMs.
std::string_view CardDevice(std::string_view pcmName) {
    const size_t colon = pcmName.find(':');
    if (colon == std::string_view::npos || pcmName.find("CARD=") == std::string_view::npos)
        return "";
    return pcmName.substr(colon + 1);
}

// Whether the hint belongs in the list of this direction.
bool Usable(const PcmHint& hint, bool isInput) {
    if (hint.name.empty()) return false;
    if (hint.ioid == (isInput ? "Output" : "Input")) return false;
    const std::string_view plugin = PluginOf(hint.name);
    if (plugin == "dsnoop" || plugin == "dmix") return plugin == SharingPlugin(isInput);
    // Of a card's many PCMs only the one with all conversions is offered.
    if (!CardDevice(hint.name).empty()) return plugin == "plughw";
    return !Skipped(plugin);
}

std::string DisplayName(const PcmHint& hint) {
    std::string name = Trim(std::string_view(hint.desc).substr(0, hint.desc.find('\n')));
    return name.empty() ? hint.name : name;
}

// The sharing PCM of each card device that ALSA offers one for, by "CARD=X,DEV=n".
std::map<std::string, std::string, std::less<>> SharingPcms(const std::vector<PcmHint>& hints,
                                                            bool isInput) {
    std::map<std::string, std::string, std::less<>> sharing;
    for (const PcmHint& hint : hints) {
        if (Usable(hint, isInput) && PluginOf(hint.name) == SharingPlugin(isInput))
            sharing.emplace(CardDevice(hint.name), hint.name);
    }
    return sharing;
}

bool HasPlughw(const std::vector<PcmHint>& hints, std::string_view cardDevice, bool isInput) {
    for (const PcmHint& hint : hints) {
        if (Usable(hint, isInput) && PluginOf(hint.name) == "plughw" &&
            CardDevice(hint.name) == cardDevice)
            return true;
    }
    return false;
}

}  // namespace

std::vector<PcmHint> ReadPcmHints() {
    SilenceAlsaLog();
    std::vector<PcmHint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0 || list == nullptr) return hints;
    for (void** entry = list; *entry != nullptr; ++entry) {
        hints.push_back(
            {HintField(*entry, "NAME"), HintField(*entry, "DESC"), HintField(*entry, "IOID")});
    }
    snd_device_name_free_hint(list);
    return hints;
}

std::vector<AlsaDeviceEntry> BuildDeviceEntries(const std::vector<PcmHint>& hints, bool isInput) {
    std::vector<AlsaDeviceEntry> entries{{std::string(kDefaultPcm), std::string(kDefaultPcm)}};
    std::map<std::string, int> seen{{std::string(kDefaultPcm), 1}};
    const auto add = [&](std::string name, const std::string& id) {
        const int count = ++seen[name];
        if (count > 1) name = std::to_string(count) + "- " + name;
        entries.push_back({std::move(name), id});
    };
    const auto sharing = SharingPcms(hints, isInput);
    for (const PcmHint& hint : hints) {
        if (!Usable(hint, isInput)) continue;
        const auto shared = sharing.find(CardDevice(hint.name));
        if (PluginOf(hint.name) == "plughw" && shared != sharing.end()) {
            // The card's plain name shares it with other programs and inputs; the exclusive
            // open keeps its ALSA name.
            add(DisplayName(hint), shared->second);
            add(hint.name, hint.name);
        } else if (PluginOf(hint.name) != SharingPlugin(isInput) ||
                   !HasPlughw(hints, CardDevice(hint.name), isInput)) {
            add(DisplayName(hint), hint.name);
        }
    }
    return entries;
}

std::string SharingOf(const std::string& pcmId) {
    const std::string_view plugin = PluginOf(pcmId);
    if (plugin == "dmix" || plugin == "dsnoop") return "shared";
    if (plugin == "plughw" || plugin == "hw") return "exclusive";
    return "";
}

AlsaDeviceList::AlsaDeviceList(const std::vector<PcmHint>& hints)
    : inputs_(BuildDeviceEntries(hints, true)), outputs_(BuildDeviceEntries(hints, false)) {}

int AlsaDeviceList::Count(bool isInput) const {
    return static_cast<int>((isInput ? inputs_ : outputs_).size());
}

int AlsaDeviceList::Adopt(bool isInput, const AlsaDeviceEntry& entry) {
    std::vector<AlsaDeviceEntry>& entries = isInput ? inputs_ : outputs_;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].id == entry.id) return static_cast<int>(i);
    entries.push_back(entry);
    return static_cast<int>(entries.size()) - 1;
}

const AlsaDeviceEntry* AlsaDeviceList::Entry(bool isInput, int index) const {
    const std::vector<AlsaDeviceEntry>& entries = isInput ? inputs_ : outputs_;
    if (index < 0 || index >= static_cast<int>(entries.size())) return nullptr;
    return &entries[static_cast<size_t>(index)];
}

std::string AlsaDeviceList::Name(bool isInput, int index) const {
    const AlsaDeviceEntry* entry = Entry(isInput, index);
    return entry != nullptr ? entry->name : "";
}

std::string AlsaDeviceList::Id(bool isInput, int index) const {
    const AlsaDeviceEntry* entry = Entry(isInput, index);
    return entry != nullptr ? entry->id : "";
}

}  // namespace sonivex
