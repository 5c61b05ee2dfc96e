// C_HID: finding and opening the device, and single report transfers with a bounded wait.
#include "devices/C_HID.h"

#include <algorithm>
#include <chrono>

#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kPollSliceMs = 5;        // how long one look at the device may sleep between pumps
constexpr size_t kMinBufferBytes = 3;  // report id, code, value

int64_t MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

}  // namespace

C_HID::C_HID(DeviceRoots roots) : roots_(std::move(roots)) {}

C_HID::~C_HID() {
    Close(false);
}

int C_HID::HidInit(int pOpt) {
    if (IsOpen()) HidClose();
    const int product = pOpt < 2 ? 1 : pOpt;
    for (const HidrawNode& node : EnumerateHidraw(roots_)) {
        if (node.vendor != c_BoxVendorId || node.product != product) continue;
        if (file_.Open(roots_, node.path)) {
            Opened(node);
            return 1;
        }
        if (!c_LogOpenFailures) continue;
        WriteLog("HID open (HidInit) Failed r=" + std::to_string(file_.Error()) + " " + node.path,
                 1);
        WriteLog("USB HID オープン失敗 " + node.path);
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
    c_WriteBuffer.assign(std::max(kMinBufferBytes, static_cast<size_t>(c_WriteLength)), 0);
    c_Path = node.path;
}

void C_HID::HidClose() {
    Close(true);
}

void C_HID::Close(bool pump) {
    c_ReadActive = c_WriteActive = 0;
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

C_HID::Wait C_HID::WaitRecord(int pOl, int limitMs) {
    const auto start = std::chrono::steady_clock::now();
    const unsigned generation = generation_;
    const bool isRead = c_Ol[pOl].isRead;
    for (;;) {
        const Poll p = PollRecord(pOl);
        if (generation != generation_ || p == Poll::Failed) return Wait::Failed;
        if (p == Poll::Complete) return Wait::Complete;
        const int64_t tTakes = MsSince(start);
        if (tTakes > limitMs) return Wait::TimedOut;
        // The mail session, the window and the timers go on while the box thinks; a main-loop
        // tick that falls due in here is skipped by the tick itself.
        PumpEvents();
        if (generation != generation_) return Wait::Failed;  // closed while events ran
        const int slice = static_cast<int>(std::min<int64_t>(kPollSliceMs, limitMs - tTakes + 1));
        if (!file_.Wait(isRead, slice)) {
            if (PollRecord(pOl) == Poll::Complete) return Wait::Complete;
            if (generation == generation_) Lost();
            return Wait::Failed;
        }
    }
}

int C_HID::HidIO(int pIsRead, int pOl) {
    Record& r = c_Ol[pOl];
    r = Record{};
    r.isRead = pIsRead != 0;
    r.pending = true;
    if (!pIsRead)
        r.report.assign(
            c_WriteBuffer.begin(),
            c_WriteBuffer.begin() + std::min<size_t>(c_WriteLength, c_WriteBuffer.size()));
    const Poll p = PollRecord(pOl);
    if (p == Poll::Failed) return 0;
    if (p == Poll::Pending) {
        const Wait w = WaitRecord(pOl, c_TimeoutMS);
        if (w == Wait::Failed) return 0;
        if (w == Wait::TimedOut) {
            CancelIo();
            return 0;
        }
    }
    return c_Ol[pOl].count >= (pIsRead ? c_ReadLength : c_WriteLength) ? 1 : 0;
}

}  // namespace sonivex
