// Settings store over the ini file.
#include "monitor/SettingsStore.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "support/Log.h"
#include "support/NumberText.h"

namespace sonivex {

namespace {
constexpr char kSection[] = "conf";
constexpr char kEmptyMark[] = "***";

// The largest number that still rounds to a finite float. The shortest text of the largest float,
// which NumberText writes, lies above that float itself and must read back as it.
constexpr double kFloatLimit = 0x1.fffffefffffffp127;

// Rounds halves to even, as every fractional-to-whole conversion of the program does.
double RoundEven(double x) {
    return std::nearbyint(x);
}
}  // namespace

std::string NumberText(float value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

SettingsStore::SettingsStore(std::string iniPath, bool writeBack)
    : ini_(std::move(iniPath)), writeBack_(writeBack) {}

bool SettingsStore::ReadRaw(const std::string& key, const std::string& defText,
                            std::string& value) {
    auto stored = ini_.Read(kSection, key);
    if (!stored) {
        if (writeBack_) WriteSetting(key, defText);
        return false;
    }
    size_t cut = std::min(stored->size(), kSettingChars);
    // Back to the start of a UTF-8 character rather than cut one in half.
    while (cut > 0 && cut < stored->size() && ((*stored)[cut] & 0xC0) == 0x80) --cut;
    value = stored->substr(0, cut);
    if (const auto nul = value.find('\0'); nul != std::string::npos) value.resize(nul);
    if (value == kEmptyMark) value.clear();
    return true;
}

bool SettingsStore::ReadNumber(const std::string& key, const std::string& defText, double lo,
                               double hi, bool whole, double& value) {
    std::string text;
    if (!ReadRaw(key, defText, text)) return false;
    double parsed = 0;
    const bool numeric = NumericText(text, parsed);
    const double v = whole && numeric ? RoundEven(parsed) : parsed;
    if (!numeric || v < lo || v > hi) {
        WriteLog("設定値エラー " + key + "=" + text + " (" + defText + " を使用)");
        return false;
    }
    value = v;
    return true;
}

int32_t SettingsStore::ReadSetting(const std::string& key, int32_t def) {
    double v = 0;
    if (!ReadNumber(key, std::to_string(def), std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max(), true, v))
        return def;
    return static_cast<int32_t>(v);
}

int16_t SettingsStore::ReadSetting(const std::string& key, int16_t def) {
    double v = 0;
    if (!ReadNumber(key, std::to_string(def), std::numeric_limits<int16_t>::min(),
                    std::numeric_limits<int16_t>::max(), true, v))
        return def;
    return static_cast<int16_t>(v);
}

float SettingsStore::ReadSetting(const std::string& key, float def) {
    double v = 0;
    if (!ReadNumber(key, NumberText(def), -kFloatLimit, kFloatLimit, false, v)) return def;
    return static_cast<float>(v);
}

std::string SettingsStore::ReadSetting(const std::string& key, const std::string& def) {
    std::string value;
    return ReadRaw(key, def, value) ? value : def;
}

void SettingsStore::WriteSetting(const std::string& key, const std::string& value) {
    if (!writeBack_) return;
    std::string text = value.empty() ? kEmptyMark : value;
    // One line per key: line breaks inside a value would split it.
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ' ';
    if (!ini_.Write(kSection, key, text))
        WriteLog("設定ファイル書き込み失敗 " + ini_.Path() + " " + key, 1);
}

void SettingsStore::Release() {
    if (!ini_.Release()) WriteLog("設定ファイル書き込み失敗 " + ini_.Path(), 1);
}

void SettingsStore::WriteSetting(const std::string& key, int32_t value) {
    WriteSetting(key, std::to_string(value));
}

void SettingsStore::WriteSetting(const std::string& key, float value) {
    WriteSetting(key, NumberText(value));
}

}  // namespace sonivex
