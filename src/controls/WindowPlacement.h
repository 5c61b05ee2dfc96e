// A window's position, size and state in the settings store, in twips, under the keys
// WindowLeft, WindowTop, WindowHeight, WindowWidth and WindowState followed by the window's suffix.
#pragma once

#include <string>

class QWidget;

namespace sonivex {

class SettingsStore;

constexpr int kWindowStateNormal = 0;
constexpr int kWindowStateMinimised = 1;
constexpr int kWindowStateMaximised = 2;

// Moves a window in the normal state to its stored position (an edge that is negative or past
// the screen becomes 0) and, with restoreSize, gives it its stored size; then applies the stored
// state. Missing keys default to what the window has now.
void RestoreWindowPlacement(QWidget& window, SettingsStore& store, const std::string& suffix,
                            bool restoreSize);
// Position and size only for a window in the normal state, so that a minimised or maximised
// window keeps the normal placement saved before; the state always.
void SaveWindowPlacement(const QWidget& window, SettingsStore& store, const std::string& suffix);

int WindowStateCode(const QWidget& window);
void ApplyWindowStateCode(QWidget& window, int state);  // an unknown code is logged and ignored

}  // namespace sonivex
