// The socket control: one TCP client socket as an event-driven object with the classic states and
// their texts, events, Winsock error codes and texts, and TLS on request.
#pragma once

#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "platform/TcpSocket.h"

namespace sonivex {

constexpr unsigned kSocketMessage = 1025;  // a socket notification
constexpr unsigned kLookupMessage = 1026;  // the end of a host look-up
constexpr long kReceiveChunkBytes = 20000;

// The text of a Winsock error code or one of our TLS codes.
std::string SocketErrorText(int code);
// The text of a State value; "" for values outside 0..9.
std::string SocketStateText(int state);

class UC_WinSock {
  public:
    struct ErrorArgs {
        int number = 0;
        std::string description;
        long scode = 0;
        std::string source;
        std::string helpFile;
        long helpContext = 0;
        bool cancelDisplay = true;  // a handler that clears it gets the text in a message box
    };

    UC_WinSock();
    ~UC_WinSock();
    UC_WinSock(const UC_WinSock&) = delete;
    UC_WinSock& operator=(const UC_WinSock&) = delete;

    // Events; a handler may call back into the control (DisConnect included).
    std::function<void()> OnConnect;
    std::function<void()> OnDisConnect;
    std::function<void(ErrorArgs&)> OnError;
    std::function<void(long bytesTotal)> OnDataArrival;
    std::function<void()> OnEncrypted;  // the TLS handshake that StartTls began has finished

    void Init();
    int State() const { return state_; }
    std::string StateMessage() const { return SocketStateText(state_); }
    // The message entry: notifications arrive here as (message, socket or task, error << 16 |
    // event). Always 0.
    long CallBackWindow(unsigned msg, long wParam, long lParam);
    // The send tick: sends the queued block. Always 1.
    long CallBackThreadProc();

    long BytesReceived() const { return static_cast<long>(received_.size()); }
    // Takes every byte received so far.
    std::string GetData();
    void SendData(const std::string& data);
    void DisConnect();
    void Connect(const std::string& remoteHost = "", long remotePort = 0);
    // Starts TLS on the connected socket; OnEncrypted or OnError follows. False (after an
    // Error event) when it cannot start.
    bool StartTls(const TlsOptions& options);
    // The address of our end of the open connection; "" without one.
    std::string ConnectionLocalAddress() const { return socket_ ? socket_->LocalAddress() : ""; }

    long SocketHandle() const { return handle_; }
    const std::string& RemoteHost() const { return remoteHost_; }
    void RemoteHost(const std::string& host) { remoteHost_ = host; }
    long RemotePort() const { return remotePort_; }
    void RemotePort(long port) { remotePort_ = port; }

  private:
    static long NotifyParam(int event, int error);
    void ConnectTo(const std::string& address);
    void OnSocketEvent(int event, int error);
    void OnLookupDone(int error);
    void ReceivePending();
    void RaiseSocketError(int code);
    void CloseSocket();

    bool initialised_ = false;
    long handle_ = -1;
    std::unique_ptr<TcpSocket> socket_;
    HostLookup lookup_;
    long lookupTask_ = 0;
    std::string lookupAddress_;
    std::string connectHost_;
    long connectPort_ = 0;
    long remotePort_ = 0;
    std::string remoteHost_;
    int state_ = 0;
    std::string received_;
    std::string sendBuffer_;
    QTimer timer1_;  // sends the queued block on the next turn of the event loop
};

}  // namespace sonivex
