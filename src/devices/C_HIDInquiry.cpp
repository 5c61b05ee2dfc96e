// C_HID: the interface box's inquiries (event and state of a port) and latch commands, in the
// waiting modes and in the pipelined mode that spreads one inquiry over several calls.
#include <string>

#include "devices/C_HID.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

namespace {

constexpr int kInquiryEvent = 0;
constexpr int kInquiryState = 255;
constexpr int kMaxErrorLoop = 3;
constexpr int kPipelineWaitMs = 2000;  // a command waits this long for an inquiry in flight
constexpr int kBoxReportBytes = 3;     // report id, code, value
constexpr int kGoOn = -1000;           // not a result: the call goes on

// Sets a flag for the life of a call, whichever way the call ends.
class Active {
  public:
    explicit Active(int& flag) : flag_(flag) { flag_ = 1; }
    ~Active() { flag_ = 0; }
    Active(const Active&) = delete;
    Active& operator=(const Active&) = delete;

  private:
    int& flag_;
};

}  // namespace

int C_HID::SendInquiry(int pIsState, int pPort, int pNoWait) {
    std::fill(c_WriteBuffer.begin(), c_WriteBuffer.end(), 0);
    c_WriteBuffer[1] = static_cast<uint8_t>(pIsState ? kInquiryState : kInquiryEvent);
    c_WriteBuffer[2] = static_cast<uint8_t>(pPort);
    for (int k = 0; k < kBoxReportBytes; ++k) c_ReadBuffer[k] = 0;
    return HidIO(0, 0, pNoWait);
}

int C_HID::Decode(int pIsState, int pZeroIfFF, int pPort) {
    if (c_ReadBuffer[1] != pPort) {
        Log("HID Port Different");
        return -1;
    }
    const int value = c_ReadBuffer[2];
    if (value < 255 || !pIsState || !pZeroIfFF) {
        if (pPort < static_cast<int>(c_PortCache.size())) c_PortCache[pPort] = value;
        return value;
    }
    return 0;
}

int C_HID::VelmRead(int pIsState, int pZeroIfFF, int pPort) {
    if (pPort < 0 || pPort > 255) return -1;
    const bool cached = pIsState && pPort < static_cast<int>(c_PortCache.size());
    const int result = cached ? c_PortCache[pPort] : 0;
    // A nested call would take the outer call's reply.
    if (c_WriteActive || c_ReadActive || !IsOpen()) return result;
    if (c_WriteLength < kBoxReportBytes || c_ReadLength < kBoxReportBytes) return -1;
    Active reading(c_ReadActive);
    PumpEvents();
    if (!IsOpen()) return -1;
    if (c_SyncMode == 2) return VelmReadPipelined(pIsState, pZeroIfFF, pPort, result);
    if (!SendInquiry(pIsState, pPort, 0)) {
        Log("HID InquiryRequst err");
        return -1;
    }
    const int got = HidIO(1, 1, 0);
    c_InquirySent = c_InquiryCompleted = 0;
    if (!got) {
        CancelIo();
        Log("HID ReadRequest err1");
        return -1;
    }
    return Decode(pIsState, pZeroIfFF, pPort);
}

int C_HID::PipelineFailed(const std::string& text, const std::string& tail, int result) {
    CancelIo();
    c_InquirySent = c_InquiryCompleted = c_ReadRequested = c_ReadPolls = 0;
    if (++c_ErrorLoop < kMaxErrorLoop) return result;
    Log(text + std::to_string(c_ErrorLoop) + tail);
    return -1;
}

int C_HID::AwaitInquiry(int result) {
    if (!c_InquirySent || c_InquiryCompleted) return kGoOn;
    int64_t tTakes = 0;
    const Wait w = WaitRecord(0, c_TimeoutMS, true, tTakes);
    if (w == Wait::Failed) return -1;
    if (w == Wait::TimedOut) {
        Log("HID VelmRead InquirySent TimeOut tTakes=" + std::to_string(tTakes) +
            " c_TimeoutMS=" + std::to_string(c_TimeoutMS));
        return PipelineFailed("HID VelmRead InquirySent c_ErrorLoop=",
                              " c_TimeoutMS=" + std::to_string(c_TimeoutMS), result);
    }
    c_InquiryCompleted = 1;
    return kGoOn;
}

int C_HID::VelmReadPipelined(int pIsState, int pZeroIfFF, int pPort, int result) {
    const bool sentEarlier = c_InquirySent != 0;
    const int early = AwaitInquiry(result);
    if (early != kGoOn) return early;
    if (!c_InquirySent) {
        Log("HID Inquiry Not Requsted");
        if (!SendInquiry(pIsState, pPort, 1)) return -1;
        c_InquirySent = 1;
        c_InquiryCompleted = c_Ol[0].pending ? 0 : 1;
    }
    if (!c_ReadRequested) {
        if (!HidIO(1, 1, 1)) {
            Log("HID ReadRequest err2");
            return -1;
        }
        c_ReadRequested = 1;
        c_ReadPolls = 0;
    }
    ++c_ReadPolls;
    const Poll p = PollRecord(1);
    if (p == Poll::Failed) return -1;
    if (p == Poll::Pending) {
        if (c_ReadPolls <= c_ReadRetrial) return result;
        return PipelineFailed(
            "HID ReadTried Over c_ErrorLoop=", " ReadTried=" + std::to_string(c_ReadPolls), result);
    }
    c_InquirySent = c_InquiryCompleted = c_ReadRequested = c_ReadPolls = c_ErrorLoop = 0;
    const int value = Decode(pIsState, pZeroIfFF, pPort);
    if (sentEarlier && SendInquiry(pIsState, pPort, 1)) {
        c_InquirySent = 1;
        c_InquiryCompleted = c_Ol[0].pending ? 0 : 1;
    }
    return value;
}

bool C_HID::WaitForPipeline() {
    int64_t tTakes = 0;
    if (c_InquirySent && !c_InquiryCompleted) {
        if (WaitRecord(0, kPipelineWaitMs, true, tTakes) != Wait::Complete) {
            Log("VelmWrite wait for InquirySent Err");
            return false;
        }
        c_InquiryCompleted = 1;
    }
    if (c_ReadRequested && WaitRecord(1, kPipelineWaitMs, true, tTakes) != Wait::Complete) {
        Log("VelmWrite wait for ReadRequested Err");
        return false;
    }
    return true;
}

int C_HID::VelmWrite(int pCommand, int pValue) {
    if (!IsOpen() || pCommand <= 0 || pCommand >= 255 || c_WriteLength < kBoxReportBytes) return 0;
    Active writing(c_WriteActive);
    PumpEvents();
    if (!IsOpen()) return 0;
    if (c_SyncMode == 2 && !WaitForPipeline()) return 0;
    std::fill(c_WriteBuffer.begin(), c_WriteBuffer.end(), 0);
    c_WriteBuffer[1] = static_cast<uint8_t>(pCommand);
    c_WriteBuffer[2] = static_cast<uint8_t>(pValue);
    return HidIO(0, 2, 0);
}

}  // namespace sonivex
