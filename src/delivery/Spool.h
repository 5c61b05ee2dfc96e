// The spool folder DIR/spool/: one file per waiting message, readable by the owner only, mails
// as *.mail and webhook posts as *.hook; failed/ keeps the messages given up on, bad/ the files
// that could not be read.
#pragma once

#include <string>
#include <vector>

#include "delivery/SpoolEntry.h"

namespace sonivex {

class Spool {
  public:
    // dataFolder with a trailing '/'; suffix names the kind of message this spool handles.
    explicit Spool(const std::string& dataFolder, const std::string& suffix = ".mail");
    const std::string& Folder() const { return folder_; }

    // Writes e atomically, naming it first if it has no name yet; false (logged) on failure.
    bool Write(SpoolEntry& e);
    void Remove(const SpoolEntry& e);
    void MoveTo(const SpoolEntry& e, const std::string& subfolder);  // "failed" or "bad"
    // Every readable entry, oldest first. Damaged files are moved to bad/ with a log line when
    // quarantine is true; otherwise (a reader beside the running program) they are only named,
    // with what is wrong, in damaged.
    std::vector<SpoolEntry> Load(bool quarantine, std::vector<std::string>* damaged = nullptr);

  private:
    bool EnsureFolder(const std::string& folder);
    std::string folder_;
    std::string suffix_;
};

}  // namespace sonivex
