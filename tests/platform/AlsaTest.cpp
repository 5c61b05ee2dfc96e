// ALSA through a private configuration (test PCMs, simulated card hints) and through a scripted
// in-process PCM: device lists, capture, playback, recovery, dead devices, open failures.
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <numeric>
#include <utility>
#include <vector>

#include "TempDir.h"
#include "platform/AlsaDeviceList.h"
#include "platform/AlsaWaveIn.h"
#include "platform/AlsaWaveOut.h"
#include "playback/WaveDevices.h"

namespace sonivex {
namespace {

using Samples = std::vector<int16_t>;
using Entries = std::vector<std::pair<std::string, std::string>>;  // name, id

// Sample `channel` of frame `frame` of what capture delivers: distinct in both channels and across
// many periods, so misplaced frames show.
int16_t CaptureSample(uint32_t frame, int channel) {
    return static_cast<int16_t>(channel == 0 ? frame * 7 : ~frame);
}

// Writes the configuration once per process and points ALSA at it.
void UseAlsaTestConfig() {
    static const struct Config {
        testing::TempDir dir;
        Config() {
            const std::string data = std::string(SONIVEX_TEST_DATA) + "/alsa/";
            std::string conf = testing::ReadText(data + "devices.conf.in");
            for (size_t at = conf.find("@DIR@/"); at != std::string::npos; at = conf.find("@DIR@/"))
                conf.replace(at, 6, dir.Folder());
            testing::WriteText(dir.File("devices.conf"), conf);
            const std::string path = std::string(snd_config_topdir()) +
                                     "/alsa.conf:" + dir.File("devices.conf") + ":" + data +
                                     "cardhints.conf";
            setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
            snd_config_update_free_global();  // ALSA keeps the configuration it loaded first
        }
    } config;
}

// A real ALSA PCM (an ioplug device in this process, S16_LE, 1-2 channels, 8-48 kHz) whose
// hardware the test moves and breaks.
class ScriptedPcm {
  public:
    ScriptedPcm() : pollFd_(eventfd(0, EFD_NONBLOCK)) {
        callbacks_.start = [](snd_pcm_ioplug_t* io) {
            Of(io).running_ = true;
            return 0;
        };
        callbacks_.stop = &Halt;
        callbacks_.prepare = [](snd_pcm_ioplug_t* io) {
            return Of(io).prepareError != 0 ? Of(io).prepareError : Halt(io);
        };
        callbacks_.pointer = [](snd_pcm_ioplug_t* io) -> snd_pcm_sframes_t {
            if (Of(io).xrun_) return -EPIPE;
            return static_cast<snd_pcm_sframes_t>(Of(io).hwFrames_ % io->buffer_size);
        };
        callbacks_.transfer = &Transfer;
    }
    ~ScriptedPcm() { close(pollFd_); }

    // Opens this device for the name "scripted", others are unknown; fails with openError if set.
    PcmOpener Opener() {
        return [this](snd_pcm_t** pcm, const std::string& name, snd_pcm_stream_t stream) {
            opened = name;
            if (openError != 0) return openError;
            return name == "scripted" ? Create(pcm, stream) : -ENOENT;
        };
    }
    // The hardware moves: capture records `frames` more, playback plays up to `frames` of what
    // was written (none while stopped). Keep each step below the buffer size.
    void Advance(snd_pcm_uframes_t frames) {
        if (!running_) return;
        if (io_.stream == SND_PCM_STREAM_PLAYBACK) {
            frames = std::min<snd_pcm_uframes_t>(frames, pending_.size() / io_.channels);
            const auto end = pending_.begin() + static_cast<std::ptrdiff_t>(frames * io_.channels);
            played.insert(played.end(), pending_.begin(), end);
            pending_.erase(pending_.begin(), end);
        }
        hwFrames_ += frames;
    }
    void Overrun() { xrun_ = true; }  // the next position query reports an xrun
    void Unplug() { snd_pcm_ioplug_set_state(&io_, SND_PCM_STATE_DISCONNECTED); }

    int prepareError = 0;           // nonzero: every prepare fails with it (a broken stream)
    int openError = 0;              // nonzero: every open fails with it
    std::string opened;             // the name last asked for
    Samples played;                 // playback samples the hardware played, in order
    uint32_t nextCaptureFrame = 0;  // capture: frame number of the next frame delivered

  private:
    static ScriptedPcm& Of(snd_pcm_ioplug_t* io) {
        return *static_cast<ScriptedPcm*>(io->private_data);
    }
    // Stop and prepare: idle, empty, at frame 0; a stopped device drops what it had not played.
    static int Halt(snd_pcm_ioplug_t* io) {
        ScriptedPcm& self = Of(io);
        self.running_ = self.xrun_ = false;
        self.hwFrames_ = 0;
        self.pending_.clear();
        return 0;
    }
    static snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t* io, const snd_pcm_channel_area_t* areas,
                                      snd_pcm_uframes_t offset, snd_pcm_uframes_t size) {
        ScriptedPcm& self = Of(io);
        auto* samples = reinterpret_cast<int16_t*>(static_cast<uint8_t*>(areas[0].addr) +
                                                   areas[0].first / 8 + offset * areas[0].step / 8);
        const size_t count = size * io->channels;
        if (io->stream == SND_PCM_STREAM_PLAYBACK) {
            self.pending_.insert(self.pending_.end(), samples, samples + count);
            return static_cast<snd_pcm_sframes_t>(size);
        }
        for (size_t i = 0; i < count; ++i) {
            samples[i] =
                CaptureSample(self.nextCaptureFrame + static_cast<uint32_t>(i / io->channels),
                              static_cast<int>(i % io->channels));
        }
        self.nextCaptureFrame += static_cast<uint32_t>(size);
        return static_cast<snd_pcm_sframes_t>(size);
    }
    int Create(snd_pcm_t** pcm, snd_pcm_stream_t stream) {
        io_ = snd_pcm_ioplug_t{};
        io_.version = SND_PCM_IOPLUG_VERSION;
        io_.name = "scripted";
        io_.callback = &callbacks_;
        io_.private_data = this;
        io_.poll_fd = pollFd_;
        io_.poll_events = POLLIN;
        const int err = snd_pcm_ioplug_create(&io_, "scripted", stream, SND_PCM_NONBLOCK);
        if (err < 0) return err;
        static const unsigned kAccess[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
        static const unsigned kFormats[] = {SND_PCM_FORMAT_S16_LE};
        snd_pcm_ioplug_set_param_list(&io_, SND_PCM_IOPLUG_HW_ACCESS, 1, kAccess);
        snd_pcm_ioplug_set_param_list(&io_, SND_PCM_IOPLUG_HW_FORMAT, 1, kFormats);
        snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_CHANNELS, 1, 2);
        snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_RATE, 8000, 48000);
        snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20);
        snd_pcm_ioplug_set_param_minmax(&io_, SND_PCM_IOPLUG_HW_PERIODS, 2, 1024);
        *pcm = io_.pcm;
        return 0;
    }

    snd_pcm_ioplug_t io_{};
    snd_pcm_ioplug_callback_t callbacks_{};
    int pollFd_;
    bool running_ = false, xrun_ = false;
    uint64_t hwFrames_ = 0;  // frames moved since the last prepare
    Samples pending_;        // playback samples written but not yet played
};

WaveFormat PcmFormat(uint32_t rate) {
    return {WAVE_FORMAT_PCM, 2, rate, rate * 4, 4, 16, 16, 0};
}

std::shared_ptr<const DeviceList> ScriptedList() {
    return std::make_shared<AlsaDeviceList>(std::vector<PcmHint>{
        {"nosuchpcm", "Missing device", ""},
        {"scripted", "Scripted", ""},
        {"dsnoop:CARD=CODEC,DEV=0", "USB", ""},
    });
}
constexpr int kMissing = 1, kScripted = 2, kShared = 3;

Entries ListOf(const DeviceList& list, bool isInput) {
    Entries entries;
    for (int i = 0; i < list.Count(isInput); ++i) {
        entries.emplace_back(list.Name(isInput, i), list.Id(isInput, i));
    }
    return entries;
}

// Hints the private configuration does not give: plugins to leave out, a second "default", a PCM
// without a description, a description to tidy, hints of one direction.
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

// Through ALSA: two identical cards, the second without a mixing PCM. A card's plain name shares
// it where ALSA offers a way, its "plughw:" name opens it alone, and names stored before plain
// names shared a card still find the device they meant.
TEST(AlsaDeviceListTest, ReadsTheHintsAlsaGivesAndFindsStoredNames) {
    UseAlsaTestConfig();
    const AlsaDeviceList list;
    const Entries common = {
        {"default", "default"}, {"Test capture", "testcap"}, {"Test playback", "testplay"}};
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
    // there, in this order.
    for (const auto& [isInput, wanted] : {std::pair{true, inputs}, std::pair{false, outputs}}) {
        const Entries all = ListOf(list, isInput);
        size_t next = 0;
        for (const auto& entry : all) next += next < wanted.size() && entry == wanted[next];
        EXPECT_EQ(next, wanted.size()) << ::testing::PrintToString(all);
    }
    const struct {
        bool isInput;
        const char *stored, *id, *sharing;
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

// Stereo 16-bit capture buffers of `frames` each, prepared and queued on `in`.
struct Buffers {
    Buffers(WaveIn& in, size_t count, uint32_t frames)
        : data(count, Samples(frames * 2)), headers(count) {
        for (size_t i = 0; i < count; ++i) {
            headers[i].data = reinterpret_cast<uint8_t*>(data[i].data());
            headers[i].bufferLength = frames * 4;
            EXPECT_EQ(in.PrepareHeader(headers[i]), MMSYSERR_NOERROR);
            EXPECT_EQ(in.AddBuffer(headers[i]), MMSYSERR_NOERROR);
        }
    }
    // The first `frames` frames of buffer `b` are the capture ramp from frame `first` on.
    void ExpectRamp(size_t b, size_t first, size_t frames) const {
        for (size_t i = 0; i < frames * 2; ++i) {
            ASSERT_EQ(data[b][i],
                      CaptureSample(static_cast<uint32_t>(first + i / 2), static_cast<int>(i % 2)))
                << "buffer " << b << " sample " << i;
        }
    }
    bool Done(size_t b) const { return headers[b].flags & WHDR_DONE; }
    std::vector<Samples> data;
    std::vector<WaveHeader> headers;
};

TEST(AlsaWaveInTest, FollowsTheHardwareRecoversFromOverrunAndStopsForGoodWhenUnpluggedOrBroken) {
    ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    constexpr uint32_t kFrames = 1000, kStep = 300;
    Buffers buffers(in, 3, kFrames);
    EXPECT_EQ(in.UnprepareHeader(buffers.headers[0]), WAVERR_STILLPLAYING);
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    for (uint32_t delivered = kStep; delivered <= 3 * kFrames; delivered += kStep) {
        device.Advance(kStep);
        ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
        uint32_t recorded = 0;
        for (uint32_t b = 0; b < 3; ++b) {
            recorded += buffers.headers[b].bytesRecorded;
            EXPECT_EQ(buffers.Done(b), delivered >= (b + 1) * kFrames);
        }
        EXPECT_EQ(recorded, delivered * 4);
    }
    for (size_t b = 0; b < 3; ++b) buffers.ExpectRamp(b, b * kFrames, kFrames);

    // An overrun is recovered and capture is started again (or nothing more would arrive); frames
    // go on in order.
    ASSERT_EQ(in.AddBuffer(buffers.headers[0]), MMSYSERR_NOERROR);
    device.Overrun();
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    const uint32_t next = device.nextCaptureFrame;
    device.Advance(400);
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffers.headers[0].bytesRecorded, 400 * 4u);
    buffers.ExpectRamp(0, next, 400);

    // Unplugged: nothing more arrives, but the owner can still take its buffer back and close.
    device.Unplug();
    device.Advance(100);
    EXPECT_EQ(in.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(in.Start(), MMSYSERR_NODRIVER);
    EXPECT_EQ(buffers.headers[0].bytesRecorded, 400 * 4u);
    EXPECT_FALSE(buffers.Done(0));
    EXPECT_EQ(in.Reset(), MMSYSERR_NODRIVER);
    EXPECT_EQ(buffers.headers[0].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(in.UnprepareHeader(buffers.headers[0]), MMSYSERR_NOERROR);
    EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
    EXPECT_EQ(in.UnprepareHeader(buffers.headers[1]), MMSYSERR_INVALHANDLE);

    // An overrun that recovery cannot mend (the stream will not prepare again) is as gone as an
    // unplugged device; a live device hands its buffers back on a reset.
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    Buffers again(in, 1, 1000);
    EXPECT_EQ(in.Reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(again.headers[0].flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    ASSERT_EQ(in.AddBuffer(again.headers[0]), MMSYSERR_NOERROR);
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    device.prepareError = -EIO;
    device.Overrun();
    device.Advance(400);
    EXPECT_EQ(in.Service(), MMSYSERR_ERROR);
    EXPECT_EQ(in.Service(), MMSYSERR_ERROR) << "stays failed";
    EXPECT_EQ(again.headers[0].bytesRecorded, 0u);
    EXPECT_EQ(in.ErrorText(MMSYSERR_ERROR),
              "Undefined external error. (ALSA: Input/output error on scripted)");
}

// Each failure gives its code, and its text ends with what ALSA said (none when ALSA was not
// asked) until another code is asked for.
TEST(AlsaWaveInTest, OpenFailuresGiveTheirCodeAndText) {
    const struct {
        int device;
        WaveFormat format;
        int openError, code;
        std::string detail;
    } cases[] = {
        {7, PcmFormat(8000), 0, MMSYSERR_BADDEVICEID, "range."},
        {kMissing, PcmFormat(8000), 0, MMSYSERR_BADDEVICEID,
         "(ALSA: No such file or directory on nosuchpcm)"},
        {kScripted, PcmFormat(96000), 0, WAVERR_BADFORMAT, "(ALSA: Invalid argument on scripted)"},
        // A shared PCM is opened through a plug.
        {kShared, PcmFormat(44100), -EBUSY, MMSYSERR_ALLOCATED,
         "(ALSA: Device or resource busy on dsnoop:CARD=CODEC,DEV=0)"},
    };
    ScriptedPcm device;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.detail);
        device.openError = c.openError;
        AlsaWaveIn in(ScriptedList(), device.Opener());
        EXPECT_EQ(in.Open(c.device, c.format), c.code);
        const std::string text = in.ErrorText(c.code);
        EXPECT_EQ(text.substr(text.size() - std::min(text.size(), c.detail.size())), c.detail);
        EXPECT_EQ(in.ErrorText(MMSYSERR_NOMEM).find("ALSA"), std::string::npos);
        EXPECT_EQ(in.Service(), MMSYSERR_INVALHANDLE) << "a failed open leaves no device";
    }
    EXPECT_EQ(device.opened, "plug:'dsnoop:CARD=CODEC,DEV=0'");
}

WaveHeader HeaderOf(Samples& samples, uint32_t flags = 0, uint32_t loops = 0) {
    return {reinterpret_cast<uint8_t*>(samples.data()),
            static_cast<uint32_t>(samples.size() * sizeof(int16_t)), 0, flags, loops};
}

void Queue(WaveOut& out, WaveHeader& header) {
    ASSERT_EQ(out.PrepareHeader(header), MMSYSERR_NOERROR);
    ASSERT_EQ(out.Write(header), MMSYSERR_NOERROR);
}

// Underruns are recovered; the alarm tone's endless loop repeats sample for sample until a reset
// hands it back; an unplugged device is gone.
TEST(AlsaWaveOutTest, RecoversUnderrunsLoopsUntilResetAndDiesWhenUnplugged) {
    ScriptedPcm device;
    AlsaWaveOut out(ScriptedList(), device.Opener());
    Samples first(2000), second(2000), tone(1000);  // stereo, every sample different
    std::iota(first.begin(), first.end(), int16_t{5000});
    std::iota(second.begin(), second.end(), int16_t{10000});
    std::iota(tone.begin(), tone.end(), int16_t{15000});
    WaveHeader headers[] = {HeaderOf(first), HeaderOf(second),
                            HeaderOf(tone, WHDR_BEGINLOOP | WHDR_ENDLOOP, kEndlessLoops)};
    ASSERT_EQ(out.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    Queue(out, headers[0]);
    device.Advance(1000);
    device.Overrun();
    Queue(out, headers[1]);
    device.Advance(1000);
    Queue(out, headers[2]);
    for (int tick = 0; tick < 3; ++tick) {
        device.Advance(1500);
        ASSERT_EQ(out.Service(), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(headers[2].flags & WHDR_DONE, 0u);
    Samples expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    for (int pass = 0; pass < 9; ++pass) expected.insert(expected.end(), tone.begin(), tone.end());
    EXPECT_EQ(device.played, expected);
    uint64_t frames = 0;
    EXPECT_EQ(out.GetPosition(frames), MMSYSERR_NOERROR);
    EXPECT_EQ(frames, expected.size() / 2);
    ASSERT_EQ(out.Reset(), MMSYSERR_NOERROR);
    EXPECT_NE(headers[2].flags & WHDR_DONE, 0u);
    EXPECT_EQ(out.GetPosition(frames), MMSYSERR_NOERROR);
    EXPECT_EQ(frames, 0u);

    device.Unplug();
    EXPECT_EQ(out.Write(headers[0]), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(out.ErrorText(MMSYSERR_NODRIVER),
              "There is no driver installed on your system. (ALSA: No such device on scripted)");
    EXPECT_EQ(out.Reset(), MMSYSERR_NODRIVER);
    EXPECT_NE(headers[0].flags & WHDR_DONE, 0u);
    EXPECT_EQ(out.Close(), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace sonivex
