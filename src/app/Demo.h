// The built-in demo: a fresh data folder whose settings show a whole alert cycle within 30 s.
#pragma once

#include <string>

namespace sonivex {

// Creates a new demo folder under $TMPDIR (or /tmp), removing this user's older demo folders
// that no running demo holds; "" when it cannot.
std::string MakeDemoFolder();
// "" when --demo may write its settings into `folder` (missing, empty, or made by --demo);
// else why not: a station's folder would lose its settings and send real alert mail.
std::string DemoRefusal(const std::string& folder);
// Writes the demo settings into folder's sonivex.ini and marks the folder as a demo's; false
// when it cannot.
bool WriteDemoSettings(const std::string& folder);

}  // namespace sonivex
