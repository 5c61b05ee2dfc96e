// The mail queue listing: one line per waiting mail, then per waiting webhook post, oldest
// first; it changes nothing.
#include "app/MailQueueCommand.h"

#include <filesystem>
#include <iostream>

#include "app/DataFolder.h"
#include "delivery/Spool.h"

namespace sonivex {

namespace {

int CountFiles(const std::string& folder, const std::string& suffix) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        n += e.is_regular_file() && e.path().extension() == suffix ? 1 : 0;
    return n;
}

// One kind of message: mails (*.mail) or webhook posts (*.hook, which name their URL).
void ListSpool(const std::string& dataFolder, const std::string& suffix, const char* what) {
    Spool spool(dataFolder, suffix);
    std::vector<std::string> damaged;
    const std::vector<SpoolEntry> waiting = spool.Load(false, &damaged);
    const bool hooks = suffix == ".hook";
    const int failed = CountFiles(spool.Folder() + "failed/", suffix);
    if (hooks && waiting.empty() && damaged.empty() && failed == 0) return;
    std::cout << waiting.size() << " " << what << "(s) waiting in " << spool.Folder() << "\n";
    for (const SpoolEntry& e : waiting) {
        std::cout << "  input " << e.input + 1 << "  " << (e.cancel ? "cancel" : "alert ");
        if (hooks) std::cout << "  " << e.recipients;
        std::cout << "  first " << DateTimeString(e.created) << "  next " << DateTimeString(e.next)
                  << "  attempts " << e.attempts;
        if (!e.lastError.empty()) std::cout << "  last error: " << e.lastError;
        std::cout << "\n";
    }
    for (const std::string& d : damaged)
        std::cout << "  damaged (set aside at the next start): " << d << "\n";
    if (failed > 0)
        std::cout << failed << " " << what << "(s) given up on in " << spool.Folder()
                  << "failed/\n";
}

}  // namespace

int ListMailQueue(const Options& o, const std::string& exePath) {
    const std::string folder = ChooseDataFolder(o.dir, exePath);
    ListSpool(folder, ".mail", "message");
    ListSpool(folder, ".hook", "webhook post");
    return 0;
}

}  // namespace sonivex
