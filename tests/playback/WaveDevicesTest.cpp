// The device routines over a fixed fake device list: lookup by name, lists, error texts.
#include "playback/WaveDevices.h"

#include <vector>

#include <gtest/gtest.h>

#include "TempDir.h"
#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {
namespace {

// Devices of each direction as name and platform id.
struct FakeDevices : DeviceList {
    using Entries = std::vector<std::pair<std::string, std::string>>;
    Entries inputs, outputs;
    int Count(bool isInput) const override {
        return static_cast<int>((isInput ? inputs : outputs).size());
    }
    std::string Name(bool isInput, int index) const override { return At(isInput, index).first; }
    std::string Id(bool isInput, int index) const override { return At(isInput, index).second; }
    Entries::value_type At(bool isInput, int index) const {
        return index < 0 || index >= Count(isInput) ? Entries::value_type{}
                                                    : (isInput ? inputs : outputs)[index];
    }
};

// Message boxes as "title|text|flags".
struct RecordingBox : MessageBoxService {
    int Show(const std::string& text, int flags, const std::string& title) override {
        shown.push_back(title + "|" + text + "|" + std::to_string(flags));
        return IDOK;
    }
    std::vector<std::string> shown;
};

class WaveDevicesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetProgramClock(&clock_);
        SetMessageBoxService(&box_);
        LogConfig config;
        config.folder = temp_.Folder();
        config.echo = [this](const std::string& line) { lines_.push_back(line); };
        ConfigureLog(config);
        devices_.inputs = {{"  Built-in Mic  ", "hw:CARD=PCH,DEV=0"},
                           {"USB Audio Device", "plughw:CARD=Device,DEV=0"},
                           {"2- USB Audio Device", "plughw:CARD=Device_1,DEV=0"},
                           {"Line (3- Focus Interface)", ""},
                           {"Line (5- Other Box)", ""},
                           {"USB Audio Device", "plughw:CARD=Device_2,DEV=0"},
                           {"2- Mixer", ""},
                           {std::string("Cut\0Here", 8), ""}};
        devices_.outputs = {{"Speakers", "default"}};
    }
    void TearDown() override {
        SetMessageBoxService(nullptr);
        ConfigureLog(LogConfig{});
        SetProgramClock(nullptr);
    }

    testing::TempDir temp_;
    FakeClock clock_{LocalDateTime{2026, 12, 5, 9, 0, 0, 0}};
    RecordingBox box_;
    FakeDevices devices_;
    std::vector<std::string> lines_;
};

TEST_F(WaveDevicesTest, FindWaveDeviceByNameIdOrIndexAndReportsANameNotFound) {
    const std::pair<const char*, int> inputs[] = {
        {"", 0},
        {"2", 2},                           // an index, names not consulted
        {"-1", -1},                         // the default device, said as a number
        {"built-in mic", 0},                // case and surrounding spaces ignored
        {"USB Audio Device", 1},            // equal names: the lower index
        {"PLUGHW:CARD=Device_1,DEV=0", 2},  // the platform's own id
        {"Line (Focus Interface)", 3},      // "(3- " numbering ignored
        {"mixer", 6},                       // "2- " numbering ignored
        {"cut", 7},                         // a name ends at its first NUL
    };
    for (const auto& [name, expected] : inputs) {
        EXPECT_EQ(FindWaveDevice(devices_, true, name, 0), expected) << name;
    }
    EXPECT_EQ(FindWaveDevice(devices_, false, "speakers", 0), 0);
    EXPECT_TRUE(lines_.empty());
    const std::string notFound = "この名前のデバイスを検出できませんでした";
    EXPECT_EQ(FindWaveDevice(devices_, true, "Speakers", 0), -1);  // outputs are another list
    EXPECT_EQ(FindWaveDevice(devices_, true, "Line (Other Box)", 0), -1);  // 5- is not numbering
    EXPECT_EQ(lines_.back(), "2026/12/05 09:00:00 " + notFound + " Line (Other Box)");
    // Who asked goes into the line, and the line into the error log too.
    EXPECT_EQ(FindWaveDevice(devices_, true, "Nothing", 0, "ch1"), -1);
    EXPECT_EQ(testing::ReadText(LogFilePath(1)),
              "2026/12/05 09:00:00 " + notFound + " Nothing (ch1)\n");
    EXPECT_EQ(FindWaveDevice(FakeDevices{}, true, "Nothing", 0), 0);  // no list at all
    EXPECT_EQ(lines_.size(), 3u);
}

// The settings dialog's list: every name as GetWaveDeviceName gives it (trimmed, cut at a NUL, ""
// beyond the list), the stored device selected.
TEST_F(WaveDevicesTest, NamesAndTheComboListAllAndSelectThePreferred) {
    ChoiceList combo;
    for (const auto& [preferred, selected] :
         {std::pair{"", -1}, {"Nothing", -1}, {"plughw:CARD=Device_2,DEV=0", 5}}) {
        FillWaveDeviceCombo(devices_, combo, true, preferred, 0);
        EXPECT_EQ(combo.Selected(), selected) << preferred;
    }
    std::vector<std::string> names;
    for (int i = -1; i <= 8; ++i) names.push_back(GetWaveDeviceName(devices_, true, i));
    EXPECT_EQ(names[1] + "|" + names[8] + "|" + names[0] + names[9], "Built-in Mic|Cut|");
    EXPECT_EQ(combo.Items(), std::vector<std::string>(names.begin() + 1, names.end() - 1));
    FillWaveDeviceCombo(FakeDevices{}, combo, true, "", 0);
    EXPECT_EQ(combo.Count(), 0);
}

// The settings dialog lists every rate, the current one selected when it is one of them.
TEST(FillSampleRateComboTest, EveryRateAndTheCurrentOneSelected) {
    ChoiceList combo;
    FillSampleRateCombo(combo, 44100, 0, 0);
    EXPECT_EQ(combo.Count(), 12);
    EXPECT_EQ(combo.Item(combo.Selected()), "44100");
    FillSampleRateCombo(combo, 44000, 0, 0);
    EXPECT_EQ(combo.Selected(), -1);
}

// The message box shows at most 200 characters of the device's text, or the code without one.
TEST_F(WaveDevicesTest, ShowWaveErrorCutsTheText) {
    EXPECT_EQ(ShowWaveError(0, "unused", 0), 0);
    std::string cut;
    for (int i = 0; i < 200; ++i) cut += "あ";
    EXPECT_EQ(ShowWaveError(4, cut + cut.substr(0, 150), 0), 1);  // 250 characters
    EXPECT_EQ(ShowWaveError(2, "", 0), 1);
    EXPECT_EQ(box_.shown, (std::vector<std::string>{"sonivex|" + cut + "|16",
                                                    "sonivex|wave device error 2|16"}));
}

}  // namespace
}  // namespace sonivex
