// The interface box on USB HID, found by vendor and product id: its latch commands and inquiries.
// Transfers never wait longer than c_TimeoutMS, and the event loop runs while they wait.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/DeviceRoots.h"
#include "platform/Hidraw.h"

namespace sonivex {

// The interface box's vendor id (the product id comes from USBHIDID).
constexpr int kBoxVendorId = 0x1209;

class C_HID {
  public:
    explicit C_HID(DeviceRoots roots = {});
    ~C_HID();
    C_HID(const C_HID&) = delete;
    C_HID& operator=(const C_HID&) = delete;

    // 1 found and opened, 0 not: the first box with this product id (1 for pOpt below 2).
    int HidInit(int pOpt);
    void HidClose();
    // Port value 0..255, or -1 on failure.
    int VelmRead(int pIsState = 0, int pPort = 0);
    int VelmWrite(int pCommand, int pValue = 0);  // 1 sent, 0 not

    void TimeoutMS(int ms) { c_TimeoutMS = ms < kMinTimeoutMS ? kMinTimeoutMS : ms; }
    int ReceiveSize() const { return c_ReadLength; }
    int SendSize() const { return c_WriteLength; }
    std::string HIDFilename() const { return c_Path; }
    int WhileWriteFile() const { return c_WriteActive; }
    int WhileReadFile() const { return c_ReadActive; }
    bool IsOpen() const { return file_.IsOpen(); }
    // 0: a device that cannot be opened is not logged (it is being looked for again).
    void LogOpenFailures(int on) { c_LogOpenFailures = on; }
    // Boxes with another vendor id than ours; 0 = ours.
    void BoxVendorId(int id) { c_BoxVendorId = id > 0 ? id : kBoxVendorId; }

    static constexpr int kMinTimeoutMS = 50;
    static constexpr int kDefaultTimeoutMS = 500;

  private:
    // One emulated overlapped record: 0 inquiry write, 1 reply read, 2 command write.
    struct Record {
        bool pending = false;
        bool isRead = false;
        std::vector<uint8_t> report;  // what a pending write still has to send
        int count = 0;                // bytes moved when complete
    };
    enum class Poll { Complete, Pending, Failed };
    enum class Wait { Complete, Failed, TimedOut };

    void Opened(const HidrawNode& node);
    void Close(bool pump);
    int HidIO(int pIsRead, int pOl);
    Poll PollRecord(int pOl);
    Wait WaitRecord(int pOl, int limitMs);
    void CancelIo();
    void Lost();

    DeviceRoots roots_;
    HidrawFile file_;
    unsigned generation_ = 0;  // counts closes, so that a wait notices one made while it pumped
    std::string c_Path;
    bool c_Numbered = false;
    std::array<Record, 3> c_Ol{};
    int c_WriteLength = 0;
    int c_ReadLength = 0;
    std::vector<uint8_t> c_WriteBuffer;
    std::vector<uint8_t> c_ReadBuffer;
    int c_ReadActive = 0;
    int c_WriteActive = 0;
    int c_TimeoutMS = kDefaultTimeoutMS;
    int c_LogOpenFailures = 1;
    int c_BoxVendorId = kBoxVendorId;
};

}  // namespace sonivex
