// Data folder and instance lock.
#include "app/DataFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "support/basic.h"

namespace sonivex {

namespace {
std::string ConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return AddSeparator(xdg);
    const char* home = std::getenv("HOME");
    return AddSeparator(home && *home ? home : ".") + ".config/";
}
}  // namespace

std::string ChooseDataFolder(const std::string& dirOption, const std::string& exePath) {
    if (!dirOption.empty()) return AddSeparator(dirOption);
    const std::string exeFolder = SplitPath(exePath, true, true, false, false, false);
    if (!exeFolder.empty() && FileExists(exeFolder + "sonivex.ini")) return exeFolder;
    return ConfigHome() + "sonivex/";
}

std::string ExistingDataFolder(const std::string& dirOption, const std::string& exePath,
                               std::string& error) {
    const std::string folder = ChooseDataFolder(dirOption, exePath);
    struct stat st {};
    const int problem = ::stat(folder.c_str(), &st) != 0 ? errno
                        : S_ISDIR(st.st_mode)            ? 0
                                                         : ENOTDIR;
    if (dirOption.empty() || problem == 0) return folder;
    error = "--dir " + folder + ": " + std::strerror(problem);
    return "";
}

std::string MakeDataFolder(const std::string& folder) {
    std::string path;
    for (size_t n = 0; n <= folder.size(); ++n) {
        if (n == folder.size() || folder[n] == '/') {
            if (!path.empty() && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
                return std::strerror(errno);
        }
        if (n < folder.size()) path += folder[n];
    }
    return FolderExists(folder) == 1 ? "" : std::strerror(ENOTDIR);
}

std::string CommonIniPath() {
    return ConfigHome() + "velmarok/common.ini";
}

InstanceLock::InstanceLock(const std::string& folder) {
    fd_ = ::open((folder + ".sonivex.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        busy_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace sonivex
