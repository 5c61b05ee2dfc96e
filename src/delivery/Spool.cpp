// The spool folder.
#include "delivery/Spool.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Clock.h"
#include "platform/WholeFile.h"
#include "support/Log.h"

namespace sonivex {

namespace {

constexpr int kErrorLog = 16;

std::string ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Names sort in the order the messages were made: time, then a counter of this run.
std::string NewName(const LocalDateTime& t, const std::string& suffix) {
    static unsigned counter = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d-%02d%02d%02d-%03d-%06u-%d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second, t.millisecond, ++counter % 1000000,
                  static_cast<int>(::getpid()));
    return std::string(buf) + suffix;
}

}  // namespace

Spool::Spool(const std::string& dataFolder, const std::string& suffix)
    : folder_(dataFolder + "spool/"), suffix_(suffix) {}

bool Spool::EnsureFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST) return true;
    WriteLog("スプールフォルダを作れません " + folder + " " + std::strerror(errno), kErrorLog);
    return false;
}

bool Spool::Write(SpoolEntry& e) {
    if (!EnsureFolder(folder_)) return false;
    if (e.name.empty()) e.name = NewName(ProgramClock().Now(), suffix_);
    const int error = ReplaceFile(folder_ + e.name, SpoolText(e), 0600);
    if (error == 0) return true;
    WriteLog("スプール書き込み失敗 " + folder_ + e.name + " " + std::strerror(error), kErrorLog);
    return false;
}

void Spool::Remove(const SpoolEntry& e) {
    if (!e.name.empty()) ::unlink((folder_ + e.name).c_str());
}

void Spool::MoveTo(const SpoolEntry& e, const std::string& subfolder) {
    if (e.name.empty() || !EnsureFolder(folder_ + subfolder + "/")) return;
    const std::string to = folder_ + subfolder + "/" + e.name;
    if (::rename((folder_ + e.name).c_str(), to.c_str()) != 0)
        WriteLog("スプール移動失敗 " + to + " " + std::strerror(errno), kErrorLog);
}

std::vector<SpoolEntry> Spool::Load(bool quarantine, std::vector<std::string>* damaged) {
    std::vector<SpoolEntry> out;
    std::error_code ec;
    for (const auto& f : std::filesystem::directory_iterator(folder_, ec)) {
        const std::string name = f.path().filename().string();
        if (!f.is_regular_file(ec)) continue;
        // A write cut short by a crash never became an entry.
        if (quarantine && name.ends_with(suffix_ + ".tmp")) ::unlink(f.path().c_str());
        if (!name.ends_with(suffix_)) continue;
        SpoolEntry e;
        std::string problem;
        if (ParseSpoolText(ReadWhole(f.path().string()), e, problem)) {
            e.name = name;
            out.push_back(std::move(e));
            continue;
        }
        e.name = name;
        if (damaged) damaged->push_back(name + ": " + problem);
        if (!quarantine) continue;
        WriteLog("スプールファイル破損 " + name + ": " + problem + " (bad/ へ移動)", kErrorLog);
        MoveTo(e, "bad");
    }
    std::sort(out.begin(), out.end(), [](const SpoolEntry& a, const SpoolEntry& b) {
        const int64_t ta = CivilToMs(a.created), tb = CivilToMs(b.created);
        return ta != tb ? ta < tb : a.name < b.name;
    });
    return out;
}

}  // namespace sonivex
