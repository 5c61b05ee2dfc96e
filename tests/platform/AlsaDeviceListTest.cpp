// Device lists from ALSA name hints: which PCMs are offered, under which names, in which order.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "AlsaTestConfig.h"
#include "platform/AlsaDeviceList.h"

namespace sonivex {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;  // name, id

Entries ListOf(const DeviceList& list, bool isInput) {
    Entries entries;
    for (int i = 0; i < list.Count(isInput); ++i) {
        entries.emplace_back(list.Name(isInput, i), list.Id(isInput, i));
    }
    return entries;
}

// The hints of a machine with two identical USB cards, an HDMI output and the usual plugins.
const std::vector<PcmHint> kMachineHints = {
    {"null", "Discard all samples (playback) or generate zero samples (capture)", ""},
    {"default", "Default ALSA Output (currently PulseAudio Sound Server)", ""},
    {"lavrate", "Rate Converter Plugin Using Libav/FFmpeg Library", ""},
    {"samplerate_best", "Rate Converter Plugin Using Samplerate Library", ""},
    {"upmix", "Plugin for channel upmix (4,6,8)", ""},
    {"pulse", "PulseAudio Sound Server", ""},
    {"studio", "", ""},
    {"mic", "  Desk microphone  \nwith a second line", "Input"},
    {"hw:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\nDirect hardware device", ""},
    {"plughw:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\nHardware device with all", ""},
    {"sysdefault:CARD=CODEC", "USB Audio CODEC, USB Audio\nDefault Audio Device", ""},
    {"front:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\nFront output / input", ""},
    {"surround51:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\n5.1 Surround", "Output"},
    {"iec958:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\nIEC958 (S/PDIF)", "Output"},
    {"dmix:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\nDirect sample mixing", "Output"},
    {"dsnoop:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\nDirect sample snooping", "Input"},
    {"plughw:CARD=CODEC_1,DEV=0", "USB Audio CODEC, USB Audio\nHardware device with all", ""},
    {"dmix:CARD=CODEC_1,DEV=0", "USB Audio CODEC, USB Audio\nDirect sample mixing", "Output"},
    {"dsnoop:CARD=CODEC_1,DEV=0", "USB Audio CODEC, USB Audio\nDirect sample snooping", "Input"},
    {"plughw:CARD=PCH,DEV=3", "HDA Intel PCH, HDMI 0\nHardware device with all", "Output"},
    {"hdmi:CARD=PCH,DEV=0", "HDA Intel PCH, HDMI 0\nHDMI Audio Output", "Output"},
};

TEST(AlsaDeviceListTest, OffersEachDeviceOnceWithNumberedDuplicates) {
    const AlsaDeviceList list(kMachineHints);
    const Entries inputs = {
        {"default", "default"},
        {"PulseAudio Sound Server", "pulse"},
        {"studio", "studio"},
        {"Desk microphone", "mic"},
        {"USB Audio CODEC, USB Audio", "plughw:CARD=CODEC,DEV=0"},
        {"USB Audio CODEC, USB Audio (shared)", "dsnoop:CARD=CODEC,DEV=0"},
        {"2- USB Audio CODEC, USB Audio", "plughw:CARD=CODEC_1,DEV=0"},
        {"2- USB Audio CODEC, USB Audio (shared)", "dsnoop:CARD=CODEC_1,DEV=0"},
    };
    const Entries outputs = {
        {"default", "default"},
        {"PulseAudio Sound Server", "pulse"},
        {"studio", "studio"},
        {"USB Audio CODEC, USB Audio", "plughw:CARD=CODEC,DEV=0"},
        {"USB Audio CODEC, USB Audio (shared)", "dmix:CARD=CODEC,DEV=0"},
        {"2- USB Audio CODEC, USB Audio", "plughw:CARD=CODEC_1,DEV=0"},
        {"2- USB Audio CODEC, USB Audio (shared)", "dmix:CARD=CODEC_1,DEV=0"},
        {"HDA Intel PCH, HDMI 0", "plughw:CARD=PCH,DEV=3"},
    };
    EXPECT_EQ(ListOf(list, true), inputs);
    EXPECT_EQ(ListOf(list, false), outputs);
}

TEST(AlsaDeviceListTest, DefaultIsAlwaysThereAndOutOfRangeIsEmpty) {
    const AlsaDeviceList list(std::vector<PcmHint>{});
    for (bool isInput : {true, false}) {
        EXPECT_EQ(list.Count(isInput), 1);
        EXPECT_EQ(list.Name(isInput, 0), "default");
        EXPECT_EQ(list.Id(isInput, 0), "default");
        EXPECT_EQ(list.Name(isInput, 1), "");
        EXPECT_EQ(list.Id(isInput, -1), "");
    }
}

// The same through ALSA itself: the private configuration's PCMs and its simulated card hints.
TEST(AlsaDeviceListTest, ReadsTheHintsAlsaGives) {
    test::UseAlsaTestConfig();
    const AlsaDeviceList list;
    const Entries expectedInputs = {
        {"default", "default"},
        {"Test capture", "testcap"},
        {"Test playback", "testplay"},
        {"USB Audio CODEC, USB Audio", "plughw:CARD=CODEC,DEV=0"},
        {"USB Audio CODEC, USB Audio (shared)", "dsnoop:CARD=CODEC,DEV=0"},
        {"2- USB Audio CODEC, USB Audio", "plughw:CARD=CODEC_1,DEV=0"},
        {"2- USB Audio CODEC, USB Audio (shared)", "dsnoop:CARD=CODEC_1,DEV=0"},
    };
    const Entries expectedOutputs = {
        {"default", "default"},
        {"Test capture", "testcap"},
        {"Test playback", "testplay"},
        {"USB Audio CODEC, USB Audio", "plughw:CARD=CODEC,DEV=0"},
        {"USB Audio CODEC, USB Audio (shared)", "dmix:CARD=CODEC,DEV=0"},
        {"2- USB Audio CODEC, USB Audio", "plughw:CARD=CODEC_1,DEV=0"},
        {"HDA Intel HDMI, HDMI 0", "plughw:CARD=HDMI,DEV=3"},
    };
    // Hints from the machine's own configuration (a sound server plugin, say) may come too;
    // the test PCMs must be there, in this order.
    auto containsInOrder = [](const Entries& all, const Entries& wanted) {
        size_t next = 0;
        for (const auto& entry : all) {
            if (next < wanted.size() && entry == wanted[next]) ++next;
        }
        return next == wanted.size();
    };
    const Entries inputs = ListOf(list, true);
    const Entries outputs = ListOf(list, false);
    EXPECT_EQ(inputs.front(), expectedInputs.front());
    EXPECT_TRUE(containsInOrder(inputs, expectedInputs)) << ::testing::PrintToString(inputs);
    EXPECT_TRUE(containsInOrder(outputs, expectedOutputs)) << ::testing::PrintToString(outputs);
}

}  // namespace
}  // namespace sonivex
