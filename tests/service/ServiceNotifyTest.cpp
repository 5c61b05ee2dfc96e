// The service manager's view of a run: the notify messages on a socket the test listens on, and
// the unit file as systemd reads it.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Shell.h"
#include "TempDir.h"
#include "e2e/Run.h"

namespace sonivex {
namespace {

using testing::RunSonivex;
using testing::TempDir;

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
    const auto r = RunSonivex(
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
