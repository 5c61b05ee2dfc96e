// The refused-privilege path of the clock correction, on the real clock setter. It runs only in
// a child process that has lost CAP_SYS_TIME (setpriv), and the child checks that itself before
// it calls the setter: tests run as root with the right to set the machine's clock.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Shell.h"
#include "devices/ClockCorrection.h"
#include "platform/ClockPrivilege.h"
#include "support/Log.h"

namespace sonivex {
namespace {

constexpr char kHelperVariable[] = "SONIVEX_CLOCK_HELPER";
constexpr int kStillPrivileged = 3;

int RunHelper() {
    if (HoldsClockPrivilege()) {
        std::puts("helper still holds CAP_SYS_TIME: not calling the setter");
        return kStillPrivileged;
    }
    LogConfig log;
    log.echo = [](const std::string& line) {
        std::puts(line.c_str());
        std::fflush(stdout);
    };
    ConfigureLog(log);
    SystemClock clock;
    // Mode 0 to the present second: even a setter that worked would move the clock by less
    // than a second.
    AdjustClock(clock, {0, 0, clock.Now().second, 0});
    // A clock started on another date moves itself only, so the refused right does not matter.
    SystemClock shifted;
    shifted.StartAt({2031, 5, 4, 10, 59, 50, 0});
    AdjustClock(shifted, {0, 0, 0, 1});
    return 0;
}

// The test program started again as the helper runs one correction and ends before any test.
class ClockHelper : public ::testing::Environment {
  public:
    void SetUp() override {
        if (std::getenv(kHelperVariable)) std::_Exit(RunHelper());
    }
};
[[maybe_unused]] ::testing::Environment* const kHelper =
    ::testing::AddGlobalTestEnvironment(new ClockHelper);

TEST(ClockPrivilege, WithoutTheRightTheCorrectionLogsAnError) {
    std::string command = std::string(kHelperVariable) + "=1 ";
    // Should setpriv be missing, the helper finds the right still held and sets nothing.
    if (HoldsClockPrivilege()) command += "setpriv --bounding-set=-sys_time --inh-caps=-sys_time ";
    command += std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string out = testing::Shell(command + " 2>&1; echo rc=$?");
    const size_t error = out.find("時刻修正エラー");
    const size_t done = out.find("時刻修正終了");
    ASSERT_NE(error, std::string::npos) << out;
    ASSERT_NE(done, std::string::npos) << out;
    EXPECT_LT(error, done) << "only the shifted clock's correction succeeds: " << out;
    EXPECT_NE(out.find("2031/05/04 10:59:50--2031/05/04 11:00:00 (プログラムの時計のみ", done),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("rc=0"), std::string::npos) << out;
}

}  // namespace
}  // namespace sonivex
