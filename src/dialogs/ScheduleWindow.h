// The schedule window opened from the main window's menu.
#pragma once

namespace sonivex {

class FrmMain;
class Monitor;
class SettingsStore;

// The menu shows the schedule window, created at its first use and owned by the main window;
// it does nothing when the monitor has no table of its own (a schedule source was given). The
// window goes (saving its column widths and placement) when the application is about to quit,
// while the monitor and the store still exist, or else with the main window.
void AttachScheduleWindow(FrmMain& window, Monitor& monitor, SettingsStore& store);

}  // namespace sonivex
