// Capability check through capget(2), and the traces that time daemons leave under /run.
#include "platform/ClockPrivilege.h"

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>

namespace sonivex {

bool HoldsClockPrivilege() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) return false;
    const __user_cap_data_struct& word = data[CAP_TO_INDEX(CAP_SYS_TIME)];
    return ((word.effective | word.permitted) & CAP_TO_MASK(CAP_SYS_TIME)) != 0;
}

std::string TimeServiceEvidence(const std::string& runRoot) {
    for (const char* trace : {"/systemd/timesync/synchronized", "/chrony/chronyd.pid",
                              "/chronyd.pid", "/ntpd.pid", "/ntpsec/ntpd.pid"}) {
        std::error_code ec;
        const std::string path = runRoot + trace;
        if (std::filesystem::exists(path, ec)) return path;
    }
    return "";
}

}  // namespace sonivex
