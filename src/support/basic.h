// Common routines: date and time texts, event pumping, elapsed time, paths and files, message box.
#pragma once

#include <string>

namespace sonivex {

class MessageBoxService;

// parts: bit set 1 date, 2 time, 4 milliseconds (0 = 3). sepMode 0 "/"," ",":","."; 2 "-"," ","_","_";
// other: none. timeSource 0 clock, 2 23:59:59, 3 dayStart as a time, other 00:00:00.
// yearMode 0 four digits, 1 two, 2 none. dayStart: broadcast-day start in seconds.
std::string DateTimeText(int dayStart = 0, int dayOffset = 0, int sepMode = 0, int parts = 0,
                         int timeSource = 0, int yearMode = 0, double secOffset = 0);

// Seconds since midnight of the program clock, 0 .. 86399.999.
double TimeOfDaySeconds();

// Lets pending events run: once when ms <= 0, else until ms have passed (sleeping pauseMs between
// rounds). Re-entry is refused: a nested call returns at once.
void PumpEvents(int ms = 0, int pauseMs = 0);
bool PumpingEvents();  // true while PumpEvents runs

// Seconds since `start` (a time of day). mode 0: across midnight; a small step back gives 0.
double ElapsedSeconds(double start, int mode = 0);

// The data folder (the program folder of the classic layout), with a trailing '/'.
const std::string& AppPath();
void SetAppPath(const std::string& folder);

std::string AddSeparator(const std::string& path, int remove = 0);
int FolderExists(const std::string& path);
int MakeFolder(const std::string& path);  // one level; 1/0
int FileExists(const std::string& path);
std::string SplitPath(const std::string& path, bool folder, bool separator, bool baseName, bool dot,
                      bool extension, int caseMode = 0);
int IsReservedDeviceName(const std::string& path);
int DeleteFileSafe(const std::string& path);

// The process-wide message box; headless runs install one that logs and answers the default.
void SetMessageBoxService(MessageBoxService* service);
int CenteredMsgBox(const std::string& text, int flags, const std::string& title);

}  // namespace sonivex
