// What the monitor shows: the window draws it; headless runs show nothing (every call is a no-op).
#pragma once

#include <string>

namespace sonivex {

struct MonitorSettings;
class SettingsStore;

struct ChannelLevel {
    float rmsDB = -99.9f;
    float peakDB = -110.0f;
    std::string text = "-∞";
};

class MonitorView {
  public:
    virtual ~MonitorView() = default;
    virtual void SetCaption(const std::string& /*caption*/) {}
    // Builds the rows once the display settings are read (inputs, scale, meter reference).
    virtual void Layout(const MonitorSettings& /*settings*/) {}
    // Window position and state from the store, and back (the window keys).
    virtual void RestorePlacement(SettingsStore& /*store*/) {}
    virtual void SavePlacement(SettingsStore& /*store*/) {}
    // Colour set 0 idle/normal, 1 monitoring (audit button) or alert (alert button).
    virtual void SetAuditColour(int /*i*/, int /*set*/) {}
    virtual void SetAlertColour(int /*i*/, int /*set*/) {}
    virtual void SetAlertText(int /*i*/, const std::string& /*text*/) {}
    virtual void ResetMeter(int /*i*/) {}
    virtual void ShowLevels(int /*i*/, const ChannelLevel& /*left*/,
                            const ChannelLevel& /*right*/) {}
    virtual void PrintName(int /*i*/, const std::string& /*name*/) {}
    virtual void ShowClock(const std::string& /*line0*/, const std::string& /*line1*/) {}
    // Configured external devices that are not there ("" when all are), until they are back.
    virtual void ShowMissingDevices(const std::string& /*missing*/) {}
};

}  // namespace sonivex
