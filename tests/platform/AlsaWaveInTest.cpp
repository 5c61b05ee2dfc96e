// ALSA capture: frame-exact delivery into queued buffers, recovery, a dead device, open failures.
#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "AlsaScriptedPcm.h"
#include "AlsaTestConfig.h"
#include "platform/AlsaDeviceList.h"
#include "platform/AlsaWaveIn.h"

namespace sonivex {
namespace {

using test::PcmFormat;

constexpr uint32_t kStereo16 = 4;  // bytes per frame

// Stereo 16-bit buffers of `frames` each, prepared and queued on `in`.
struct Buffers {
    Buffers(WaveIn& in, size_t count, uint32_t frames)
        : data(count, std::vector<int16_t>(frames * 2)), headers(count) {
        for (size_t i = 0; i < count; ++i) {
            headers[i].data = reinterpret_cast<uint8_t*>(data[i].data());
            headers[i].bufferLength = frames * kStereo16;
            EXPECT_EQ(in.PrepareHeader(headers[i]), MMSYSERR_NOERROR);
            EXPECT_EQ(in.AddBuffer(headers[i]), MMSYSERR_NOERROR);
        }
    }
    // The first `frames` frames of buffer `b` are the capture ramp from frame `first` on.
    void ExpectRamp(size_t b, size_t first, size_t frames) const {
        for (size_t i = 0; i < frames * 2; ++i) {
            ASSERT_EQ(data[b][i], test::CaptureSample(static_cast<uint32_t>(first + i / 2),
                                                      static_cast<int>(i % 2)))
                << "buffer " << b << " sample " << i;
        }
    }
    std::vector<std::vector<int16_t>> data;
    std::vector<WaveHeader> headers;
};

std::shared_ptr<const DeviceList> ScriptedList() {
    return std::make_shared<AlsaDeviceList>(std::vector<PcmHint>{
        {"nosuchpcm", "Missing device", ""},
        {test::kScriptedPcmName, "Scripted", ""},
        {std::string(300, 'x'), "Long name", ""},
    });
}
constexpr int kMissing = 1, kScripted = 2, kLongName = 3;

TEST(AlsaWaveInTest, CapturesTheFileFrameExactAcrossBuffersAndPeriods) {
    test::UseAlsaTestConfig();
    auto list = std::make_shared<AlsaDeviceList>();
    AlsaWaveIn in(list);
    ASSERT_EQ(in.Open(test::IndexOfPcm(*list, true, "testcap"), PcmFormat(44100)),
              MMSYSERR_NOERROR);
    constexpr uint32_t kFrames = 3000;  // not a multiple of the 2205-frame period
    Buffers buffers(in, 4, kFrames);
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffers.headers[0].flags & WHDR_DONE, 0u) << "nothing before Start";
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
    for (size_t b = 0; b < 4; ++b) {
        EXPECT_NE(buffers.headers[b].flags & WHDR_DONE, 0u);
        EXPECT_EQ(buffers.headers[b].bytesRecorded, kFrames * kStereo16);
        buffers.ExpectRamp(b, b * kFrames, kFrames);
    }
}

TEST(AlsaWaveInTest, FollowsTheHardwareRecoversFromOverrunAndStopsForGoodWhenUnplugged) {
    test::ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    constexpr uint32_t kFrames = 1000, kStep = 300;
    Buffers buffers(in, 3, kFrames);
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    for (uint32_t delivered = kStep; delivered <= 3 * kFrames; delivered += kStep) {
        device.Advance(kStep);
        ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
        uint32_t recorded = 0;
        for (uint32_t b = 0; b < 3; ++b) {
            recorded += buffers.headers[b].bytesRecorded;
            EXPECT_EQ((buffers.headers[b].flags & WHDR_DONE) != 0, delivered >= (b + 1) * kFrames);
        }
        EXPECT_EQ(recorded, delivered * kStereo16);
    }
    for (size_t b = 0; b < 3; ++b) buffers.ExpectRamp(b, b * kFrames, kFrames);

    // An overrun is recovered and capture is started again; frames go on in order.
    ASSERT_EQ(in.AddBuffer(buffers.headers[0]), MMSYSERR_NOERROR);
    device.Overrun();
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(device.starts, 2);
    const uint32_t next = device.nextCaptureFrame;
    device.Advance(400);
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffers.headers[0].bytesRecorded, 400 * kStereo16);
    buffers.ExpectRamp(0, next, 400);

    // Unplugged: nothing more arrives, but the owner can still take its buffer back and close.
    device.Unplug();
    device.Advance(100);
    EXPECT_EQ(in.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(in.Start(), MMSYSERR_NODRIVER);
    EXPECT_EQ(buffers.headers[0].bytesRecorded, 400 * kStereo16);
    EXPECT_EQ(buffers.headers[0].flags & WHDR_DONE, 0u);
    EXPECT_EQ(in.ErrorText(MMSYSERR_NODRIVER),
              "There is no driver installed on your system. (ALSA: No such device on scripted)");
    in.Reset();
    EXPECT_NE(buffers.headers[0].flags & WHDR_DONE, 0u);
    EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
}

// An overrun that recovery cannot mend (the stream will not prepare again) is as gone as an
// unplugged device: its owner must know.
TEST(AlsaWaveInTest, ABrokenStreamIsReportedNotMended) {
    test::ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    Buffers buffers(in, 1, 1000);
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    device.prepareError = -EIO;
    device.Overrun();
    device.Advance(400);
    EXPECT_EQ(in.Service(), MMSYSERR_ERROR);
    EXPECT_EQ(in.Service(), MMSYSERR_ERROR) << "stays failed";
    EXPECT_EQ(buffers.headers[0].bytesRecorded, 0u);
    EXPECT_EQ(in.ErrorText(MMSYSERR_ERROR),
              "Undefined external error. (ALSA: Input/output error on scripted)");
    in.Reset();
    EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
}

TEST(AlsaWaveInTest, OpenFailuresGiveTheirCodeAndText) {
    const std::string badDevice = "The specified device identifier is out of range.";
    const std::string badFormat =
        "The specified format is not supported or cannot be translated. Use the Capabilities "
        "function to determine the supported formats.";
    WaveFormat misaligned = PcmFormat(8000);
    misaligned.blockAlign = 3;
    const struct {
        int device;
        WaveFormat format;
        int code;
        std::string text;
    } cases[] = {
        {7, PcmFormat(8000), MMSYSERR_BADDEVICEID, badDevice},
        {kMissing, PcmFormat(8000), MMSYSERR_BADDEVICEID,
         badDevice + " (ALSA: No such file or directory on nosuchpcm)"},
        {kScripted, PcmFormat(96000), WAVERR_BADFORMAT,
         badFormat + " (ALSA: Invalid argument on scripted)"},
        {kScripted, misaligned, WAVERR_BADFORMAT, badFormat},
    };
    test::ScriptedPcm device;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        AlsaWaveIn in(ScriptedList(), device.Opener());
        EXPECT_EQ(in.Open(c.device, c.format), c.code);
        EXPECT_EQ(in.ErrorText(c.code), c.text);
        EXPECT_EQ(in.Service(), MMSYSERR_INVALHANDLE) << "a failed open leaves no device";
    }
    AlsaWaveIn in(ScriptedList(), device.Opener());
    EXPECT_EQ(in.Open(kLongName, PcmFormat(8000)), MMSYSERR_BADDEVICEID);
    const std::string text = in.ErrorText(MMSYSERR_BADDEVICEID);
    EXPECT_EQ(text.size(), kWaveErrorTextMax);
    EXPECT_EQ(text.rfind(badDevice + " (ALSA: No such file or directory on xxx", 0), 0u);
}

TEST(AlsaWaveInTest, OpensSharedPcmsThroughAPlugAndReportsABusyOne) {
    const std::string shared = "dsnoop:CARD=CODEC,DEV=0";
    std::string opened;
    AlsaWaveIn busy(std::make_shared<AlsaDeviceList>(std::vector<PcmHint>{{shared, "USB", ""}}),
                    [&](snd_pcm_t**, const std::string& name, snd_pcm_stream_t) {
                        opened = name;
                        return -EBUSY;
                    });
    EXPECT_EQ(busy.Open(1, PcmFormat(44100)), MMSYSERR_ALLOCATED);
    EXPECT_EQ(opened, "plug:'" + shared + "'");
    EXPECT_EQ(busy.ErrorText(MMSYSERR_ALLOCATED),
              "The specified device is already in use. Wait until it is free, and then try "
              "again. (ALSA: Device or resource busy on " +
                  shared + ")");
    EXPECT_EQ(busy.ErrorText(MMSYSERR_NOMEM).find("ALSA"), std::string::npos)
        << "the detail belongs to the code it was reported as";
}

TEST(AlsaWaveInTest, RefusesMisuseWithTheClassicCodes) {
    test::ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    std::vector<uint8_t> bytes(400);
    WaveHeader header{bytes.data(), 400};
    EXPECT_EQ(in.AddBuffer(header), MMSYSERR_INVALHANDLE);
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    EXPECT_EQ(in.AddBuffer(header), WAVERR_UNPREPARED);
    ASSERT_EQ(in.PrepareHeader(header), MMSYSERR_NOERROR);
    ASSERT_EQ(in.AddBuffer(header), MMSYSERR_NOERROR);
    EXPECT_EQ(in.AddBuffer(header), WAVERR_STILLPLAYING);
    EXPECT_EQ(in.UnprepareHeader(header), WAVERR_STILLPLAYING);
    EXPECT_EQ(in.Reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(header.flags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
    EXPECT_EQ(in.UnprepareHeader(header), MMSYSERR_NOERROR);
    EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
    EXPECT_EQ(in.UnprepareHeader(header), MMSYSERR_INVALHANDLE);
}

}  // namespace
}  // namespace sonivex
