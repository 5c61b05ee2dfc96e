// C_HID: finding and opening the device, and single report transfers with a bounded wait.
#include "devices/C_HID.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kPollSliceMs = 5;        // how long one look at the device may sleep between pumps
constexpr size_t kMinBufferBytes = 8;  // report id, code, value and the jog/shuttle bytes

int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace

C_HID::C_HID(DeviceRoots roots) : roots_(std::move(roots)) {
    c_PortCache.fill(255);
}

C_HID::~C_HID() {
    Close(false);
}

int C_HID::HidInit(int pMode, int pOpt, int pSyncMode, int pIDOrder,
                   const std::string& pHIDFilename) {
    if (IsOpen()) HidClose();
    int vendor = 0, product = 0;
    if (pMode == kModeShuttle) {
        vendor = kShuttleVendorId;
        product = kShuttleProductId;
    } else if (pMode == kModeBox) {
        vendor = c_BoxVendorId;
        product = pOpt < 2 ? 1 : pOpt;
    } else {
        return 0;
    }
    c_Mode = pMode;
    c_SyncMode = pSyncMode;
    int matching = 0;
    for (const HidrawNode& node : EnumerateHidraw(roots_)) {
        if (node.vendor != vendor || node.product != product) continue;
        if (!file_.Open(roots_, node.path)) {
            if (!c_LogOpenFailures) continue;
            WriteLog(
                "HID open (HidInit) Failed r=" + std::to_string(file_.Error()) + " " + node.path,
                1);
            WriteLog("USB HID オープン失敗 " + node.path);
            continue;
        }
        const bool accepted = (pIDOrder == -1 || pIDOrder == matching) &&
                              (pHIDFilename.empty() || pHIDFilename == node.path);
        if (!accepted) {
            ++matching;
            file_.Close();
            continue;
        }
        Opened(node);
        return 1;
    }
    return 0;
}

void C_HID::Opened(const HidrawNode& node) {
    const HidReportLengths lengths = ParseReportDescriptor(node.descriptor);
    c_Numbered = lengths.numbered;
    c_ReadLength = std::max(0, lengths.input);
    c_WriteLength = c_ReadLength > 0 ? std::max(0, lengths.output) : 0;
    const size_t readBytes = std::max(kMinBufferBytes, static_cast<size_t>(c_ReadLength));
    c_ReadBuffer.assign(readBytes, 0);
    c_PrevReport.assign(readBytes, 0);
    if (c_Mode == kModeShuttle) c_PrevReport[1] = c_PrevReport[2] = -1;
    c_WriteBuffer.assign(std::max(kMinBufferBytes, static_cast<size_t>(c_WriteLength)), 0);
    c_ErrorLoop = 0;
    c_Path = node.path;
}

void C_HID::HidClose() {
    Close(true);
}

void C_HID::Close(bool pump) {
    c_ReadActive = c_WriteActive = 0;
    c_InquirySent = c_InquiryCompleted = c_ReadRequested = c_ReadPolls = c_ErrorLoop = 0;
    CancelIo();
    if (pump) PumpEvents();
    file_.Close();
    ++generation_;
    c_Path.clear();
    c_ReadLength = c_WriteLength = 0;
}

void C_HID::CancelIo() {
    for (Record& r : c_Ol) r = Record{};
}

void C_HID::Lost() {
    const std::string path = c_Path;
    WriteLog("HID read/write (HidIO) Failed r=" + std::to_string(file_.Error()) + " " + path, 1);
    WriteLog("USB HID 切断 " + path);
    Close(false);
    if (OnLost) OnLost(path);
}

void C_HID::Notify(int code) {
    if (c_RaiseNotify && NotifyProc) NotifyProc(code);
}

void C_HID::Log(const std::string& text) {
    if (c_LogError) WriteLog(text, 1);
}

C_HID::Poll C_HID::Issue(int pOl, bool isRead) {
    Record& r = c_Ol[pOl];
    r = Record{};
    r.isRead = isRead;
    r.pending = true;
    if (!isRead)
        r.report.assign(
            c_WriteBuffer.begin(),
            c_WriteBuffer.begin() + std::min<size_t>(c_WriteLength, c_WriteBuffer.size()));
    return PollRecord(pOl);
}

C_HID::Poll C_HID::PollRecord(int pOl) {
    Record& r = c_Ol[pOl];
    if (!r.pending) return Poll::Complete;
    HidIoState state;
    if (r.isRead) {
        state = file_.Read(c_ReadBuffer.data(), c_ReadBuffer.size(), c_Numbered, r.count);
    } else {
        state = file_.Write(r.report.data(), r.report.size());
        if (state == HidIoState::Done) r.count = static_cast<int>(r.report.size());
    }
    if (state == HidIoState::Pending) return Poll::Pending;
    r.pending = false;
    if (state == HidIoState::Done) return Poll::Complete;
    if (state == HidIoState::Lost) Lost();
    return Poll::Failed;
}

C_HID::Wait C_HID::WaitRecord(int pOl, int limitMs, bool pump, int64_t& tTakes) {
    const auto start = std::chrono::steady_clock::now();
    const unsigned generation = generation_;
    const bool isRead = c_Ol[pOl].isRead;
    for (;;) {
        const Poll p = PollRecord(pOl);
        if (generation != generation_ || p == Poll::Failed) return Wait::Failed;
        if (p == Poll::Complete) return Wait::Complete;
        tTakes = MsSince(start);
        if (tTakes > limitMs) return Wait::TimedOut;
        // The mail session, the window and the timers go on while the box thinks; a main-loop
        // tick that falls due in here is skipped by the tick itself.
        if (pump) PumpEvents();
        if (generation != generation_) return Wait::Failed;  // closed while events ran
        const int slice = static_cast<int>(std::min<int64_t>(kPollSliceMs, limitMs - tTakes + 1));
        if (!file_.Wait(isRead, slice)) {
            if (PollRecord(pOl) == Poll::Complete) return Wait::Complete;
            if (generation == generation_) Lost();
            return Wait::Failed;
        }
    }
}

int C_HID::HidIO(int pIsRead, int pOl, int pNoWait) {
    const int expected = pIsRead ? c_ReadLength : c_WriteLength;
    Notify(pIsRead ? 0 : 1);
    Poll p = Issue(pOl, pIsRead != 0);
    if (p == Poll::Failed) return 0;
    if (p == Poll::Pending) {
        if (pNoWait && c_SyncMode > 0) return 1;
        Notify(2);
        int64_t tTakes = 0;
        const Wait w = WaitRecord(pOl, c_TimeoutMS, c_SyncMode > 0, tTakes);
        if (w == Wait::Failed) return 0;
        if (w == Wait::TimedOut) {
            Log("HIDIO GetOverlappedResult TimeOut pIsRead=" + std::to_string(pIsRead) +
                " pOl=" + std::to_string(pOl) + " tTakes=" + std::to_string(tTakes) +
                " c_TimeoutMS=" + std::to_string(c_TimeoutMS));
            Notify(3);
            CancelIo();
            return 0;
        }
    }
    if (c_Ol[pOl].count >= expected) return 1;
    Log("HIDIO insufficient " + std::to_string(c_Ol[pOl].count) +
        " pIsRead=" + std::to_string(pIsRead));
    return 0;
}

}  // namespace sonivex
