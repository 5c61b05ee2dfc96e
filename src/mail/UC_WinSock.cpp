// The socket control: connection, data, notifications, and its texts.
#include "mail/UC_WinSock.h"

#include "support/basic.h"

namespace sonivex {

namespace {

constexpr unsigned kLowWord = 0xFFFF;
constexpr char kSource[] = "sonivex";

long NextHandle() {
    static long next = 1000;
    return ++next;
}

struct ErrorText {
    int code;
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {10004, "処理がキャンセルされました｡"},
    {10014, "要求されたアドレスはブロードキャスト アドレスですが、フラグが設定されていません。"},
    {10035, "ソケットはブロック化処理を行いませんが、指定された処理はブロック化を行います。"},
    {10036, "ブロック化を行う Winsock 処理が進行中です。"},
    {10037, "処理が完了しました。進行中のブロック化処理はありません。"},
    {10038, "記述子がソケットではありません。"},
    {10040, "データグラムが大きすぎてバッファ内に納まらず、切り詰められました。"},
    {10043, "指定したポートがサポートされていませ。"},
    {10048, "アドレスが使用中です。"},
    {10049, "アドレスをローカル マシンから取得できません。"},
    {10050, "ネットワーク サブシステムが失敗しました。"},
    {10051, "現時点ではこのホストからネットワークにアクセスできません。"},
    {10052, "SO_KEEPALIVE が設定されており、接続のタイムアウトが発生しました。"},
    {10053, "タイムアウトその他の不具合で接続処理が中止されました。"},
    {10054, "接続がリモート側のマシンからリセットされました。"},
    {10055, "使用できるバッファ領域がありません。"},
    {10056, "ソケットは既に接続されています。"},
    {10057, "ソケットは接続されていません。"},
    {10058, "ソケットは終了しています。"},
    {10060, "ソケットは終了しました｡"},
    {10061, "接続が強制的に拒絶されました。"},
    {10093, "まず WinsockInit を呼び出す必要があります。"},
    {11001, "正式応答。ホストが見つかりません。"},
    {11002, "非正式応答。ホストが見つかりません。"},
    {11003, "回復不能なエラーです。"},
    {11004, "名前は有効ですが、要求された型のデータ レコードがありません。"},
    {kTlsHandshakeFailed, "TLS の開始に失敗しました。"},
    {kTlsCertificateRejected, "サーバー証明書を検証できません。"},
    {kTlsNotAvailable, "TLS を利用できません。"},
};

constexpr const char* kStateTexts[] = {
    "(既定値) 閉じています。",
    "開いています｡",
    "接続要求を待っています。",
    "接続がペンディング状態になっています。",
    "ホストの解決処理中です。",
    "ホストの解決が完了しました。",
    "接続処理中です。",
    "接続が完了しました。",
    "相手側のマシンが接続を閉じようとしています。",
    "エラーが発生しました。",
};

}  // namespace

std::string SocketErrorText(int code) {
    for (const ErrorText& e : kErrorTexts)
        if (e.code == code) return e.text;
    return "未知のエラー: (" + std::to_string(code) + ")";
}

std::string SocketStateText(int state) {
    if (state < 0 || state > 9) return "";
    return kStateTexts[state];
}

long UC_WinSock::NotifyParam(int event, int error) {
    return static_cast<long>((static_cast<unsigned>(error) & kLowWord) << 16 |
                             (static_cast<unsigned>(event) & kLowWord));
}

UC_WinSock::UC_WinSock() {
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

void UC_WinSock::Connect(const std::string& remoteHost, long remotePort) {
    if (handle_ != -1) return;
    connectHost_ = remoteHost.empty() ? remoteHost_ : remoteHost;
    connectPort_ = remotePort != 0 ? remotePort : remotePort_;
    if (!initialised_) {
        RaiseSocketError(10093);
        state_ = 0;
        return;
    }
    socket_ = std::make_unique<TcpSocket>();
    handle_ = NextHandle();
    const long handle = handle_;
    socket_->SetNotify([this, handle](int event, int error) {
        CallBackWindow(kSocketMessage, handle, NotifyParam(event, error));
    });
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
    if (!sendBuffer_.empty() && socket_) {
        const std::string work = std::move(sendBuffer_);
        sendBuffer_.clear();
        if (socket_->Write(work) < 0) RaiseSocketError(socket_->LastError());
    }
    sendBuffer_.clear();
    timer1_.stop();
    return 1;
}

void UC_WinSock::SendData(const std::string& data) {
    if (!socket_ || data.empty()) return;
    // A block queued before this one still goes out first: nothing is replaced.
    sendBuffer_ += data;
    timer1_.start();
}

std::string UC_WinSock::GetData() {
    std::string data;
    data.swap(received_);
    return data;
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
