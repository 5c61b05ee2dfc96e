// The serial port through a pseudo-terminal: line rates and the dialog's list of them, opening
// from the settings with its messages. (Bytes both ways are in the device runs.)
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

class SerialTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LogConfig log;
        log.echo = [this](const std::string& line) { lines.push_back(line.substr(20)); };
        ConfigureLog(log);
        settings.comNo = 1;
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
}

// What cannot be opened is said in a message box in the language of the settings: a file that is
// no terminal, and the ttyS port that ComNo stands for without a ComDevice.
TEST_F(SerialTest, WhatCannotBeOpenedIsSaid) {
    std::unique_ptr<C_Com> port;
    const std::string file = dir.File("not-a-tty"), ttyS2 = dir.Folder() + "dev/ttyS2";
    testing::WriteText(file, "");
    settings.comDevice = file;
    EXPECT_EQ(OpenSerial(port, 0, settings), 0);
    settings.comDevice = "";
    settings.comNo = 3;
    EXPECT_EQ(OpenSerial(port, 0, settings), 0);
    settings.langMode = 0;
    EXPECT_EQ(OpenSerial(port, 0, settings), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"[message] sonivex: Can not open " + file,
                                               "[message] sonivex: Can not open " + ttyS2,
                                               "[message] sonivex: " + ttyS2 + "が開けません"}));
}

}  // namespace
}  // namespace sonivex
