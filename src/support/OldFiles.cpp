// Pruning of old files: deletes files last written before a cut-off and removes folders left empty.
#include "support/OldFiles.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <vector>

#include "support/basic.h"

namespace sonivex {

namespace {

// The last-write time in local time as "yyyy/mm/dd hh:mm:ss", the form the cut-off is written in.
std::string LocalTimeText(time_t when) {
    tm local{};
    if (localtime_r(&when, &local) == nullptr) return "";
    std::array<char, 64> buf{};
    std::snprintf(buf.data(), buf.size(), "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buf.data();
}

std::vector<std::string> EntryNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

// Deleting or removing an entry needs a writable folder; one that was made read-only is opened up.
void MakeWritable(const std::string& folder) {
    struct stat st {};
    if (stat(folder.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0) {
        chmod(folder.c_str(), (st.st_mode & 07777) | S_IWUSR | S_IXUSR);
    }
}

void RemoveEmptyFolder(const std::string& parent, const std::string& path) {
    if (rmdir(path.c_str()) == 0 || (errno != EACCES && errno != EPERM)) return;
    MakeWritable(parent);
    rmdir(path.c_str());
}

void DeleteOldFile(const std::string& parent, const std::string& path) {
    if (DeleteFileSafe(path)) return;
    MakeWritable(parent);
    DeleteFileSafe(path);
}

// Entries are examined without following links: a link is deleted as itself when it is old,
// and a linked folder is never entered, so nothing outside the tree is touched.
void PruneFolder(const std::string& folder, const std::string& cutOff) {
    for (const std::string& name : EntryNames(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode)) {
            PruneFolder(path, cutOff);
            RemoveEmptyFolder(folder, path);
        } else {
            const std::string written = LocalTimeText(st.st_mtime);
            if (!written.empty() && written < cutOff) DeleteOldFile(folder, path);
        }
    }
}

}  // namespace

void DeleteOldFiles(const std::string& folder, int days) {
    if (days < 0 || !FolderExists(folder)) return;
    const std::string root = AddSeparator(folder, 1);
    if (root.empty()) return;
    PruneFolder(root, DateTimeText(0, -days));
    // Fails harmlessly while the folder still holds files.
    rmdir(root.c_str());
}

}  // namespace sonivex
