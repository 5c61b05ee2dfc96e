// The socket control's server side (bind, listen, accept), host names, and its texts.
#include <cstdint>
#include <map>

#include "mail/UC_WinSock.h"

namespace sonivex {

namespace {

constexpr int kBacklog = 1;

// Connections offered by a ConnectionRequest event, valid only while the event runs.
std::map<long, std::unique_ptr<TcpSocket>*> g_offered;
long g_nextRequest = 0;

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
    const int value = static_cast<int16_t>(code);
    for (const ErrorText& e : kErrorTexts)
        if (static_cast<int16_t>(e.code) == value) return e.text;
    return "未知のエラー: (" + std::to_string(value) + ")";
}

std::string SocketStateText(int state) {
    if (state < 0 || state > 9) return "";
    return kStateTexts[state];
}

void UC_WinSock::Bind(long localPort, const std::string& localIp) {
    if (handle_ != -1) return;
    listener_ = std::make_unique<TcpListener>();
    handle_ = NextHandle();
    // A name that cannot be found gives an address no interface has.
    std::string address = ResolveHostBlocking(localIp);
    if (address.empty()) address = "255.255.255.255";
    const int code = listener_->Bind(address, static_cast<int>(localPort));
    if (code == 0) return;
    const long handle = handle_;
    RaiseSocketError(code);
    if (handle_ == handle) CloseSocket();
    state_ = 0;
}

void UC_WinSock::Listen() {
    if (handle_ == -1) Bind(localPort_, LocalHostName());
    if (handle_ == -1) return;
    int code = !initialised_ ? 10093 : !listener_ ? 10056 : 0;
    if (code == 0) {
        const long handle = handle_;
        code = listener_->Listen(kBacklog, [this, handle](int event, int error) {
            CallBackWindow(kSocketMessage, handle, NotifyParam(event, error));
        });
    }
    if (code == 0) {
        state_ = 2;
        return;
    }
    const long handle = handle_;
    RaiseSocketError(code);
    state_ = 0;
    if (handle_ == handle) CloseSocket();
}

void UC_WinSock::AcceptPending() {
    if (!listener_) return;
    while (std::unique_ptr<TcpSocket> offered = listener_->TakePending()) {
        remoteHostIp_ = offered->PeerAddress();
        remotePort_ = offered->PeerPort();
        const long id = ++g_nextRequest;
        g_offered[id] = &offered;
        if (OnConnectionRequest) OnConnectionRequest(id);
        g_offered.erase(id);
        // Not taken by Accept: closed as it goes out of scope.
        if (!listener_) return;
    }
}

void UC_WinSock::Accept(long requestId) {
    if (handle_ != -1) return;
    const auto it = g_offered.find(requestId);
    if (!initialised_ || it == g_offered.end() || !*it->second) {
        RaiseSocketError(initialised_ ? 10038 : 10093);
        state_ = 0;
        return;
    }
    Adopt(std::move(*it->second));
    remoteHostIp_ = socket_->PeerAddress();
    remotePort_ = socket_->PeerPort();
    state_ = 7;
}

std::string UC_WinSock::LocalHostName() {
    const std::string name = LocalHostNameText();
    if (name.empty()) {
        const int before = state_;
        RaiseSocketError(10050);
        state_ = before;
    }
    return name;
}

std::string UC_WinSock::LocalIP() {
    return ResolveHostBlocking(LocalHostName());
}

}  // namespace sonivex
