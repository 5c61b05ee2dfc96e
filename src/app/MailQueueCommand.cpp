// The mail queue listing: one line per waiting message, oldest first; it changes nothing.
#include "app/MailQueueCommand.h"

#include <filesystem>
#include <iostream>

#include "app/DataFolder.h"
#include "delivery/Spool.h"

namespace sonivex {

namespace {

int CountFiles(const std::string& folder) {
    int n = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        n += e.is_regular_file() && e.path().extension() == ".mail" ? 1 : 0;
    return n;
}

}  // namespace

int ListMailQueue(const Options& o, const std::string& exePath) {
    Spool spool(ChooseDataFolder(o.dir, exePath));
    std::vector<std::string> damaged;
    const std::vector<SpoolEntry> waiting = spool.Load(false, &damaged);
    std::cout << waiting.size() << " message(s) waiting in " << spool.Folder() << "\n";
    for (const SpoolEntry& e : waiting) {
        std::cout << "  input " << e.input + 1 << "  " << (e.cancel ? "cancel" : "alert ")
                  << "  first " << DateTimeString(e.created) << "  next " << DateTimeString(e.next)
                  << "  attempts " << e.attempts;
        if (!e.lastError.empty()) std::cout << "  last error: " << e.lastError;
        std::cout << "\n";
    }
    for (const std::string& d : damaged)
        std::cout << "  damaged (set aside at the next start): " << d << "\n";
    const int failed = CountFiles(spool.Folder() + "failed/");
    if (failed > 0)
        std::cout << failed << " message(s) given up on in " << spool.Folder() << "failed/\n";
    return 0;
}

}  // namespace sonivex
