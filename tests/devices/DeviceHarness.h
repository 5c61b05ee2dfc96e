// The whole monitor with the real external devices opened from its settings during its start-up,
// as the program opens them: the HID box on the hidraw test double, the serial port on a
// pseudo-terminal.
#pragma once

#include <string>

#include "devices/ExternalDevices.h"
#include "monitor/MonitorHarness.h"

namespace sonivex::testing {

class DeviceHarness : public MonitorHarness {
  public:
    using MonitorHarness::MonitorHarness;
    ~DeviceHarness() { monitor.reset(); }  // the monitor's shutdown still uses the devices

    void StartOn(const DeviceRoots& roots) {
        Start(false, [this, roots](MonitorParts& parts) {
            parts.openDevices = [this, roots](const MonitorSettings& s, MonitorParts& p) {
                devices = OpenExternalDevices(s, roots);
                p.hid = devices.hid.get();
                p.serial = devices.serial.get();
                p.external = devices.control.get();
            };
        });
    }
    // Two inputs watched from start-up, both silent unless told otherwise; short times.
    void TwoInputs(const std::string& first = "silence 1000",
                   const std::string& second = "silence 1000") {
        Set("NumRec", "1");
        SimInputs(2);
        Set("AutoRec", "1");
        Set("MuonSec", "1");
        Set("HukkiSec", "1");
        Set("SimSignal_1", first);
        Set("SimSignal_2", second);
    }
    std::array<int, 2> Paused() const {
        return {monitor->ExternalPause[0], monitor->ExternalPause[1]};
    }

    ExternalDevices devices;
};

}  // namespace sonivex::testing
