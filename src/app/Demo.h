// The built-in demo: a fresh data folder whose settings show a whole alert cycle within 30 s.
#pragma once

#include <string>

namespace sonivex {

// Creates a new demo folder under the system's temporary folder; "" when it cannot.
std::string MakeDemoFolder();
// Writes the demo settings into folder's sonivex.ini; false when it cannot.
bool WriteDemoSettings(const std::string& folder);

}  // namespace sonivex
