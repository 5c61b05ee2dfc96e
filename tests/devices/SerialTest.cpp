// The serial port through a pseudo-terminal: line rates, bytes both ways, opening from the
// settings with its messages, and the dialog's lists.
#include <termios.h>

#include <gtest/gtest.h>

#include "Pty.h"
#include "TempDir.h"
#include "devices/C_Com.h"
#include "devices/FCT_Serial.h"
#include "support/Log.h"

namespace sonivex {
namespace {

using testing::Pty;
using Bytes = std::vector<uint8_t>;

class SerialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(pty.SlavePath().empty());
        LogConfig log;
        log.echo = [this](const std::string& line) { lines.push_back(line.substr(20)); };
        ConfigureLog(log);
        settings.comNo = 1;
        settings.comDevice = pty.SlavePath();
        settings.devRoot = dir.Folder() + "dev";
    }
    void TearDown() override { ConfigureLog(LogConfig{}); }

    Pty pty;
    testing::TempDir dir;
    SerialSettings settings;
    std::vector<std::string> lines;
};

// Every rate of the dialog's list is set on the line, by its classic speed code when termios has
// one (drivers without arbitrary rates take only those), and the rate of the settings selects its
// row; a rate not in the list selects none.
TEST_F(SerialTest, EveryRateOfTheListIsSetOnTheLineAndSelected) {
    ChoiceList rates;
    FillBaudCombo(rates, "2400 ");
    ASSERT_EQ(rates.Count(), 13);
    EXPECT_EQ(rates.Selected(), -1);
    for (int n = 0; n < rates.Count(); ++n) {
        const std::string rate = rates.Items()[n];
        ChoiceList combo;
        combo.Add("stale");
        FillBaudCombo(combo, rate);
        EXPECT_EQ(combo.Items(), rates.Items());
        EXPECT_EQ(combo.Selected(), n) << rate;
        C_Com com;
        com.ComPort(pty.SlavePath());
        com.BaudRate(std::stoi(rate));
        ASSERT_EQ(com.OpenComm(), 1) << rate;
        EXPECT_EQ(com.LineBaud(), std::stoi(rate)) << rate;
        termios classic{};
        if (::cfsetspeed(&classic, std::stoi(rate)) == 0) {
            EXPECT_EQ(pty.Speed(), ::cfgetospeed(&classic)) << rate;
        }
    }
    FillBaudCombo(rates, "4800");
    EXPECT_EQ(rates.Selected(), -1);
    for (const auto& [index, selected] : {std::pair{3, 3}, {7, 0}, {-1, 0}, {6, 6}}) {
        ChoiceList combo;
        FillComCombo(combo, index);
        EXPECT_EQ(combo.Items(),
                  (std::vector<std::string>{"NA", "Com1", "Com2", "Com3", "Com4", "Com5", "Com6"}));
        EXPECT_EQ(combo.Selected(), selected) << index;
    }
}

TEST_F(SerialTest, BytesBothWaysInReadsOfDataSize) {
    C_Com com;
    com.ComPort(pty.SlavePath());
    com.DataSize(4);
    Bytes got(1, 77);
    com.RecvDataB(got);
    EXPECT_EQ(got[0], 77) << "not open: nothing touched";
    ASSERT_EQ(com.OpenComm(), 1);
    com.RecvDataB(got);
    EXPECT_EQ(got, (Bytes{0, 0, 0, 0, 0})) << "nothing buffered: count 0";
    pty.Write(Bytes{'A', 'B', 0, 0xE5, 'E', 'F'});
    com.RecvDataB(got);
    EXPECT_EQ(got, (Bytes{4, 'A', 'B', 0, 0xE5}));
    const uint8_t codes[] = {1, 101};
    com.SendDataB(codes, 2);
    EXPECT_EQ(pty.Read(), (Bytes{1, 101}));
}

TEST_F(SerialTest, OpenSerialFromTheSettings) {
    struct Case {
        const char* what;
        int timeCode, comNo, comBaud;
        std::string device;
        int opened, rate, size;
    };
    const std::string pty1 = pty.SlavePath();
    const std::string file = dir.File("not-a-tty");
    testing::WriteText(file, "");
    for (const Case& c : {Case{"code bytes", 0, 1, 38400, pty1, 1, 38400, 1},
                          Case{"time code ignores ComBaud", 1, 1, 9600, pty1, 1, 2400, 18},
                          Case{"ComNo 0", 0, 0, 9600, pty1, 0, 0, 0},
                          Case{"no terminal", 0, 1, 9600, file, 0, 0, 0},
                          Case{"ComNo 3 is ttyS2", 0, 3, 9600, "", 0, 0, 0}}) {
        std::unique_ptr<C_Com> port;
        settings.comNo = c.comNo;
        settings.comBaud = c.comBaud;
        settings.comDevice = c.device;
        EXPECT_EQ(OpenSerial(port, c.timeCode, settings), c.opened) << c.what;
        if (!c.opened) continue;
        EXPECT_EQ(port->ComPort(), c.device) << c.what;
        EXPECT_EQ(port->LineBaud(), c.rate) << c.what;
        EXPECT_EQ(port->DataSize(), c.size) << c.what;
    }
    std::unique_ptr<C_Com> port;
    settings.langMode = 0;
    EXPECT_EQ(OpenSerial(port, 0, settings), 0);
    const std::string ttyS2 = dir.Folder() + "dev/ttyS2";
    EXPECT_EQ(lines, (std::vector<std::string>{"[message] sonivex: Can not open " + file,
                                               "[message] sonivex: Can not open " + ttyS2,
                                               "[message] sonivex: " + ttyS2 + "が開けません"}));
}

}  // namespace
}  // namespace sonivex
