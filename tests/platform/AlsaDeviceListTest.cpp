// Device lists from ALSA name hints: which PCMs are offered, under which names, in which order.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "AlsaTestConfig.h"
#include "platform/AlsaDeviceList.h"
#include "playback/WaveDevices.h"

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

// Hints the private configuration below does not give: plugins to leave out, a second "default",
// a PCM without a description, a description to tidy, hints of one direction.
TEST(AlsaDeviceListTest, LeavesOutPluginsAndNamesPcmsByTheirDescription) {
    const AlsaDeviceList list(std::vector<PcmHint>{
        {"null", "Discard all samples (playback) or generate zero samples (capture)", ""},
        {"default", "Default ALSA Output (currently PulseAudio Sound Server)", ""},
        {"lavrate", "Rate Converter Plugin Using Libav/FFmpeg Library", ""},
        {"upmix", "Plugin for channel upmix (4,6,8)", ""},
        {"surround51:CARD=CODEC,DEV=0", "USB Audio CODEC, USB Audio\n5.1 Surround", "Output"},
        {"pulse", "PulseAudio Sound Server", ""},
        {"studio", "", ""},
        {"mic", "  Desk microphone  \nwith a second line", "Input"},
    });
    const Entries both = {
        {"default", "default"}, {"PulseAudio Sound Server", "pulse"}, {"studio", "studio"}};
    Entries inputs = both;
    inputs.emplace_back("Desk microphone", "mic");
    EXPECT_EQ(ListOf(list, true), inputs);
    EXPECT_EQ(ListOf(list, false), both);
    EXPECT_EQ(list.Name(true, 4) + list.Id(false, -1), "");
    EXPECT_EQ(ListOf(AlsaDeviceList(std::vector<PcmHint>{}), true), Entries{both[0]});
}

// Through ALSA itself: the private configuration's PCMs and its hints of two identical cards, the
// second without a mixing PCM. A card's plain name shares it where ALSA offers a way; its
// "plughw:" name opens it alone.
TEST(AlsaDeviceListTest, ReadsTheHintsAlsaGives) {
    test::UseAlsaTestConfig();
    const AlsaDeviceList list;
    const Entries common = {
        {"default", "default"},
        {"Test capture", "testcap"},
        {"Test playback", "testplay"},
    };
    Entries inputs = common, outputs = common;
    inputs.insert(inputs.end(), {{"USB Audio CODEC, USB Audio", "dsnoop:CARD=CODEC,DEV=0"},
                                 {"plughw:CARD=CODEC,DEV=0", "plughw:CARD=CODEC,DEV=0"},
                                 {"2- USB Audio CODEC, USB Audio", "dsnoop:CARD=CODEC_1,DEV=0"},
                                 {"plughw:CARD=CODEC_1,DEV=0", "plughw:CARD=CODEC_1,DEV=0"}});
    outputs.insert(outputs.end(), {{"USB Audio CODEC, USB Audio", "dmix:CARD=CODEC,DEV=0"},
                                   {"plughw:CARD=CODEC,DEV=0", "plughw:CARD=CODEC,DEV=0"},
                                   {"2- USB Audio CODEC, USB Audio", "plughw:CARD=CODEC_1,DEV=0"},
                                   {"HDA Intel HDMI, HDMI 0", "plughw:CARD=HDMI,DEV=3"}});
    // The machine's own configuration may add hints (a sound server, say); ours must all be
    // there, in this order, with "default" first.
    for (const auto& [isInput, wanted] : {std::pair{true, inputs}, std::pair{false, outputs}}) {
        const Entries all = ListOf(list, isInput);
        size_t next = 0;
        for (const auto& entry : all) next += next < wanted.size() && entry == wanted[next];
        EXPECT_EQ(next, wanted.size()) << ::testing::PrintToString(all);
        EXPECT_EQ(all.front(), wanted.front());
    }
}

// Names stored before plain names shared a card still find the device they meant.
TEST(AlsaDeviceListTest, StoredNamesFindTheirDeviceAndSayHowTheyOpenIt) {
    test::UseAlsaTestConfig();
    const AlsaDeviceList list;
    const struct {
        bool isInput;
        const char* stored;
        const char* id;
        const char* sharing;
    } cases[] = {
        {false, "USB Audio CODEC, USB Audio (shared)", "dmix:CARD=CODEC,DEV=0", "shared"},
        {true, "2- USB Audio CODEC, USB Audio (shared)", "dsnoop:CARD=CODEC_1,DEV=0", "shared"},
        {true, "USB Audio CODEC, USB Audio", "dsnoop:CARD=CODEC,DEV=0", "shared"},
        {false, "plughw:CARD=CODEC,DEV=0", "plughw:CARD=CODEC,DEV=0", "exclusive"},
        {false, "Test playback", "testplay", ""},
    };
    for (const auto& c : cases) {
        const std::string id = list.Id(c.isInput, FindWaveDevice(list, c.isInput, c.stored, 0));
        EXPECT_EQ(id, c.id) << c.stored;
        EXPECT_EQ(SharingOf(id), c.sharing) << c.stored;
    }
}

}  // namespace
}  // namespace sonivex
