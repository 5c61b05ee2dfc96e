// The settings store: section "conf" of the ini file, "***" for empty texts, missing keys written
// back with their defaults, values converted to the type of the default.
#pragma once

#include <cstdint>
#include <string>

#include "platform/IniFile.h"

namespace sonivex {

class SettingsStore {
  public:
    // writeBack false: a read-only store (the maker's shared settings), defaults are not written.
    explicit SettingsStore(std::string iniPath, bool writeBack = true);

    // A value that does not fit the type is logged and replaced by the default.
    int32_t ReadSetting(const std::string& key, int32_t def);  // whole number (L)
    int16_t ReadSetting(const std::string& key, int16_t def);  // small whole number (I)
    float ReadSetting(const std::string& key, float def);      // single (S)
    std::string ReadSetting(const std::string& key, const std::string& def);  // text (T)
    std::string ReadSetting(const std::string& key, const char* def) {
        return ReadSetting(key, std::string(def));
    }

    void WriteSetting(const std::string& key, const std::string& value);
    void WriteSetting(const std::string& key, const char* value) {
        WriteSetting(key, std::string(value));
    }
    void WriteSetting(const std::string& key, int32_t value);
    void WriteSetting(const std::string& key, float value);

    const std::string& Path() const { return ini_.Path(); }
    // Start-up reads in one go: the defaults written back reach the disk once, at Release().
    void Hold() { ini_.Hold(); }
    void Release();

  private:
    // The stored text, "***" already read as "", or nothing when the key is missing (then the
    // default text is written back when writeBack is set).
    bool ReadRaw(const std::string& key, const std::string& defText, std::string& value);
    bool ReadNumber(const std::string& key, const std::string& defText, double lo, double hi,
                    bool whole, double& value);

    IniFile ini_;
    bool writeBack_;
};

// Plain decimal text of a number as the store writes it (-20, 1.2).
std::string NumberText(float value);

// A value is cut to what a 255-character buffer holds (bytes of UTF-8, never inside a character).
constexpr size_t kSettingChars = 254;

}  // namespace sonivex
