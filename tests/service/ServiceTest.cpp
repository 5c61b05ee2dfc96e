// The program as a service: the service manager's view of a run (the notify messages on a socket
// the test listens on) and the status server through real HTTP: metrics that follow an alert and
// pass promtool, the token and bind rules, and clients that misbehave.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <vector>

#include "Shell.h"
#include "TempDir.h"
#include "e2e/Run.h"
#include "mail/MailTestSupport.h"
#include "service/BoundedTcpServer.h"

namespace sonivex {
namespace {

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

struct HttpReply {
    int status = 0;  // 0 = no answer
    std::string headers;
    std::string body;
};

// One request on loopback, with an extra header line if given.
HttpReply HttpGet(quint16 port, const std::string& target, const std::string& header = "") {
    const std::string all =
        testing::Shell("curl -s -i --max-time 5 " + (header.empty() ? "" : "-H '" + header + "' ") +
                       "'http://127.0.0.1:" + std::to_string(port) + target + "'");
    HttpReply r;
    const size_t end = all.find("\r\n\r\n");
    if (end == std::string::npos) return r;
    r.headers = all.substr(0, end);
    r.status = std::stoi(r.headers.substr(9, 3));
    r.body = all.substr(end + 4);
    return r;
}

using testing::TempDir;

std::string Port(quint16 port) {
    return "StatusPort=" + std::to_string(port) + "\n";
}

std::string PromtoolSays(const TempDir& dir, const std::string& metrics) {
    testing::WriteText(dir.File("metrics.txt"), metrics);
    return testing::Shell("promtool check metrics < " + dir.File("metrics.txt") +
                          " 2>&1; echo rc=$?");
}

// One run behind a token: who gets in, metrics that follow an alert and pass promtool, the status
// JSON and the page; then clients that misbehave while others are still answered.
TEST(StatusServer, AnAlertShowsBehindTheTokenWhateverOtherClientsDo) {
    TempDir dir;
    const quint16 port = FreePort();
    const std::string ini =
        "[conf]\nAutoRec=1\nHukkiSec=0\nNumRec=1\nMuonSec=3\nStatusToken=s3cret\n" + Port(port) +
        "AuditName_1=FM \"東京\" \\ 1\nAuditName_2=AM\nDevInName_1=Sim In 1\nDevInName_2=Sim In 2\n"
        "SimSignal_1=tone -20 2; silence 1000\n"
        // a mail server that is not there and no retries: given up and counted
        "MailAddr_1=ops@example.com\nMailHost=127.0.0.1\nMailHostPort=1\n"
        "MailRetryHours=0\nMailUserName=station\nMailPassWord=Secret9\n";
    testing::WriteText(dir.File("sonivex.ini"), ini);
    testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast"},
                         testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil("(両ch 3秒以上)", 20000)) << run.out;
    const std::string bearer = "Authorization: Bearer s3cret";
    HttpReply metrics;
    for (int n = 0;
         n < 100 && metrics.body.find("sonivex_mail_failed_total 1\n") == std::string::npos; ++n) {
        run.ReadFor(100);
        metrics = HttpGet(port, "/metrics", bearer);
    }
    ASSERT_EQ(metrics.status, 200) << metrics.headers;
    EXPECT_NE(metrics.headers.find("text/plain; version=0.0.4"), std::string::npos);
    const std::string one = R"({input="1",name="FM \"東京\" \\ 1")";
    const std::string two = R"({input="2",name="AM")";
    for (const std::string& sample : std::vector<std::string>{
             "sonivex_up 1\n", "sonivex_build_info{version=\"" SONIVEX_VERSION "\"} 1\n",
             "sonivex_input_alert" + one + "} 1\n", "sonivex_input_alert_kind" + one + "} 2\n",
             "sonivex_alerts_total" + one + ",kind=\"2\"} 1\n",
             "sonivex_input_peak_dbfs" + one + ",channel=\"left\"} -110\n",
             "sonivex_input_alert" + two + "} 0\n", "sonivex_input_monitoring" + two + "} 1\n",
             "sonivex_input_paused" + two + ",reason=\"schedule\"} 0\n", "sonivex_mail_queued 0\n",
             "sonivex_mail_failed_total 1\n", "sonivex_mail_sent_total 0\n",
             "sonivex_tick_overruns_total "})
        EXPECT_NE(metrics.body.find(sample), std::string::npos) << sample << metrics.body;
    EXPECT_EQ(PromtoolSays(dir, metrics.body), "rc=0\n");
    struct Case {
        std::string target, header;
        int status;
    };
    for (const Case& c :
         {Case{"/metrics", "", 401}, Case{"/status", "Authorization: Bearer x", 401},
          Case{"/metrics?token=s3cret", "", 401}, Case{"/", "", 401}, Case{"/status", bearer, 200},
          Case{"/?token=s3cret", "", 200}, Case{"/other", bearer, 404}})
        EXPECT_EQ(HttpGet(port, c.target, c.header).status, c.status)
            << c.target << " " << c.header;

    const auto status = HttpGet(port, "/status", bearer);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(status.body)).object();
    const QJsonObject first = json["inputs"].toArray()[0].toObject();
    EXPECT_TRUE(first["alert"].toBool());
    EXPECT_EQ(first["alertText"].toString().toStdString(), "ch1 FM \"東京\" \\ 1 (両ch 3秒以上)");
    EXPECT_FALSE(json["broadcastTime"].toString().isEmpty());
    EXPECT_NE(status.body.find("*********起動**********"), std::string::npos);
    // Neither the login nor the password ever shows.
    EXPECT_EQ(status.body.find("station"), std::string::npos);
    EXPECT_EQ(status.body.find("Secret9"), std::string::npos);
    // The page as a browser shows it: its script fetches the status with the page's own token.
    const std::string dom = testing::Shell(
        "chromium --headless --no-sandbox --disable-gpu --no-first-run --user-data-dir=" +
        dir.File("chromium") + " --virtual-time-budget=4000 --dump-dom 'http://127.0.0.1:" +
        std::to_string(port) + "/?token=s3cret' 2>/dev/null");
    EXPECT_NE(dom.find("ch1 FM \"東京\" \\ 1 (両ch 3秒以上)"), std::string::npos) << dom;
    EXPECT_NE(dom.find("<span id=\"conn\"></span>"), std::string::npos) << dom;  // answered

    QTcpSocket huge, slow;
    for (QTcpSocket* s : {&huge, &slow}) {
        s->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(s->waitForConnected(5000));
    }
    huge.write("GET / HTTP/1.1\r\nX-Pad: " + QByteArray(1 << 20, 'a'));
    slow.write("GET /metrics HTTP/1.1\r\n");
    // While the slow request drips, others are answered; it is cut at its answer deadline.
    run.ReadUntil("never", 2000, [&] {
        slow.write("X-Drip: 1\r\n");
        QCoreApplication::processEvents();
    });
    EXPECT_EQ(slow.state(), QAbstractSocket::ConnectedState);
    EXPECT_EQ(HttpGet(port, "/metrics", bearer).status, 200);
    EXPECT_EQ(huge.state(), QAbstractSocket::UnconnectedState);
    EXPECT_TRUE(huge.readAll().isEmpty());
    run.ReadUntil(
        [&] {
            if (slow.state() == QAbstractSocket::UnconnectedState) return true;
            slow.write("X-Drip: 1\r\n");
            return slow.waitForDisconnected(50);
        },
        20000);
    EXPECT_EQ(slow.state(), QAbstractSocket::UnconnectedState);
    EXPECT_EQ(HttpGet(port, "/metrics", bearer).status, 200);
}

// 64 live sockets at most: the rest are closed at once, without an answer. A run of its own: on a
// busy machine the flood's sockets have been seen to hold their slots long after they closed.
TEST(StatusServer, ConnectionsBeyondTheLimitAreClosedAtOnce) {
    TempDir dir;
    const quint16 port = FreePort();
    testing::WriteText(dir.File("sonivex.ini"), "[conf]\n" + Port(port));
    testing::LiveRun run({"--dir", dir.Folder(), "--headless", "--audio", "sim"},
                         testing::TestEnvironment(dir.Folder()));
    ASSERT_TRUE(run.ReadUntil("status server on", 20000)) << run.out;
    std::vector<std::unique_ptr<QTcpSocket>> flood(100);
    for (auto& s : flood) {
        s = std::make_unique<QTcpSocket>();
        s->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(s->waitForConnected(5000));
    }
    const auto closed = [&] {
        QCoreApplication::processEvents();
        return std::ranges::count_if(
            flood, [](const auto& s) { return s->state() == QAbstractSocket::UnconnectedState; });
    };
    run.ReadUntil([&] { return closed() >= 100 - 64; }, 10000);
    run.ReadFor(300);
    EXPECT_EQ(closed(), 100 - 64);
}

// A closed connection frees its slot at once, before anything deleted its socket.
TEST(StatusServer, AClosedConnectionFreesItsSlot) {
    BoundedTcpServer server(ConnectionLimits{.maxSockets = 1});
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    for (int n = 0; n < 2; ++n) {
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, server.serverPort());
        ASSERT_TRUE(testing::WaitUntil([&] { return server.hasPendingConnections(); }, 2000)) << n;
        QTcpSocket* accepted = server.nextPendingConnection();
        client.disconnectFromHost();
        ASSERT_TRUE(testing::WaitUntil(
            [&] { return accepted->state() != QTcpSocket::ConnectedState; }, 2000));
    }
}

// A datagram socket bound where NOTIFY_SOCKET points, as the service manager has one.
class NotifySocket {
  public:
    explicit NotifySocket(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        path.copy(a.sun_path, sizeof a.sun_path - 1);
        bound = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~NotifySocket() { ::close(fd_); }
    std::vector<std::string> Messages() {
        std::vector<std::string> all;
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd_, buffer, sizeof buffer, 0)) > 0;)
            all.emplace_back(buffer, n);
        return all;
    }
    bool bound = false;

  private:
    int fd_ = -1;
};

// An open bind without a token leaves the status server off, and the run goes on.
TEST(ServiceNotify, ReadyStatusWatchdogAndStoppingInOrder) {
    TempDir dir;
    testing::WriteText(dir.File("sonivex.ini"),
                       "[conf]\nNumRec=1\nAutoRec=1\nMuonSec=3\nHukkiSec=2\nAuditName_1=FM東京\n"
                       "DevInName_1=Sim In 1\nDevInName_2=Sim In 2\n"
                       "SimSignal_1=tone -20 2; silence 10; tone -20 1000\nStatusBind=0.0.0.0\n" +
                           Port(FreePort()));
    NotifySocket socket(dir.File("notify"));
    ASSERT_TRUE(socket.bound);
    QProcessEnvironment env = testing::TestEnvironment(dir.Folder());
    env.insert("NOTIFY_SOCKET", QString::fromStdString(dir.File("notify")));
    env.insert("WATCHDOG_USEC", "1000000");
    const auto r = testing::RunSonivex(
        {"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast", "--quit-after", "30"},
        dir.Folder(), 60000, &env);
    ASSERT_TRUE(r.finished);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(
        r.Has("status server off: StatusBind=0.0.0.0 is not loopback and StatusToken is "
              "empty"))
        << r.out;

    std::vector<std::string> status;
    int pets = 0;
    const std::vector<std::string> all = socket.Messages();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.front(), "READY=1");
    EXPECT_EQ(all.back(), "STOPPING=1");
    for (const std::string& m : all) {
        if (m == "WATCHDOG=1") ++pets;
        if (m.starts_with("STATUS=")) status.push_back(m.substr(7));
    }
    EXPECT_GE(pets, 1);
    // Sent when it changes, not at every tick.
    const std::vector<std::string> expected{"2 inputs watched, 0 in alert",
                                            "2 inputs watched, 1 in alert: ch1 FM東京",
                                            "2 inputs watched, 0 in alert"};
    EXPECT_EQ(status, expected);
}

}  // namespace
}  // namespace sonivex
