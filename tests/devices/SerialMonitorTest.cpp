// The monitor with its serial port on a pseudo-terminal: command bytes on alert and cancel,
// control bytes that pause, resume and request corrections (window, 10-second rule, midnight),
// the time code, garbage, and a port that vanishes under a running monitor.
#include <gtest/gtest.h>

#include "DeviceHarness.h"
#include "Pty.h"

namespace sonivex {
namespace {

using testing::DeviceHarness;
using testing::Pty;
using Bytes = std::vector<uint8_t>;
using Paused = std::array<int, 2>;

class SerialMonitor : public ::testing::Test {
  protected:
    void Start(DeviceHarness& run) {
        run.Set("ComNo", "1");
        run.Set("ComDevice", pty.SlavePath());
        run.StartOn(DeviceRoots{});
        ASSERT_TRUE(run.devices.serial->IsOpen());
    }
    void Send(DeviceHarness& run, std::vector<uint8_t> bytes) {
        pty.Write(bytes);
        run.RunTicks(static_cast<int>(bytes.size()));  // one byte per tick
    }

    Pty pty;
};

TEST_F(SerialMonitor, CommandBytesFromStartUpToShutdown) {
    DeviceHarness h;
    h.TwoInputs("silence 2; tone -20 1000", "silence 1000");
    Start(h);
    EXPECT_EQ(pty.Read(), (Bytes{101, 102}));
    h.RunSeconds(2);
    EXPECT_EQ(pty.Read(), (Bytes{1, 2}));
    h.RunSeconds(3);
    h.monitor->AlertButtonClick(1);
    h.RunTicks(1);
    EXPECT_EQ(pty.Read(), (Bytes{101, 102}));
    h.monitor->Shutdown();
    EXPECT_EQ(pty.Read(), (Bytes{101, 102, 103, 104, 105, 106, 107, 108}));
}

TEST_F(SerialMonitor, ControlBytesPauseResumeAndRequestCorrections) {
    DeviceHarness h;
    h.TwoInputs();
    h.Set("AdjustPin_1", "7");
    Start(h);
    struct Step {
        Bytes bytes;
        double thenSeconds;
        Paused paused;
        int corrections;
    };
    const Step steps[] = {
        {{2}, 0, {0, 1}, 0}, {{2}, 0, {0, 0}, 0},
        {{1}, 0, {1, 0}, 0}, {{3, 0, 200, 9, 255}, 0, {1, 0}, 0},  // ignored
        {{7}, 5, {1, 0}, 1}, {{7}, 0, {1, 0}, 1},                  // 5 s later: once only
        {{7}, 0, {1, 0}, 1}, {{1, 2}, 6, {0, 1}, 1},
        {{7}, 0, {0, 1}, 2},  // 11 s after the first
    };
    int n = 0;
    for (const Step& s : steps) {
        Send(h, s.bytes);
        h.RunSeconds(s.thenSeconds);
        EXPECT_EQ(h.Paused(), s.paused) << "step " << n;
        EXPECT_EQ(h.clock.setCalls, s.corrections) << "step " << n++;
    }
    EXPECT_EQ(h.view.alertText[0], "Alert");
    EXPECT_EQ(h.view.alertText[1], "-");
}

TEST_F(SerialMonitor, RequestsCountOnlyInTheWindowAroundTheTarget) {
    struct Case {
        LocalDateTime start;
        LocalDateTime after;  // the clock right after the request; unchanged = blocked
    };
    // The year-end correction forward is in the midnight test below.
    for (const Case& c : {Case{{2026, 5, 4, 9, 5, 0}, {2026, 5, 4, 9, 5, 0}},
                          Case{{2026, 5, 4, 9, 1, 59}, {2026, 5, 4, 9, 0, 0}}}) {
        Pty port;
        DeviceHarness h(c.start);
        h.Set("AdjustPin_1", "7");
        h.Set("ComNo", "1");
        h.Set("ComDevice", port.SlavePath());
        h.StartOn(DeviceRoots{});
        h.clock.Set(c.start);  // as the byte arrives
        port.Write(Bytes{7});
        h.monitor->TimerProgTick();
        LocalDateTime now = h.clock.Now();
        now.millisecond = 0;
        EXPECT_EQ(CivilToMs(now), CivilToMs(c.after)) << c.start.hour << ":" << c.start.minute;
    }
}

TEST_F(SerialMonitor, AfterMidnightTheTenSecondsCountOnFromTheCorrection) {
    DeviceHarness h({2026, 12, 31, 23, 59, 55});
    h.Set("AdjustPin_1", "7");
    Start(h);
    Send(h, {7});
    EXPECT_EQ(h.clock.Now().year, 2027);
    h.RunSeconds(3);
    Send(h, {7});
    EXPECT_EQ(h.clock.setCalls, 1);
    h.RunSeconds(8);
    Send(h, {7});
    EXPECT_EQ(h.clock.setCalls, 2);
}

TEST_F(SerialMonitor, TimeCodeSplitAcrossReadsCorrectsAndNothingIsSent) {
    DeviceHarness h({2026, 5, 4, 11, 59, 58});
    h.TwoInputs();
    h.Set("UseBCD", "1");
    h.Set("ComBaud", "9600");
    Start(h);
    EXPECT_EQ(h.devices.serial->Port()->LineBaud(), 2400);
    pty.Write(std::string("\xFF\xFEgarbage\x02") + "1200");
    h.RunTicks(1);
    EXPECT_EQ(h.clock.setCalls, 0);
    pty.Write(std::string("00\xE5\x03"));
    h.RunTicks(1);
    EXPECT_EQ(h.clock.setCalls, 1);
    EXPECT_EQ(h.clock.Now().hour, 12);
    EXPECT_EQ(h.CountLines("時刻修正終了"), 1);
    EXPECT_EQ(h.devices.control->TimeCodeText(), "");
    h.RunSeconds(3);  // both inputs alert
    h.monitor->Shutdown();
    EXPECT_EQ(h.CountLines("警報"), 2);
    EXPECT_EQ(pty.Read(), Bytes{}) << "a time-code port carries no commands";
}

TEST_F(SerialMonitor, APortThatVanishesIsLoggedOnceAndMonitoringGoesOn) {
    DeviceHarness h;
    h.TwoInputs("tone -20 2; silence 1000", "tone -20 1000");
    Start(h);
    h.RunSeconds(1);
    pty.Close();
    h.RunSeconds(4);
    EXPECT_EQ(h.CountLines("シリアルポート切断 " + h.monitor->settings.comDevice), 1);
    EXPECT_FALSE(h.devices.serial->IsOpen());
    EXPECT_EQ(h.CountLines("警報"), 1);
    h.monitor->Shutdown();
    EXPECT_TRUE(h.HasLine("*********終了**********"));
}

}  // namespace
}  // namespace sonivex
