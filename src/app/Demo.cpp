// Demo settings: four named inputs on simulated devices. "FM 本線" falls silent at 4 s and comes
// back at 14 s; "AM 本線" loses its right channel from 6 s to 20 s; the other two stay on air.
// Short times make the alert and its cancellation show within half a minute, and the cycle repeats.
#include "app/Demo.h"

#include <cstdlib>
#include <utility>

#include "monitor/SettingsStore.h"

namespace sonivex {

std::string MakeDemoFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/sonivex-demo-XXXXXX";
    if (!::mkdtemp(pattern.data())) return "";
    return pattern + "/";
}

bool WriteDemoSettings(const std::string& folder) {
    SettingsStore store(folder + "sonivex.ini");
    const std::pair<const char*, const char*> settings[] = {
        {"NumRec", "3"},
        {"AutoRec", "1"},
        {"MuonSec", "5"},
        {"MuonSecMono", "8"},
        {"HukkiSec", "4"},
        {"MailAtRestoration", "1"},
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
    for (const auto& [key, value] : settings) store.WriteSetting(key, value);
    return !IniFile(store.Path()).ReadAll().empty();
}

}  // namespace sonivex
