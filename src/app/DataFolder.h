// Where the program keeps its files, and the one-instance-per-folder lock.
#pragma once

#include <string>

namespace sonivex {

// --dir when given; else the executable's folder when a sonivex.ini lies there; else
// $XDG_CONFIG_HOME/sonivex (~/.config/sonivex). Always with a trailing '/'.
std::string ChooseDataFolder(const std::string& dirOption, const std::string& exePath);
// The same for a command that only reads the folder: "" with `error` (the path and the system's
// reason) when --dir names a folder that is not there.
std::string ExistingDataFolder(const std::string& dirOption, const std::string& exePath,
                               std::string& error);
// Creates the folder and its missing parents: "" when it is there, else the system's reason.
std::string MakeDataFolder(const std::string& folder);
// The maker's shared settings file: $XDG_CONFIG_HOME/velmarok/common.ini.
std::string CommonIniPath();

// Holds an exclusive lock on <folder>/.sonivex.lock for the life of the process.
class InstanceLock {
  public:
    explicit InstanceLock(const std::string& folder);
    ~InstanceLock();
    // True when another process holds the folder. A lock file that cannot be made at all does
    // not stop the monitor.
    bool Busy() const { return busy_; }

  private:
    int fd_ = -1;
    bool busy_ = false;
};

}  // namespace sonivex
