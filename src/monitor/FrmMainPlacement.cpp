// The main window's position and state, kept in the settings store in twips.
#include "controls/WindowPlacement.h"
#include "monitor/FrmMain.h"

namespace sonivex {

// Position and state only: the size always follows from the layout.
void FrmMain::RestorePlacement(SettingsStore& store) {
    RestoreWindowPlacement(*this, store, "", false);
}

void FrmMain::SavePlacement(SettingsStore& store) {
    SaveWindowPlacement(*this, store, "");
}

}  // namespace sonivex
