// The program as a service: the service manager's view of a run (the notify messages on a socket
// the test listens on, the unit file as systemd reads it) and the status server through real
// HTTP: metrics that follow an alert and pass promtool, the token and bind rules, clients that
// misbehave, the page in Chromium, and the Prometheus rules.
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

namespace sonivex {
namespace {

// A plain HTTP/1.1 client on loopback: one request, its answer.
struct HttpReply {
    int status = 0;  // 0 = no answer
    std::string headers;
    std::string body;
};

quint16 FreePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

HttpReply HttpGet(quint16 port, const std::string& target, const std::string& header = "") {
    QTcpSocket s;
    s.connectToHost(QHostAddress::LocalHost, port);
    HttpReply r;
    if (!s.waitForConnected(5000)) return r;
    s.write(("GET " + target + " HTTP/1.1\r\nHost: localhost\r\n" + header + "\r\n").c_str());
    std::string all;
    size_t end = std::string::npos, length = 0;
    while (s.waitForReadyRead(5000)) {
        all += s.readAll().toStdString();
        if (end == std::string::npos && (end = all.find("\r\n\r\n")) != std::string::npos) {
            r.headers = all.substr(0, end);
            const size_t at = r.headers.find("Content-Length: ");
            length = at == std::string::npos ? 0 : std::stoul(r.headers.substr(at + 16));
        }
        if (end != std::string::npos && all.size() >= end + 4 + length) break;
    }
    if (end == std::string::npos) return r;
    r.status = std::stoi(r.headers.substr(9, 3));
    r.body = all.substr(end + 4);
    return r;
}

using testing::LiveRun;
using testing::TempDir;

constexpr char kServerUp[] = "status server on http://";

std::unique_ptr<LiveRun> Start(const TempDir& dir, const std::string& ini, bool fast) {
    testing::WriteText(dir.File("sonivex.ini"), "[conf]\nAutoRec=1\nHukkiSec=0\n" + ini);
    std::vector<std::string> args{"--dir", dir.Folder(), "--headless", "--audio", "sim"};
    if (fast) args.push_back("--fast");
    return std::make_unique<LiveRun>(args, testing::TestEnvironment(dir.Folder()));
}

std::string Port(quint16 port) {
    return "StatusPort=" + std::to_string(port) + "\n";
}

std::string PromtoolSays(const TempDir& dir, const std::string& metrics) {
    testing::WriteText(dir.File("metrics.txt"), metrics);
    return testing::Shell("promtool check metrics < " + dir.File("metrics.txt") +
                          " 2>&1; echo rc=$?");
}

TEST(StatusServer, MetricsAndStatusFollowAnAlert) {
    TempDir dir;
    const quint16 port = FreePort();
    auto run =
        Start(dir,
              "NumRec=1\nMuonSec=3\nAuditName_1=FM \"東京\" \\ 1\nAuditName_2=AM\n"
              "DevInName_1=Sim In 1\nDevInName_2=Sim In 2\n"
              "SimSignal_1=tone -20 2; silence 1000\nSimSignal_2=tone -20 1000\n"
              // a mail server that is not there and no retries: the mail is given up and counted
              "MailAddr_1=ops@example.com\nMailHost=127.0.0.1\nMailHostPort=1\n"
              "MailRetryHours=0\nMailUserName=station\nMailPassWord=Secret9\n" +
                  Port(port),
              true);
    ASSERT_TRUE(run->ReadUntil("(両ch 3秒以上)", 20000)) << run->out;

    HttpReply metrics;
    for (int n = 0;
         n < 100 && metrics.body.find("sonivex_mail_failed_total 1\n") == std::string::npos; ++n) {
        run->ReadFor(100);
        metrics = HttpGet(port, "/metrics");
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

    const auto status = HttpGet(port, "/status");
    ASSERT_EQ(status.status, 200);
    const QJsonObject json =
        QJsonDocument::fromJson(QByteArray::fromStdString(status.body)).object();
    const QJsonObject first = json["inputs"].toArray()[0].toObject();
    EXPECT_TRUE(first["alert"].toBool());
    EXPECT_EQ(first["alertText"].toString().toStdString(), "ch1 FM \"東京\" \\ 1 (両ch 3秒以上)");
    EXPECT_FALSE(json["broadcastTime"].toString().isEmpty());
    const QJsonArray log = json["log"].toArray();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_NE(status.body.find("*********起動**********"), std::string::npos);
    EXPECT_NE(status.body.find("(両ch 3秒以上)"), std::string::npos);
    // Neither the login nor the password ever shows.
    EXPECT_EQ(status.body.find("station"), std::string::npos);
    EXPECT_EQ(status.body.find("Secret9"), std::string::npos);
    EXPECT_EQ(HttpGet(port, "/other").status, 404);
}

TEST(StatusServer, TokenIsAskedForAndAnOpenBindWithoutOneIsRefused) {
    TempDir open, guarded;
    const quint16 port = FreePort();
    auto refused = Start(
        open, "NumRec=0\nMuonSec=1\nSimSignal_1=silence 1000\nStatusBind=0.0.0.0\n" + Port(port),
        false);
    ASSERT_TRUE(
        refused->ReadUntil("status server off: StatusBind=0.0.0.0 is not loopback and "
                           "StatusToken is empty",
                           10000))
        << refused->out;
    EXPECT_EQ(HttpGet(port, "/metrics").status, 0);
    EXPECT_TRUE(refused->ReadUntil("(両ch 1秒以上)", 10000)) << refused->out;  // watched on
    refused.reset();

    auto run = Start(guarded, "NumRec=0\nStatusToken=s3cret\n" + Port(port), false);
    ASSERT_TRUE(run->ReadUntil(kServerUp, 10000)) << run->out;
    struct Case {
        std::string target, header;
        int status;
    };
    for (const Case& c :
         {Case{"/metrics", "", 401}, Case{"/status", "Authorization: Bearer x\r\n", 401},
          Case{"/metrics?token=s3cret", "", 401}, Case{"/", "", 401},
          Case{"/metrics", "Authorization: Bearer s3cret\r\n", 200},
          Case{"/status", "Authorization: Bearer s3cret\r\n", 200},
          Case{"/?token=s3cret", "", 200}})
        EXPECT_EQ(HttpGet(port, c.target, c.header).status, c.status)
            << c.target << " " << c.header;
}

TEST(StatusServer, MisbehavingClientsDoNotHoldTheTicks) {
    TempDir dir;
    const quint16 port = FreePort();
    auto run = Start(
        dir, "NumRec=0\nMuonSec=2\nSimSignal_1=tone -20 1; silence 1000\n" + Port(port), false);
    ASSERT_TRUE(run->ReadUntil(kServerUp, 10000)) << run->out;
    auto connect = [port](QTcpSocket& s) {
        s.connectToHost(QHostAddress::LocalHost, port);
        return s.waitForConnected(5000);
    };
    // 64 live sockets at most: the rest are closed at once, without an answer.
    std::vector<std::unique_ptr<QTcpSocket>> flood(100);
    for (auto& s : flood) {
        s = std::make_unique<QTcpSocket>();
        ASSERT_TRUE(connect(*s));
    }
    run->ReadUntil("never", 1000, [] { QCoreApplication::processEvents(); });
    int closed = 0;
    for (auto& s : flood) closed += s->state() == QAbstractSocket::UnconnectedState ? 1 : 0;
    EXPECT_EQ(closed, 100 - 64);
    flood.clear();
    QTcpSocket huge, slow;
    ASSERT_TRUE(connect(huge) && connect(slow));
    huge.write("GET / HTTP/1.1\r\nX-Pad: " + QByteArray(1 << 20, 'a'));
    slow.write("GET /metrics HTTP/1.1\r\n");
    // Drip the slow request while the alert is awaited.
    ASSERT_TRUE(run->ReadUntil("(両ch 2秒以上)", 20000, [&] {
        if (slow.state() == QAbstractSocket::ConnectedState) slow.write("X-Drip: 1\r\n");
        QCoreApplication::processEvents();
    })) << run->out;
    EXPECT_EQ(huge.state(), QAbstractSocket::UnconnectedState);
    EXPECT_TRUE(huge.readAll().isEmpty());
    // The slow one is cut at its answer deadline; then scraping works as before.
    run->ReadUntil("never", 12000, [&] {
        slow.write("X-Drip: 1\r\n");
        slow.waitForDisconnected(50);
    });
    EXPECT_EQ(slow.state(), QAbstractSocket::UnconnectedState);
    const auto metrics = HttpGet(port, "/metrics");
    ASSERT_EQ(metrics.status, 200);
    EXPECT_NE(metrics.body.find("sonivex_tick_overruns_total 0\n"), std::string::npos)
        << metrics.body;
}

TEST(StatusServer, PageShowsEveryInputInChromium) {
    TempDir dir;
    const quint16 port = FreePort();
    std::string ini = "NumRec=7\nMuonSec=2\nSimSignal_3=tone -20 1; silence 1000\n";
    const char* names[] = {"FM 本線",  "FM 予備",  "AM 本線",    "AM 予備",
                           "Studio A", "Studio B", "ネット受け", "Stream"};
    for (int n = 1; n <= 8; ++n)
        ini += "AuditName_" + std::to_string(n) + "=" + names[n - 1] + "\nDevInName_" +
               std::to_string(n) + "=Sim In " + std::to_string(n) + "\n";
    auto run = Start(dir, ini + Port(port), false);
    ASSERT_TRUE(run->ReadUntil("(両ch 2秒以上)", 20000)) << run->out;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    const std::string chromium =
        "chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
        "--no-first-run --user-data-dir=" +
        dir.File("chromium") + " --virtual-time-budget=4000 --window-size=1280,800 ";
    const std::string dom = testing::Shell(chromium + "--dump-dom " + url + " 2>/dev/null");
    for (const char* name : names) EXPECT_NE(dom.find(name), std::string::npos) << name << dom;
    EXPECT_NE(dom.find("ch3 AM 本線 (両ch 2秒以上)"), std::string::npos) << dom;
    EXPECT_NE(dom.find(">watching<"), std::string::npos) << dom;
    EXPECT_NE(dom.find("<span id=\"conn\"></span>"), std::string::npos) << dom;  // answered
    testing::Shell("mkdir -p " SONIVEX_ARTIFACTS_DIR " && " + chromium +
                   "--screenshot=" SONIVEX_ARTIFACTS_DIR "/status-page.png " + url +
                   " 2>/dev/null");
}

TEST(StatusServer, PrometheusRulesPassPromtool) {
    const std::string out = testing::Shell("promtool check rules " SONIVEX_SOURCE_DIR
                                           "/packaging/prometheus/sonivex-rules.yml 2>&1");
    EXPECT_NE(out.find("SUCCESS"), std::string::npos) << out;
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

TEST(ServiceNotify, ReadyStatusWatchdogAndStoppingInOrder) {
    TempDir dir;
    testing::WriteText(dir.File("sonivex.ini"),
                       "[conf]\nNumRec=1\nAutoRec=1\nMuonSec=3\nHukkiSec=2\nAuditName_1=FM東京\n"
                       "DevInName_1=Sim In 1\nDevInName_2=Sim In 2\n"
                       "SimSignal_1=tone -20 2; silence 10; tone -20 1000\n");
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

TEST(ServiceNotify, UnitFilePassesSystemdVerify) {
    TempDir dir;
    // The unit as installed, pointing at this build, and the man page its documentation names.
    const std::string unit = dir.File("sonivex.service");
    testing::Shell("mkdir -p " + dir.File("man/man1") +
                   " && cp " SONIVEX_SOURCE_DIR "/packaging/sonivex.1 " + dir.File("man/man1/") +
                   " && sed 's#/usr/bin/sonivex#" + SONIVEX_BINARY +
                   "#' " SONIVEX_SOURCE_DIR "/packaging/sonivex.service > " + unit);
    const std::string out = testing::Shell(
        "MANPATH=" + dir.File("man") + ": systemd-analyze verify " + unit + " 2>&1; echo rc=$?");
    EXPECT_EQ(out, "rc=0\n");
}

}  // namespace
}  // namespace sonivex
