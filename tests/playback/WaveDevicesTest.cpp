// Tests of the device routines over a fixed fake device list: lookup by name, lists, error texts.
#include "playback/WaveDevices.h"

#include <QTemporaryDir>
#include <fstream>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "platform/AudioBackend.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {
namespace {

struct FakeDevice {
    std::string name;
    std::string id;
};

class FakeDevices : public DeviceList {
  public:
    std::vector<FakeDevice> inputs;
    std::vector<FakeDevice> outputs;

    int Count(bool isInput) const override { return static_cast<int>(List(isInput).size()); }
    std::string Name(bool isInput, int index) const override {
        return Valid(isInput, index) ? List(isInput)[static_cast<size_t>(index)].name : "";
    }
    std::string Id(bool isInput, int index) const override {
        return Valid(isInput, index) ? List(isInput)[static_cast<size_t>(index)].id : "";
    }

  private:
    const std::vector<FakeDevice>& List(bool isInput) const { return isInput ? inputs : outputs; }
    bool Valid(bool isInput, int index) const { return index >= 0 && index < Count(isInput); }
};

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
        ASSERT_TRUE(temp_.isValid());
        SetProgramClock(&clock_);
        SetMessageBoxService(&box_);
        LogConfig config;
        config.folder = temp_.path().toStdString() + "/";
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
    std::string ErrorLog() const {
        std::ifstream in(LogFilePath(1));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir temp_;
    FakeClock clock_{LocalDateTime{2026, 12, 5, 9, 0, 0, 0}};
    RecordingBox box_;
    FakeDevices devices_;
    std::vector<std::string> lines_;
};

TEST_F(WaveDevicesTest, FindWaveDeviceByNameIdOrIndex) {
    const struct {
        bool isInput;
        const char* name;
        int expected;
    } cases[] = {
        {true, "", 0},
        {true, "   ", 0},
        {true, "2", 2},  // an index, names not consulted
        {true, " 7 ", 7},
        {true, "-1", -1},           // the default device, said as a number
        {true, "built-in mic", 0},  // case and surrounding spaces ignored
        {true, "  BUILT-IN MIC ", 0},
        {true, "USB Audio Device", 1},            // equal names: the lower index
        {true, "PLUGHW:CARD=Device_1,DEV=0", 2},  // the platform's own id
        {true, "Line (Focus Interface)", 3},      // "(3- " numbering ignored
        {true, "mixer", 6},                       // "2- " numbering ignored
        {true, "cut", 7},                         // a name ends at its first NUL
        {true, "Speakers", -1},                   // outputs are another list
        {false, "speakers", 0},
        {false, "default", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FindWaveDevice(devices_, c.isInput, c.name, 0), c.expected);
    }
    EXPECT_TRUE(box_.shown.empty());
}

TEST_F(WaveDevicesTest, ANameNotFoundIsLoggedAndShownOnlyWhenAsked) {
    const std::string notFound = "この名前のデバイスを検出できませんでした";
    EXPECT_EQ(FindWaveDevice(devices_, true, "Line (Other Box)", 0), -1);  // 5- is not numbering
    EXPECT_EQ(lines_,
              std::vector<std::string>{"2026/12/05 09:00:00 " + notFound + " Line (Other Box)"});
    EXPECT_TRUE(box_.shown.empty());

    EXPECT_EQ(FindWaveDevice(devices_, true, " Nothing ", 2), -1);
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(FindWaveDevice(devices_, true, " Nothing ", 1), -1);
    EXPECT_EQ(box_.shown, std::vector<std::string>{"sonivex|" + notFound + "\n Nothing |16"});
    EXPECT_EQ(lines_.size(), 3u);

    FakeDevices none;
    lines_.clear();
    EXPECT_EQ(FindWaveDevice(none, true, "Nothing", 1), 0);
    EXPECT_TRUE(lines_.empty());
}

TEST(MatchDeviceNameTest, DuplicateNumberingIsIgnored) {
    const struct {
        const char* a;
        const char* b;
        int expected;
    } cases[] = {
        {"2- Model X", "Model X", 1},
        {"Model X", "2- MODEL X", 1},
        {"1- Model X", "model x", 1},
        {"4- Model X", "Model X", 1},
        {"5- Model X", "Model X", 0},
        {"2- Model", "3- Model", 1},
        {"Mic (3- Model)", "mic (model)", 1},
        {"Mic (5- Model)", "Mic (Model)", 0},
        {"Mic (2- Model)", "Mic (3- Model)", 1},
        {"2- ab", "ab", 1},
        {"2- a", "a", 0},
        {"2- マイク", "マイク", 1},
        {"2- あ", "あ", 0},
        {"Other", "Model", 0},
        {"", "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(MatchDeviceName(c.a, c.b), c.expected);
    }
}

TEST_F(WaveDevicesTest, NamesAndTheComboListAllAndSelectThePreferred) {
    ChoiceList combo;
    FillWaveDeviceCombo(devices_, combo, true, "", 0);
    ASSERT_EQ(combo.Count(), 8);
    EXPECT_EQ(combo.Item(0), "Built-in Mic");
    EXPECT_EQ(combo.Item(3), "Line (3- Focus Interface)");
    EXPECT_EQ(combo.Item(7), "Cut");
    for (int i : {-1, 0, 3, 7, 8}) {
        EXPECT_EQ(GetWaveDeviceName(devices_, true, i), i >= 0 && i < 8 ? combo.Item(i) : "");
    }

    const struct {
        const char* preferred;
        int selectFirst;
        int expected;
    } cases[] = {{"", 0, -1},
                 {"", 1, 0},
                 {"usb audio device", 0, 1},
                 {"Line (Focus Interface)", 0, 3},
                 {"Nothing", 0, -1},
                 {"Nothing", 1, 0},
                 {" MIXER ", 1, 6},
                 {"plughw:CARD=Device_2,DEV=0", 0, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preferred);
        FillWaveDeviceCombo(devices_, combo, true, c.preferred, c.selectFirst);
        EXPECT_EQ(combo.Count(), 8);
        EXPECT_EQ(combo.Selected(), c.expected);
    }

    FillWaveDeviceCombo(devices_, combo, false, "speakers", 0);
    EXPECT_EQ(combo.Items(), std::vector<std::string>{"Speakers"});
    EXPECT_EQ(combo.Selected(), 0);

    FakeDevices none;
    FillWaveDeviceCombo(none, combo, true, "", 1);
    EXPECT_EQ(combo.Count(), 0);
    EXPECT_EQ(combo.Selected(), -1);
}

TEST(FillSampleRateComboTest, BoundsAndSelection) {
    ChoiceList combo;
    FillSampleRateCombo(combo, 44100, 0, 0);
    EXPECT_EQ(combo.Items(),
              (std::vector<std::string>{"192000", "96000", "88200", "48000", "44100", "32000",
                                        "24000", "22050", "16000", "12000", "11025", "8000"}));
    EXPECT_EQ(combo.Selected(), 4);

    FillSampleRateCombo(combo, 44000, 0, 0);
    EXPECT_EQ(combo.Count(), 12);
    EXPECT_EQ(combo.Selected(), -1);

    FillSampleRateCombo(combo, 16000, 16000, 48000);
    EXPECT_EQ(combo.Items(),
              (std::vector<std::string>{"48000", "44100", "32000", "24000", "22050", "16000"}));
    EXPECT_EQ(combo.Selected(), 5);

    FillSampleRateCombo(combo, 96000, 0, 11025);
    EXPECT_EQ(combo.Items(), (std::vector<std::string>{"11025", "8000"}));
    EXPECT_EQ(combo.Selected(), -1);
}

TEST_F(WaveDevicesTest, ShowWaveErrorCutsTheTextAndChoosesLogOrBox) {
    EXPECT_EQ(ShowWaveError(0, "unused", 1), 0);
    EXPECT_EQ(ShowWaveError(0, "unused", 0), 0);
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_EQ(ErrorLog(), "");

    std::string longText;
    for (int i = 0; i < 250; ++i) longText += "あ";
    std::string cut;
    for (int i = 0; i < 200; ++i) cut += "あ";
    EXPECT_EQ(ShowWaveError(4, longText, 1), 1);
    EXPECT_EQ(ErrorLog(), "2026/12/05 09:00:00 " + cut + "\n");
    EXPECT_TRUE(box_.shown.empty());
    EXPECT_TRUE(lines_.empty());

    EXPECT_EQ(ShowWaveError(32, "Device busy", 0), 1);
    EXPECT_EQ(box_.shown, std::vector<std::string>{"sonivex|Device busy|16"});

    EXPECT_EQ(ShowWaveError(2, "", 0), 1);
    ASSERT_EQ(box_.shown.size(), 2u);
    EXPECT_NE(box_.shown[1].find("2"), std::string::npos);
}

}  // namespace
}  // namespace sonivex
