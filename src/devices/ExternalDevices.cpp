// Opening the external devices from the settings, and what --list-devices shows of them.
#include "devices/ExternalDevices.h"

#include <cstdio>
#include <sstream>

#include "devices/FCT_Serial.h"
#include "monitor/SettingsStore.h"
#include "platform/ClockPrivilege.h"
#include "platform/Hidraw.h"
#include "platform/MessageBox.h"
#include "platform/SerialPort.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kFirstOffCode = 101;
constexpr int kLastOffCode = 108;
constexpr char kHidNotFound[] = "velmarok USB HID not found";

std::string IdText(int vendor, int product) {
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", vendor & 0xFFFF, product & 0xFFFF);
    return text;
}

// Corrections that the clock will not keep are worth a line at start-up, not a surprise later.
void WarnAboutCorrections(const MonitorSettings& s) {
    if (s.adjustPin1 == 0 && s.adjustPin2 == 0 && s.useBCD == 0) return;
    if (!HoldsClockPrivilege()) WriteLog("時刻修正の権限がありません (CAP_SYS_TIME)");
    const std::string daemon = TimeServiceEvidence();
    if (!daemon.empty()) WriteLog("時刻同期サービスが時刻修正を戻します (" + daemon + ")");
}

SerialSettings SerialSettingsOf(const MonitorSettings& s, const std::string& devRoot) {
    SerialSettings settings;
    settings.comNo = s.comNo;
    settings.comBaud = s.comBaud;
    settings.comDevice = s.comDevice;
    settings.langMode = s.langMode;
    settings.devRoot = devRoot;
    return settings;
}

}  // namespace

void SerialLink::InitSerial(const MonitorSettings& s, bool quiet) {
    useBCD_ = s.useBCD;
    open_ = false;
    SerialSettings settings = SerialSettingsOf(s, roots_.dev);
    settings.quiet = quiet;
    open_ = OpenSerial(port_, useBCD_ != 0 ? 1 : 0, settings) == 1;
}

std::string SerialLink::Name(const MonitorSettings& s) const {
    return SerialPath(SerialSettingsOf(s, roots_.dev), s.comNo);
}

void SerialLink::SendCode(int code) {
    if (!IsOpen() || useBCD_ != 0) return;
    const uint8_t byte = static_cast<uint8_t>(code);
    port_->SendDataB(&byte, 1);
}

void HidLink::InitHID(const MonitorSettings& s, bool quiet) {
    if (hid_) hid_->HidClose();
    open_ = false;
    if (s.usbHidId == 0) return;
    if (!hid_) hid_ = std::make_unique<C_HID>(roots_);
    hid_->BoxVendorId(s.usbHidVendor);
    hid_->LogOpenFailures(quiet ? 0 : 1);
    if (hid_->HidInit(s.usbHidId) != 1) {
        if (!quiet) CenteredMsgBox(kHidNotFound, MB_ICONSTOP, "sonivex");
        return;
    }
    open_ = true;
    latch_ = s.usbHidLatch;
    for (int code = kFirstOffCode; code <= kLastOffCode; ++code) hid_->VelmWrite(code);
}

void HidLink::SendCode(int code) {
    if (IsOpen()) hid_->VelmWrite(code);
}

void HidLink::Close() {
    if (hid_) hid_->HidClose();
    open_ = false;
}

void ExternalDevices::Reopen(const MonitorSettings& s) {
    if (control) {
        control->Reopen(s);
        return;
    }
    if (serial) serial->InitSerial(s);
    if (hid) hid->InitHID(s);
}

ExternalDevices OpenExternalDevices(const MonitorSettings& s, const DeviceRoots& roots) {
    ExternalDevices d;
    d.serial = std::make_unique<SerialLink>(roots);
    d.hid = std::make_unique<HidLink>(roots);
    d.serial->InitSerial(s);
    d.hid->InitHID(s);
    d.control = std::make_unique<ExternalInputs>(d.serial.get(), d.hid.get());
    WarnAboutCorrections(s);
    return d;
}

ExternalDevices OpenExternalDevices(SettingsStore& store, const DeviceRoots& roots) {
    MonitorSettings s;
    store.Hold();
    ReadLanguage(store, s);
    ReadDevices(store, s);
    store.Release();
    return OpenExternalDevices(s, roots);
}

std::string ListExternalDevices(const DeviceRoots& roots) {
    std::ostringstream out;
    out << "serial ports:\n";
    const std::vector<SerialPortInfo> ports = ListSerialPorts(roots);
    if (ports.empty()) out << "  none\n";
    for (const SerialPortInfo& p : ports) {
        out << "  " << p.path;
        if (p.comNo > 0) out << "  (ComNo " << p.comNo << ")";
        if (!p.alias.empty()) out << "  [" << p.alias << "]";
        out << "\n";
    }
    out << "HID devices:\n";
    const std::vector<HidrawNode> nodes = EnumerateHidraw(roots);
    if (nodes.empty()) out << "  none\n";
    for (const HidrawNode& n : nodes) {
        out << "  " << n.path << "  " << IdText(n.vendor, n.product) << "  " << n.name;
        if (n.vendor == kBoxVendorId) out << "  (USBHIDID " << n.product << ")";
        out << "\n";
    }
    return out.str();
}

}  // namespace sonivex
