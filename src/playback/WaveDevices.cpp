// Audio devices by name: lookup, lists for the settings dialog, sample rates, error texts.
#include "playback/WaveDevices.h"

#include <charconv>
#include <string_view>

#include "platform/AudioBackend.h"
#include "platform/MessageBox.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr const char* kProductName = "sonivex";
constexpr size_t kErrorTextChars = 200;
constexpr int kMaxDuplicateNumber = 4;       // "N- " numbering recognised for N = 1..4
constexpr size_t kNumberedNameMinChars = 5;  // shorter names are never stripped of a "N- " prefix
constexpr std::string_view kOldSharedSuffix = " (shared)";
const std::string kNotFoundText = "この名前のデバイスを検出できませんでした";

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// ASCII only, so that UTF-8 sequences pass unchanged.
std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string ComparisonKey(const std::string& name) {
    return Lower(Trim(name));
}

size_t CharCount(const std::string& text) {
    size_t count = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

// The first `chars` characters of a UTF-8 text, never splitting a character.
std::string CutChars(const std::string& text, size_t chars) {
    size_t count = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == chars) {
            return text.substr(0, i);
        }
    }
    return text;
}

std::string DeviceName(const DeviceList& devices, bool isInput, int index) {
    std::string name = devices.Name(isInput, index);
    const size_t nul = name.find('\0');
    if (nul != std::string::npos) name.resize(nul);
    return Trim(name);
}

std::string RemoveAll(std::string text, const std::string& part) {
    for (size_t pos = text.find(part); pos != std::string::npos; pos = text.find(part, pos)) {
        text.erase(pos, part.size());
    }
    return text;
}

std::string DuplicatePrefix(int n) {
    return std::to_string(n) + "- ";
}

// "Mic (3- Model)" → "mic (model)".
std::string WithoutBracketedNumbers(std::string name) {
    for (int n = 1; n <= kMaxDuplicateNumber; ++n) {
        const std::string prefix = DuplicatePrefix(n);
        if (name.find("(" + prefix) != std::string::npos) name = RemoveAll(name, prefix);
    }
    return name;
}

// "2- Model" → "model".
std::string WithoutLeadingNumbers(std::string name) {
    if (CharCount(name) < kNumberedNameMinChars) return name;
    for (int n = 1; n <= kMaxDuplicateNumber; ++n) {
        const std::string prefix = DuplicatePrefix(n);
        if (name.rfind(prefix, 0) == 0) name = RemoveAll(name, prefix);
    }
    return Trim(name);
}

bool ParseIndex(const std::string& key, int& index) {
    const char* begin = key.data();
    const char* end = begin + key.size();
    if (begin != end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, index);
    return ec == std::errc() && ptr == end && begin != end;
}

// First index whose name (or platform id) equals the key, then the first that matches it once
// duplicate numbering is ignored; -1 when none does.
int LookUpName(const DeviceList& devices, bool isInput, const std::string& key) {
    const int count = devices.Count(isInput);
    for (int i = 0; i < count; ++i) {
        if (ComparisonKey(DeviceName(devices, isInput, i)) == key ||
            ComparisonKey(devices.Id(isInput, i)) == key) {
            return i;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (MatchDeviceName(DeviceName(devices, isInput, i), key)) return i;
    }
    return -1;
}

int LookUp(const DeviceList& devices, bool isInput, const std::string& key) {
    const int found = LookUpName(devices, isInput, key);
    // Earlier versions listed a card's shared open as "<name> (shared)"; its plain name shares
    // it now.
    if (found < 0 && key.ends_with(kOldSharedSuffix))
        return LookUpName(devices, isInput, key.substr(0, key.size() - kOldSharedSuffix.size()));
    return found;
}

}  // namespace

int LocateWaveDevice(const DeviceList& devices, bool isInput, const std::string& name) {
    const std::string key = ComparisonKey(name);
    if (key.empty()) return 0;
    int index = 0;
    if (ParseIndex(key, index)) return index;
    if (devices.Count(isInput) <= 0) return 0;
    const int found = LookUp(devices, isInput, key);
    return found >= 0 ? found : kMissingWaveDevice;
}

int FindWaveDevice(const DeviceList& devices, bool isInput, const std::string& name,
                   int showMessage, const std::string& user) {
    const int found = LocateWaveDevice(devices, isInput, name);
    if (found != kMissingWaveDevice) return found;
    if (user.empty()) {
        WriteLog(kNotFoundText + " " + name);
    } else {
        const std::string line = kNotFoundText + " " + name + " (" + user + ")";
        WriteLog(line);
        WriteLog(line, 1);
    }
    if (showMessage == 1) {
        CenteredMsgBox(kNotFoundText + "\n" + name, MB_OK | MB_ICONSTOP, kProductName);
    }
    return -1;
}

int MatchDeviceName(const std::string& a, const std::string& b) {
    std::string x = WithoutBracketedNumbers(Lower(a));
    std::string y = WithoutBracketedNumbers(Lower(b));
    if (x == y) return 1;
    return WithoutLeadingNumbers(x) == WithoutLeadingNumbers(y) ? 1 : 0;
}

std::string GetWaveDeviceName(const DeviceList& devices, bool isInput, int index) {
    if (index < 0 || index >= devices.Count(isInput)) return "";
    return DeviceName(devices, isInput, index);
}

void FillWaveDeviceCombo(const DeviceList& devices, ChoiceList& combo, bool isInput,
                         const std::string& preferredName, int selectFirst) {
    combo.Clear();
    const int count = devices.Count(isInput);
    if (count <= 0) return;
    for (int i = 0; i < count; ++i) combo.Add(DeviceName(devices, isInput, i));
    const std::string key = ComparisonKey(preferredName);
    const int found = key.empty() ? -1 : LookUp(devices, isInput, key);
    if (found >= 0) {
        combo.Select(found);
    } else if (selectFirst != 0) {
        combo.Select(0);
    }
}

void FillSampleRateCombo(ChoiceList& combo, int current, int minimum, int maximum) {
    combo.Clear();
    const std::string wanted = std::to_string(current);
    for (const int rate : kSampleRateList) {
        if ((minimum != 0 && rate < minimum) || (maximum != 0 && rate > maximum)) continue;
        combo.Add(std::to_string(rate));
        if (combo.Item(combo.Count() - 1) == wanted) combo.Select(combo.Count() - 1);
    }
}

int ShowWaveError(int code, const std::string& errorText, int toLog) {
    if (code == 0) return 0;
    std::string text = CutChars(errorText, kErrorTextChars);
    if (text.empty()) text = "wave device error " + std::to_string(code);
    if (toLog != 0) {
        WriteLog(text, 1);
    } else {
        CenteredMsgBox(text, MB_OK | MB_ICONSTOP, kProductName);
    }
    return 1;
}

}  // namespace sonivex
