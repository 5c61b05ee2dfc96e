// hidraw devices: enumeration through sysfs, report lengths from the report descriptor, and one
// open device node moving whole reports without blocking.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DeviceRoots.h"

namespace sonivex {

// Report lengths as the classic HID API gives them: the longest report of each kind in bytes
// plus the report-id byte; 0 when the device has no report of that kind.
struct HidReportLengths {
    int input = 0;
    int output = 0;
    int feature = 0;
    bool numbered = false;  // the descriptor declares report ids
};

HidReportLengths ParseReportDescriptor(const std::vector<uint8_t>& descriptor);

struct HidrawNode {
    std::string path;  // the device node, e.g. /dev/hidraw0
    int bus = 0;
    int vendor = 0;
    int product = 0;
    std::string name;  // as the device names itself
    std::vector<uint8_t> descriptor;
};

// Every hidrawN of the sysfs tree, in number order (hidraw2 before hidraw10). Entries whose
// description cannot be read are left out.
std::vector<HidrawNode> EnumerateHidraw(const DeviceRoots& roots);

// The outcome of one non-blocking transfer.
enum class HidIoState { Done, Pending, Failed, Lost };  // Lost: the device has gone

class HidrawFile {
  public:
    HidrawFile() = default;
    ~HidrawFile() { Close(); }
    HidrawFile(const HidrawFile&) = delete;
    HidrawFile& operator=(const HidrawFile&) = delete;

    // Read-write, else read-only; false with Error() set when neither works.
    bool Open(const DeviceRoots& roots, const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Error() const { return error_; }  // errno of the last failure

    // One output report, report id first (0 for unnumbered reports).
    HidIoState Write(const uint8_t* report, size_t length);
    // One input report into report[0..length); an unnumbered report gets its 0 id byte put in
    // front, so that the layout is the same either way. count = bytes including that byte.
    HidIoState Read(uint8_t* report, size_t length, bool numbered, int& count);
    // Waits at most timeoutMs for the node to become readable (or writable); false when the
    // device has gone.
    bool Wait(bool forRead, int timeoutMs);

  private:
    HidIoState Failed(int error);

    int fd_ = -1;
    int error_ = 0;
};

}  // namespace sonivex
