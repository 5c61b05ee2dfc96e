// libFuzzer target: any bytes as the settings file, UTF-8 or the old code page. Every read gives a
// value of its type (texts whole UTF-8 characters, at most kSettingChars bytes); a key that is
// missing is written back with its default and reads so from then on; a text written is read back
// as it was, with every other key unchanged, in memory and on disk, and so is a number; a read-only
// store writes nothing.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "FuzzFiles.h"
#include "monitor/SettingsStore.h"
#include "platform/LegacyText.h"
#include "platform/WholeFile.h"

namespace {

using sonivex::SettingsStore;

struct Key {
    const char* name;
    const char* def;  // the default text of a text read
};

// Keys of every kind the program reads; the seeds hold some of them, in other cases and places.
constexpr Key kKeys[] = {{"NumRec", "3"},
                         {"AuditName_1", ""},
                         {"MailHost", "mail.example.com"},
                         {"AlertLevelDB", "-50"},
                         {"SizeRate", "1.2"},
                         {"MailLocalPort", "10001"},
                         {"MailPassWord", "kelp 7302"}};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

std::vector<std::string> ReadTexts(SettingsStore& store) {
    std::vector<std::string> values;
    for (const Key& k : kKeys) {
        std::string v = store.ReadSetting(k.name, k.def);
        if (v.size() > sonivex::kSettingChars || !sonivex::IsValidUtf8(v) ||
            v.find('\0') != std::string::npos)
            std::abort();
        values.push_back(std::move(v));
    }
    return values;
}

// Each key as one of the number types.
void ReadNumbers(SettingsStore& store) {
    for (size_t n = 0; n < kKeyCount; ++n) {
        if (n % 3 == 0) store.ReadSetting(kKeys[n].name, int32_t{7});
        if (n % 3 == 1) store.ReadSetting(kKeys[n].name, int16_t{7});
        if (n % 3 == 2 && !std::isfinite(store.ReadSetting(kKeys[n].name, 7.5f))) std::abort();
    }
}

// A text the file can hold as it is: one line, no blanks or quotes around it that reading strips,
// short enough, and not the mark of an empty text.
bool Storable(const std::string& v) {
    if (v.size() > sonivex::kSettingChars || v == "***" || !sonivex::IsValidUtf8(v)) return false;
    if (v.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) return false;
    if (!v.empty() &&
        (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t'))
        return false;
    return !(v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = sonivex::fuzz::ScratchFolder() + "sonivex.ini";
    sonivex::fuzz::WriteBytes(path, data, size);
    const std::string original(reinterpret_cast<const char*>(data), size);

    SettingsStore shared(path, false);
    ReadTexts(shared);
    int error = 0;
    if (sonivex::ReadWholeFile(path, error) != original) std::abort();

    SettingsStore store(path);
    store.Hold();
    const std::vector<std::string> first = ReadTexts(store);
    if (ReadTexts(store) != first) std::abort();
    ReadNumbers(store);

    // A value taken from the file itself goes to another key.
    const size_t from = size % kKeyCount, to = (size / kKeyCount) % kKeyCount;
    std::vector<std::string> expected = first;
    if (Storable(first[from])) {
        store.WriteSetting(kKeys[to].name, first[from]);
        expected[to] = first[from];
    }
    if (ReadTexts(store) != expected) std::abort();
    store.Release();
    SettingsStore reopened(path);
    if (ReadTexts(reopened) != expected) std::abort();

    // Numbers read from the file go back as numbers and read the same.
    reopened.Hold();
    const float number = reopened.ReadSetting(kKeys[from].name, 7.5f);
    const int32_t whole = reopened.ReadSetting(kKeys[from].name, int32_t{7});
    reopened.WriteSetting(kKeys[to].name, number);
    if (reopened.ReadSetting(kKeys[to].name, -1.5f) != number) std::abort();
    reopened.WriteSetting(kKeys[to].name, whole);
    if (reopened.ReadSetting(kKeys[to].name, int32_t{-1}) != whole) std::abort();
    return 0;
}
