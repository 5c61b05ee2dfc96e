// The HID box and the serial port as the monitor sees them (latch outputs), the external control
// inputs with the clock correction (the first step of every tick), and the factory that opens
// them from the settings.
#pragma once

#include <memory>
#include <string>

#include "devices/C_Com.h"
#include "devices/C_HID.h"
#include "devices/ExternalInputs.h"
#include "monitor/MonitorSettings.h"
#include "monitor/Outlets.h"
#include "platform/DeviceRoots.h"

namespace sonivex {

class SettingsStore;

class SerialLink : public LatchOutput {
  public:
    explicit SerialLink(DeviceRoots roots = {}) : roots_(std::move(roots)) {}
    // Opens (or reopens) the port the settings name; a message box when it cannot be opened,
    // unless quiet.
    void InitSerial(const MonitorSettings& s, bool quiet = false);
    bool IsOpen() const override { return open_ && port_ && port_->IsOpen(); }
    bool Busy() const { return port_ && port_->Receiving(); }
    std::string Name(const MonitorSettings& s) const;  // the configured port; "" for none
    void SendCode(int code) override;                  // one byte, code-byte mode only
    C_Com* Port() { return port_.get(); }

  private:
    DeviceRoots roots_;
    std::unique_ptr<C_Com> port_;
    bool open_ = false;
    int useBCD_ = 0;
};

class HidLink : public LatchOutput {
  public:
    explicit HidLink(DeviceRoots roots = {}) : roots_(std::move(roots)) {}
    // Finds and opens the box USBHIDID names and switches its outputs off; a message box when
    // it is not there, unless quiet.
    void InitHID(const MonitorSettings& s, bool quiet = false);
    bool IsOpen() const override { return open_ && hid_ && hid_->IsOpen(); }
    bool Busy() const { return hid_ && (hid_->WhileReadFile() || hid_->WhileWriteFile()); }
    void SendCode(int code) override;
    void Close();
    C_HID* Device() { return hid_.get(); }
    int Latch() const { return latch_; }  // USBHID_Latch: 0 events, 1 levels

  private:
    DeviceRoots roots_;
    std::unique_ptr<C_HID> hid_;
    bool open_ = false;
    int latch_ = 1;
};

struct ExternalDevices {
    std::unique_ptr<SerialLink> serial;
    std::unique_ptr<HidLink> hid;
    std::unique_ptr<ExternalInputs> control;

    // After the settings dialog: both reopened from the new settings, pause flags kept; at the
    // next tick when a read or write is under way.
    void Reopen(const MonitorSettings& s);
};

// The serial port, then the HID box, as the settings say; warns when clock corrections are
// configured but cannot last (no privilege, or a time daemon that sets the clock back).
ExternalDevices OpenExternalDevices(const MonitorSettings& s, const DeviceRoots& roots = {});
// The same, reading the device keys (and the text language) from the store first.
ExternalDevices OpenExternalDevices(SettingsStore& store, const DeviceRoots& roots = {});

// For --list-devices: serial ports and HID devices, one per line.
std::string ListExternalDevices(const DeviceRoots& roots = {});

}  // namespace sonivex
