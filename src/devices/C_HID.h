// One USB HID device found by vendor and product id: the interface box's latch commands and
// inquiries, and the jog/shuttle controller's reports. Transfers never wait longer than
// c_TimeoutMS; in the overlapped sync modes (1, 2) the event loop runs while they wait.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/DeviceRoots.h"
#include "platform/Hidraw.h"

namespace sonivex {

// The interface box's vendor id (the product id comes from USBHIDID).
constexpr int kBoxVendorId = 0x1209;
constexpr int kShuttleVendorId = 0x0B33;
constexpr int kShuttleProductId = 0x0030;
constexpr int kModeShuttle = 1;
constexpr int kModeBox = 64;

class C_HID {
  public:
    explicit C_HID(DeviceRoots roots = {});
    ~C_HID();
    C_HID(const C_HID&) = delete;
    C_HID& operator=(const C_HID&) = delete;

    // 1 found and opened, 0 not. pIDOrder -1 takes any matching device, else the n-th one.
    int HidInit(int pMode, int pOpt = 0, int pSyncMode = 0, int pIDOrder = 0,
                const std::string& pHIDFilename = "");
    void HidClose();
    // Port value 0..255, or -1 on failure.
    int VelmRead(int pIsState = 0, int pZeroIfFF = 0, int pPort = 0);
    int VelmWrite(int pCommand, int pValue = 0);  // 1 sent, 0 not
    std::string ShuttlePro2Read();

    void ReadRetrialCount(int count) { c_ReadRetrial = count < 1 ? 1 : count; }
    int ReadRetrialCount() const { return c_ReadRetrial; }
    void TimeoutMS(int ms) { c_TimeoutMS = ms < kMinTimeoutMS ? kMinTimeoutMS : ms; }
    int TimeoutMS() const { return c_TimeoutMS; }
    void RaiseNotify(int on) { c_RaiseNotify = on; }
    void LogError(int on) { c_LogError = on; }
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

    // 0 read issued, 1 write issued, 2 waiting, 3 wait timed out (only with RaiseNotify set).
    std::function<void(int code)> NotifyProc;
    // Called once when the device goes away under a transfer; the device is closed by then.
    std::function<void(const std::string& path)> OnLost;

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
    int HidIO(int pIsRead, int pOl, int pNoWait);
    Poll Issue(int pOl, bool isRead);
    Poll PollRecord(int pOl);
    Wait WaitRecord(int pOl, int limitMs, bool pump, int64_t& tTakes);
    void CancelIo();
    void Lost();
    void Notify(int code);
    void Log(const std::string& text);
    bool Accept(const HidrawNode& node, int vendor, int product, int pIDOrder,
                const std::string& pHIDFilename, int& matching);
    int VelmReadPipelined(int pIsState, int pZeroIfFF, int pPort, int result);
    int AwaitInquiry(int result);
    int PipelineFailed(const std::string& text, const std::string& tail, int result);
    int Decode(int pIsState, int pZeroIfFF, int pPort);
    int SendInquiry(int pIsState, int pPort, int pNoWait);
    bool WaitForPipeline();
    std::string DecodeShuttle();
    std::string DecodeButtons();
    std::string DecodeJog();

    DeviceRoots roots_;
    HidrawFile file_;
    unsigned generation_ = 0;  // counts closes, so that a wait notices one made while it pumped
    std::string c_Path;
    int c_SyncMode = 0;
    bool c_Numbered = false;
    std::array<Record, 3> c_Ol{};
    int c_WriteLength = 0;
    int c_ReadLength = 0;
    std::vector<uint8_t> c_WriteBuffer;
    std::vector<uint8_t> c_ReadBuffer;
    int c_ReadActive = 0;
    int c_WriteActive = 0;
    int c_ReadRequested = 0;
    int c_ReadPolls = 0;
    int c_TimeoutMS = kDefaultTimeoutMS;
    int c_ReadRetrial = 6;
    int c_ErrorLoop = 0;
    std::array<int, 8> c_PortCache{};
    int c_InquirySent = 0;
    int c_InquiryCompleted = 0;
    std::vector<int> c_PrevReport;
    std::string c_LastShuttle;
    std::string c_LastButton;
    int c_LogError = 0;
    int c_RaiseNotify = 0;
    int c_LogOpenFailures = 1;
    int c_BoxVendorId = kBoxVendorId;
    int c_Mode = 0;
};

}  // namespace sonivex
