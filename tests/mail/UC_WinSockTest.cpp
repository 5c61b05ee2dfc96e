// The socket control on loopback: states and events on the way to a connection, refusals and
// failed look-ups, the server side, receive-buffer limits, peer close, stale notifications.
#include "mail/UC_WinSock.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>

#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

using testing::WaitUntil;

// Records every event of a control as text, with the State seen inside the event.
struct Events {
    explicit Events(UC_WinSock& s) : sock(s) {
        s.OnConnect = [this] { Add("connect"); };
        s.OnDisConnect = [this] { Add("close"); };
        s.OnError = [this](UC_WinSock::ErrorArgs& e) {
            Add("error " + std::to_string(e.number) + " " + e.description);
        };
        s.OnDataArrival = [this](long total) { Add("data " + std::to_string(total)); };
        s.OnConnectionRequest = [this](long id) {
            Add("request");
            if (onRequest) onRequest(id);
        };
    }
    void Add(const std::string& what) {
        list.push_back(what + " state=" + std::to_string(sock.State()));
    }
    bool Has(const std::string& what) const {
        for (const auto& e : list)
            if (e.rfind(what, 0) == 0) return true;
        return false;
    }
    UC_WinSock& sock;
    std::vector<std::string> list;
    std::function<void(long)> onRequest;
};

int FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// Also: Connect while connected changes nothing, and a Close during a look-up cancels it.
TEST(UC_WinSock, ConnectsToAnAddressAtOnceAndToANameAfterItsLookup) {
    QTcpServer peer;
    ASSERT_TRUE(peer.listen(QHostAddress::LocalHost, 0));
    UC_WinSock s, named, cancelled;
    Events ev(s), cancelledEvents(cancelled);
    for (UC_WinSock* each : {&s, &named, &cancelled}) each->Init();
    cancelled.Connect("localhost", peer.serverPort());
    cancelled.DisConnect();
    s.RemotePort(peer.serverPort());
    s.Connect("127.0.0.1");
    EXPECT_EQ(s.State(), 6);  // no look-up for a dotted address
    ASSERT_TRUE(WaitUntil([&] { return s.State() == 7; }, 5000));
    EXPECT_EQ(ev.list, std::vector<std::string>{"connect state=7"});
    const long handle = s.SocketHandle();
    s.Connect("127.0.0.1", FreePort());
    EXPECT_EQ(s.SocketHandle(), handle);
    EXPECT_EQ(s.State(), 7);
    EXPECT_EQ(s.RemoteHost(), "");
    named.Connect("localhost", peer.serverPort());
    EXPECT_EQ(named.State(), 4);
    ASSERT_TRUE(WaitUntil([&] { return named.State() == 7; }, 5000)) << named.State();
    WaitUntil([&] { return !cancelledEvents.list.empty(); }, 300);
    EXPECT_TRUE(cancelledEvents.list.empty()) << cancelledEvents.list[0];
    EXPECT_EQ(cancelled.State(), 0);
}

TEST(UC_WinSock, FailedConnectsRaiseErrorAndClose) {
    struct Case {
        std::string host;
        bool init;
        std::string error;
    };
    const Case cases[] = {
        {"127.0.0.1", true, "error 10061 接続が強制的に拒絶されました。 state=9"},
        {"nowhere.invalid", true, "error 11001 正式応答。ホストが見つかりません。 state=9"},
        {"127.0.0.1", false, "error 10093 まず WinsockInit を呼び出す必要があります。 state=9"}};
    for (const Case& c : cases) {
        UC_WinSock s;
        Events ev(s);
        if (c.init) s.Init();
        s.Connect(c.host, FreePort());
        ASSERT_TRUE(WaitUntil([&] { return !ev.list.empty(); }, 10000)) << c.host;
        EXPECT_EQ(ev.list, std::vector<std::string>{c.error});
        EXPECT_EQ(s.State(), 0);
        EXPECT_EQ(s.SocketHandle(), -1);
    }
    // The code is a 16-bit signed value.
    EXPECT_EQ(SocketErrorText(10061 + 65536), "接続が強制的に拒絶されました。");
    EXPECT_EQ(SocketErrorText(12345), "未知のエラー: (12345)");
    EXPECT_EQ(SocketErrorText(65535), "未知のエラー: (-1)");
    EXPECT_EQ(SocketStateText(7), "接続が完了しました。");
    EXPECT_EQ(SocketStateText(10), "");
}

// A listening control, the control that accepts, and a client connected to it.
class ServerSide : public ::testing::Test {
  protected:
    void SetUp() override {
        port = FreePort();
        for (UC_WinSock* s : {&listener, &accepted, &client}) s->Init();
        listenerEvents.onRequest = [this](long id) { accepted.Accept(id); };
        listener.Bind(port, "127.0.0.1");
        listener.Listen();
        ASSERT_EQ(listener.State(), 2);
        client.Connect("127.0.0.1", port);
        ASSERT_TRUE(WaitUntil([&] { return client.State() == 7 && accepted.State() == 7; }, 5000));
    }
    int port = 0;
    UC_WinSock listener, accepted, client;
    Events listenerEvents{listener}, acceptedEvents{accepted}, clientEvents{client};
};

TEST_F(ServerSide, AcceptTakesTheConnectionAndDataFlowsInOrderUpToALimit) {
    EXPECT_EQ(accepted.RemoteHostIP(), "127.0.0.1");
    client.SendData("first ");
    client.SendData("second");  // queued behind the first, not replacing it
    ASSERT_TRUE(WaitUntil([&] { return accepted.BytesReceived() == 12; }, 5000));
    std::string text;
    long len = 0;
    accepted.PeekData(text, kVbString, len);
    EXPECT_EQ(text, "first second");
    EXPECT_EQ(accepted.BytesReceived(), 12);  // a peek leaves the bytes
    EXPECT_EQ(client.SendCompleted(), 1);
    // A read with a limit discards the rest.
    accepted.SendData(std::string(300, 'r'));
    ASSERT_TRUE(WaitUntil([&] { return client.BytesReceived() == 300; }, 5000));
    len = 255;
    client.GetData(text, kVbString, len);
    EXPECT_EQ(text, std::string(255, 'r'));
    EXPECT_EQ(len, 255);
    EXPECT_EQ(client.BytesReceived(), 0);
    // A read that finds nothing still reports, with the unchanged total.
    clientEvents.list.clear();
    client.CallBackWindow(kSocketMessage, client.SocketHandle(), kFdRead);
    EXPECT_EQ(clientEvents.list, std::vector<std::string>{"data 0 state=7"});
    // A notification for some other socket is not ours.
    client.CallBackWindow(kSocketMessage, client.SocketHandle() + 1, kFdRead);
    EXPECT_EQ(clientEvents.list.size(), 1u);
}

TEST_F(ServerSide, PeerCloseRaisesDisConnectWithState8ThenState0) {
    const long handle = client.SocketHandle();
    accepted.DisConnect();
    ASSERT_TRUE(WaitUntil([&] { return clientEvents.Has("close"); }, 5000));
    EXPECT_EQ(clientEvents.list.back(), "close state=8");
    EXPECT_EQ(client.State(), 0);
    EXPECT_EQ(client.SocketHandle(), handle);  // open until DisConnect
    client.DisConnect();
    EXPECT_EQ(client.SocketHandle(), -1);
    std::string text = "kept";
    long len = 0;
    client.GetData(text, kVbString, len);  // nothing to read from without a socket
    EXPECT_EQ(text, "kept");
    client.SendData("x");
    EXPECT_EQ(client.SendCompleted(), 0);
}

}  // namespace
}  // namespace sonivex
