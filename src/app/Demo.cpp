// Demo settings: four named inputs on simulated devices. "FM 本線" falls silent at 4 s and comes
// back at 14 s; "AM 本線" loses its right channel from 6 s to 20 s; the other two stay on air.
// Short times make the alert and its cancellation show within half a minute, and the cycle repeats.
#include "app/Demo.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "app/DataFolder.h"
#include "monitor/SettingsStore.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr char kDemoPrefix[] = "sonivex-demo-";
constexpr char kDemoMark[] = ".sonivex-demo";  // in every folder --demo wrote

// Each demo would otherwise leave its folder (and its recordings) behind for good.
void RemoveOldDemoFolders(const std::string& tmp) {
    namespace fs = std::filesystem;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(tmp, ec)) {
        const std::string path = entry.path().string();
        struct stat st {};
        if (!entry.path().filename().string().starts_with(kDemoPrefix) ||
            ::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
            continue;
        InstanceLock lock(path + "/");
        if (!lock.Busy()) fs::remove_all(path, ec);  // a demo still running keeps its folder
    }
}

}  // namespace

std::string MakeDemoFolder() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string folder = AddSeparator(tmp && *tmp ? tmp : "/tmp");
    RemoveOldDemoFolders(folder);
    std::string pattern = folder + kDemoPrefix + "XXXXXX";
    if (!::mkdtemp(pattern.data())) return "";
    return pattern + "/";
}

std::string DemoRefusal(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::exists(folder, ec) || FileExists(folder + kDemoMark)) return "";
    if (fs::is_directory(folder, ec) && fs::is_empty(folder, ec)) return "";
    return folder +
           (FileExists(folder + "sonivex.ini") ? " holds a station's sonivex.ini"
                                               : " is not empty") +
           ": the demo would overwrite its settings and send alert mail to its recipients. "
           "Use --demo without --dir, or with a new or empty folder";
}

bool WriteDemoSettings(const std::string& folder) {
    SettingsStore store(folder + "sonivex.ini");
    const std::pair<const char*, const char*> settings[] = {
        {"NumRec", "3"},
        {"AutoRec", "1"},
        {"MuonSec", "5"},
        {"MuonSecMono", "8"},
        {"HukkiSec", "4"},
        {"SimRecord", "1"},
        {"AuditName_1", "FM 本線"},
        {"AuditName_2", "AM 本線"},
        {"AuditName_3", "Studio A"},
        {"AuditName_4", "Studio B"},
        {"DevInName_1", "Sim In 1"},
        {"DevInName_2", "Sim In 2"},
        {"DevInName_3", "Sim In 3"},
        {"DevInName_4", "Sim In 4"},
        {"DevOutName_1", "Sim Out 1"},
        {"DevOutName_2", "Sim Out 2"},
        {"DevOutName_3", "Sim Out 3"},
        {"DevOutName_4", "Sim Out 4"},
        {"SimSignal_1", "tone -20 4; silence 10; tone -20 16"},
        {"SimSignal_2", "tone -15 6; left -15 14; tone -15 10"},
        {"SimSignal_3", "tone -25 30"},
        {"SimSignal_4", "tone -30 30"},
    };
    std::ofstream(folder + kDemoMark) << "made by sonivex --demo\n";
    for (const auto& [key, value] : settings) store.WriteSetting(key, value);
    return !IniFile(store.Path()).ReadAll().empty();
}

}  // namespace sonivex
