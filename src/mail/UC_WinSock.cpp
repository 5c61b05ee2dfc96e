// The socket control's client side, data and notifications.
#include "mail/UC_WinSock.h"

#include "support/basic.h"

namespace sonivex {

namespace {

constexpr unsigned kLowWord = 0xFFFF;
constexpr char kSource[] = "sonivex";

}  // namespace

long UC_WinSock::NextHandle() {
    static long next = 1000;
    return ++next;
}

long UC_WinSock::NotifyParam(int event, int error) {
    return static_cast<long>((static_cast<unsigned>(error) & kLowWord) << 16 |
                             (static_cast<unsigned>(event) & kLowWord));
}

UC_WinSock::UC_WinSock() : hwnd_(NextHandle()) {
    timer1_.setSingleShot(true);
    timer1_.setInterval(0);
    QObject::connect(&timer1_, &QTimer::timeout, [this] { CallBackThreadProc(); });
}

UC_WinSock::~UC_WinSock() {
    lookup_.Abort();
    DisConnect();
}

void UC_WinSock::Init() {
    initialised_ = true;
}

void UC_WinSock::Adopt(std::unique_ptr<TcpSocket> socket) {
    socket_ = std::move(socket);
    handle_ = NextHandle();
    const long handle = handle_;
    socket_->SetNotify([this, handle](int event, int error) {
        CallBackWindow(kSocketMessage, handle, NotifyParam(event, error));
    });
}

void UC_WinSock::Connect(const std::string& remoteHost, long remotePort) {
    if (handle_ != -1) return;
    connectHost_ = remoteHost.empty() ? remoteHost_ : remoteHost;
    connectPort_ = remotePort != 0 ? remotePort : remotePort_;
    if (!initialised_) {
        RaiseSocketError(10093);
        state_ = 0;
        return;
    }
    Adopt(std::make_unique<TcpSocket>());
    state_ = 4;
    if (IsDottedIPv4(connectHost_)) {
        ConnectTo(connectHost_);
        return;
    }
    lookupTask_ = lookup_.Start(connectHost_, [this](int error, const std::string& address) {
        lookupAddress_ = address;
        CallBackWindow(kLookupMessage, lookupTask_, NotifyParam(0, error));
    });
}

void UC_WinSock::ConnectTo(const std::string& address) {
    state_ = 6;
    socket_->ConnectTo(address, static_cast<int>(connectPort_));
}

bool UC_WinSock::StartTls(const TlsOptions& options) {
    if (!socket_ || state_ != 7) return false;
    if (socket_->StartClientTls(options)) return true;
    RaiseSocketError(socket_->LastError());
    return false;
}

long UC_WinSock::CallBackWindow(unsigned msg, long wParam, long lParam) {
    const int error = static_cast<int>((static_cast<unsigned long>(lParam) >> 16) & kLowWord);
    if (msg == kSocketMessage && handle_ != -1 && wParam == handle_) {
        OnSocketEvent(static_cast<int>(lParam & kLowWord), error);
    } else if (msg == kLookupMessage && lookupTask_ != 0 && wParam == lookupTask_) {
        lookupTask_ = 0;
        OnLookupDone(error);
    }
    return 0;
}

void UC_WinSock::OnSocketEvent(int event, int error) {
    const long handle = handle_;
    switch (event) {
        case kFdRead:
            if (error != 0)
                RaiseSocketError(error);
            else
                ReceivePending();
            break;
        case kFdAccept:
            AcceptPending();
            break;
        case kFdConnect:
            if (error != 0) {
                RaiseSocketError(error);
                if (handle_ == handle) CloseSocket();
                state_ = 0;
            } else {
                state_ = 7;
                if (OnConnect) OnConnect();
            }
            break;
        case kFdClose:
            state_ = 8;
            if (OnDisConnect) OnDisConnect();
            state_ = 0;
            break;
        case kFdEncrypted:
            if (OnEncrypted) OnEncrypted();
            break;
        default:
            break;
    }
}

void UC_WinSock::OnLookupDone(int error) {
    if (handle_ == -1) return;  // closed while the look-up ran
    if (error != 0) {
        const long handle = handle_;
        RaiseSocketError(error);
        if (handle_ == handle) CloseSocket();
        state_ = 0;
        return;
    }
    ConnectTo(lookupAddress_);
}

void UC_WinSock::ReceivePending() {
    const long handle = handle_;
    do {
        if (!socket_) return;
        const int64_t n = socket_->Read(received_, kReceiveChunkBytes);
        if (n < 0) {
            RaiseSocketError(socket_->LastError() ? socket_->LastError() : 10057);
            return;
        }
        // Raised for an empty read too, with the unchanged total.
        if (OnDataArrival) OnDataArrival(BytesReceived());
        // Qt announces new data once: whatever is left is read now.
    } while (handle_ == handle && socket_ && socket_->BytesAvailable() > 0);
}

long UC_WinSock::CallBackThreadProc() {
    const long total = static_cast<long>(sendBuffer_.size());
    if (total >= 1 && socket_) {
        const std::string work = std::move(sendBuffer_);
        sendBuffer_.clear();
        const int64_t n = socket_->Write(work);
        if (n < 0) {
            RaiseSocketError(socket_->LastError());
        } else if (OnSendProgress) {
            OnSendProgress(static_cast<long>(n), total - static_cast<long>(n));
        }
        sendCompleted_ = 1;
        if (OnSendComplete) OnSendComplete();
    }
    sendBuffer_.clear();
    timer1_.stop();
    return 1;
}

void UC_WinSock::SendData(const std::string& data) {
    sendCompleted_ = 0;
    if (!socket_ || data.empty()) return;
    // A block queued before this one still goes out first: nothing is replaced.
    sendBuffer_ += data;
    timer1_.start();
}

void UC_WinSock::ReadData(std::string& data, int type, long& maxLen) const {
    const long len = BytesReceived();
    if (maxLen < 1 || maxLen > len) maxLen = len;
    if (type == kVbString || type == kVbByteArray)
        data = received_.substr(0, static_cast<size_t>(maxLen));
    else
        data.clear();
}

void UC_WinSock::PeekData(std::string& data, int type, long& maxLen) {
    if (handle_ == -1) return;
    ReadData(data, type, maxLen);
}

void UC_WinSock::GetData(std::string& data, int type, long& maxLen) {
    if (handle_ == -1) return;
    ReadData(data, type, maxLen);
    if (type == kVbString || type == kVbByteArray) received_.clear();
}

void UC_WinSock::DisConnect() {
    // A look-up still running would otherwise connect a control that was told to close.
    lookup_.Abort();
    lookupTask_ = 0;
    if (handle_ == -1) return;
    CloseSocket();
    state_ = 0;
}

void UC_WinSock::CloseSocket() {
    handle_ = -1;
    socket_.reset();
    listener_.reset();
    received_.clear();
    sendBuffer_.clear();
    timer1_.stop();
}

void UC_WinSock::RaiseSocketError(int code) {
    ErrorArgs args;
    args.number = code;
    args.description = SocketErrorText(code);
    if (code >= kTlsHandshakeFailed && code <= kTlsNotAvailable && socket_ &&
        !socket_->TlsDetail().empty())
        args.description += " (" + socket_->TlsDetail() + ")";
    args.source = kSource;
    state_ = 9;
    if (OnError) OnError(args);
    if (!args.cancelDisplay) CenteredMsgBox(args.description, 0, args.source);
}

}  // namespace sonivex
