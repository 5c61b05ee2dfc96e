// The log writer: file naming by day and kind, line format, LogError, failures; the message box
// without a display.
#include "support/Log.h"

#include <unistd.h>

#include <array>
#include <stdexcept>
#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/basic.h"

namespace sonivex {
namespace {

using testing::ReadText;

// LogError 0 writes forced lines only. Operation lines (echoed too) and the other kinds' lines go
// to the day's .log and .err, each stamped; the folder is made at the first line. A folder that
// cannot be made loses the line, or throws with ErrorCatch.
TEST(Log, StampedLinesGoToTheDaysFileOfTheirKind) {
    FakeClock clock{LocalDateTime{2026, 12, 5, 10, 0, 0, 0}};
    SetProgramClock(&clock);
    testing::TempDir temp;
    std::vector<std::string> echoed;
    LogConfig config;
    config.folder = temp.File("log/");
    config.echo = [&echoed](const std::string& line) { echoed.push_back(line); };
    config.logError = 0;
    ConfigureLog(config);
    auto path = [&config](const std::string& date, const std::string& ext) {
        std::array<char, 256> host{};
        gethostname(host.data(), host.size() - 1);
        return config.folder + date + " - " + host.data() + " - sonivex" + ext;
    };
    WriteLog("quiet");
    WriteLog("quiet error", 1);
    EXPECT_FALSE(FolderExists(config.folder));
    WriteLog("forced", 0, 1);
    config.logError = 1;
    ConfigureLog(config);
    // Without a display a message box is one operation line, answered by its OK button.
    EXPECT_EQ(CenteredMsgBox("gone\r\nfor\ngood\rnow", MB_OK | MB_ICONSTOP, "sonivex"), IDOK);
    clock.Advance(1500);
    for (int kind : {1, 16, -3}) WriteLog("kind " + std::to_string(kind), kind);
    EXPECT_EQ(
        ReadText(path("20261205", ".log")),
        "2026/12/05 10:00:00 forced\n2026/12/05 10:00:00 [message] sonivex: gone for good now\n");
    const std::string stamp = "2026/12/05 10:00:01 ";
    EXPECT_EQ(ReadText(path("20261205", ".err")),
              stamp + "kind 1\n" + stamp + "kind 16\n" + stamp + "kind -3\n");
    EXPECT_EQ(echoed.size(), 2u);  // operation lines only
    clock.Set({2026, 12, 31, 23, 59, 59, 999});
    WriteLog("last");
    clock.Advance(1);
    WriteLog("first");
    EXPECT_EQ(ReadText(path("20261231", ".log")), "2026/12/31 23:59:59 last\n");
    EXPECT_EQ(ReadText(path("20270101", ".log")), "2027/01/01 00:00:00 first\n");

    config.folder = temp.File("missing/log/");
    ConfigureLog(config);
    EXPECT_NO_THROW(WriteLog("lost"));
    EXPECT_EQ(echoed.size(), 5u) << "the echo still shows what could not be written";
    config.errorCatch = true;
    ConfigureLog(config);
    EXPECT_THROW(WriteLog("thrown", 1), std::runtime_error);
    EXPECT_FALSE(FolderExists(temp.File("missing")));
    ConfigureLog(LogConfig{});
    SetProgramClock(nullptr);
}

}  // namespace
}  // namespace sonivex
