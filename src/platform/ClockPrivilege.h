// Whether this process may set the clock, and whether a time service would set it back.
#pragma once

#include <string>

namespace sonivex {

// True when CAP_SYS_TIME is in the effective or permitted set: the process may set the clock.
bool HoldsClockPrivilege();

// What shows that an NTP daemon keeps the clock (a file of systemd-timesyncd, chrony or ntpd
// under runRoot), or "" when none does.
std::string TimeServiceEvidence(const std::string& runRoot = "/run");

}  // namespace sonivex
