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

using test::CaptureSample;
using test::PcmFormat;
using test::TestBuffers;

constexpr size_t kStereo16 = 4;  // bytes per frame

std::shared_ptr<const DeviceList> ScriptedList() {
    return std::make_shared<AlsaDeviceList>(std::vector<PcmHint>{
        {"nosuchpcm", "Missing device", ""},
        {test::kScriptedPcmName, "Scripted", ""},
        {std::string(300, 'x'), "Long name", ""},
    });
}
constexpr int kMissing = 1, kScripted = 2, kLongName = 3;

// Every frame of `buffer` equals the capture ramp from `firstFrame` on.
void ExpectRamp(const TestBuffers& buffers, size_t buffer, uint32_t firstFrame, size_t frames) {
    for (size_t f = 0; f < frames; ++f) {
        for (int ch = 0; ch < 2; ++ch) {
            ASSERT_EQ(buffers.Sample(buffer, f, ch),
                      CaptureSample(firstFrame + static_cast<uint32_t>(f), ch))
                << "buffer " << buffer << " frame " << f << " channel " << ch;
        }
    }
}

void QueueAll(WaveIn& in, TestBuffers& buffers) {
    for (WaveHeader& header : buffers.headers) {
        ASSERT_EQ(in.PrepareHeader(header), MMSYSERR_NOERROR);
        ASSERT_EQ(in.AddBuffer(header), MMSYSERR_NOERROR);
    }
}

TEST(AlsaWaveInTest, CapturesTheFileFrameExactAcrossBuffersAndPeriods) {
    test::UseAlsaTestConfig();
    auto list = std::make_shared<AlsaDeviceList>();
    AlsaWaveIn in(list);
    ASSERT_EQ(in.Open(test::IndexOfPcm(*list, true, "testcap"), PcmFormat(44100)),
              MMSYSERR_NOERROR);
    constexpr size_t kFrames = 3000;  // not a multiple of the 2205-frame period
    TestBuffers buffers(4, kFrames * kStereo16);
    QueueAll(in, buffers);
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffers.headers[0].flags & WHDR_DONE, 0u) << "nothing before Start";
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
    for (size_t b = 0; b < 4; ++b) {
        EXPECT_NE(buffers.headers[b].flags & WHDR_DONE, 0u);
        EXPECT_EQ(buffers.headers[b].bytesRecorded, kFrames * kStereo16);
        ExpectRamp(buffers, b, static_cast<uint32_t>(b * kFrames), kFrames);
    }
    // Buffers queued again continue where the device is.
    ASSERT_EQ(in.AddBuffer(buffers.headers[1]), MMSYSERR_NOERROR);
    ASSERT_EQ(in.AddBuffer(buffers.headers[0]), MMSYSERR_NOERROR);
    ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
    ExpectRamp(buffers, 1, 4 * kFrames, kFrames);
    ExpectRamp(buffers, 0, 5 * kFrames, kFrames);
    EXPECT_EQ(in.Reset(), MMSYSERR_NOERROR);
    EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
}

TEST(AlsaWaveInTest, FillsBuffersAsTheHardwareDeliversAndRecoversFromOverrun) {
    test::ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    constexpr size_t kFrames = 1000;
    TestBuffers buffers(3, kFrames * kStereo16);
    QueueAll(in, buffers);
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    EXPECT_EQ(device.starts, 1);
    constexpr size_t kStep = 300;
    for (size_t delivered = kStep; delivered <= 3 * kFrames; delivered += kStep) {
        device.Advance(kStep);
        ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
        size_t recorded = 0;
        for (size_t b = 0; b < 3; ++b) {
            const WaveHeader& header = buffers.headers[b];
            recorded += header.bytesRecorded;
            EXPECT_EQ((header.flags & WHDR_DONE) != 0, delivered >= (b + 1) * kFrames);
        }
        EXPECT_EQ(recorded, delivered * kStereo16);
    }
    for (size_t b = 0; b < 3; ++b)
        ExpectRamp(buffers, b, static_cast<uint32_t>(b * kFrames), kFrames);

    // An overrun is recovered and capture is started again; frames go on in order.
    ASSERT_EQ(in.AddBuffer(buffers.headers[0]), MMSYSERR_NOERROR);
    device.Overrun();
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(device.starts, 2);
    const uint32_t next = device.nextCaptureFrame;
    device.Advance(400);
    EXPECT_EQ(in.Service(), MMSYSERR_NOERROR);
    EXPECT_EQ(buffers.headers[0].bytesRecorded, 400 * kStereo16);
    ExpectRamp(buffers, 0, next, 400);
}

TEST(AlsaWaveInTest, UnpluggedDeviceReportsNoDriverForGoodAndDeliversNothingMore) {
    test::ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    ASSERT_EQ(in.Open(kScripted, PcmFormat(8000)), MMSYSERR_NOERROR);
    TestBuffers buffers(2, 1000 * kStereo16);
    QueueAll(in, buffers);
    ASSERT_EQ(in.Start(), MMSYSERR_NOERROR);
    device.Advance(1500);
    ASSERT_EQ(in.Service(), MMSYSERR_NOERROR);
    ASSERT_EQ(buffers.headers[1].bytesRecorded, 500 * kStereo16);

    device.Unplug();
    device.Advance(100);
    EXPECT_EQ(in.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(in.Service(), MMSYSERR_NODRIVER);
    EXPECT_EQ(in.Start(), MMSYSERR_NODRIVER);
    EXPECT_EQ(buffers.headers[1].bytesRecorded, 500 * kStereo16);
    EXPECT_EQ(buffers.headers[1].flags & WHDR_DONE, 0u);
    EXPECT_EQ(in.ErrorText(MMSYSERR_NODRIVER),
              "There is no driver installed on your system. (ALSA: No such device on scripted)");
    // The owner can still take its buffers back and close.
    in.Reset();
    EXPECT_NE(buffers.headers[1].flags & WHDR_DONE, 0u);
    EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
}

TEST(AlsaWaveInTest, OpenFailuresGiveTheirCodeAndText) {
    const std::string badDevice = "The specified device identifier is out of range.";
    const std::string badFormat =
        "The specified format is not supported or cannot be translated. Use the Capabilities "
        "function to determine the supported formats.";
    WaveFormat misaligned = PcmFormat(8000);
    misaligned.blockAlign = 3;
    struct Case {
        int device;
        WaveFormat format;
        int code;
        std::string text;
    } cases[] = {
        {7, PcmFormat(8000), MMSYSERR_BADDEVICEID, badDevice},
        {-5, PcmFormat(8000), MMSYSERR_BADDEVICEID, badDevice},
        {kMissing, PcmFormat(8000), MMSYSERR_BADDEVICEID,
         badDevice + " (ALSA: No such file or directory on nosuchpcm)"},
        {kScripted, PcmFormat(96000), WAVERR_BADFORMAT,
         badFormat + " (ALSA: Invalid argument on scripted)"},
        {kScripted, PcmFormat(8000, 6), WAVERR_BADFORMAT,
         badFormat + " (ALSA: Invalid argument on scripted)"},
        {kScripted, PcmFormat(8000, 2, 24), WAVERR_BADFORMAT,
         badFormat + " (ALSA: Invalid argument on scripted)"},
        {kScripted, misaligned, WAVERR_BADFORMAT, badFormat},
    };
    test::ScriptedPcm device;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.device);
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

TEST(AlsaWaveInTest, OpensSharedDevicesThroughPlugAndReportsABusyOne) {
    const std::string shared = "dsnoop:CARD=CODEC,DEV=0";
    auto list = std::make_shared<AlsaDeviceList>(std::vector<PcmHint>{{shared, "USB", "Input"}});
    std::string opened;
    AlsaWaveIn in(list, [&](snd_pcm_t**, const std::string& name, snd_pcm_stream_t) {
        opened = name;
        return -EBUSY;
    });
    EXPECT_EQ(in.Open(1, PcmFormat(44100)), MMSYSERR_ALLOCATED);
    EXPECT_EQ(opened, "plug:'" + shared + "'");
    EXPECT_EQ(in.ErrorText(MMSYSERR_ALLOCATED),
              "The specified device is already in use. Wait until it is free, and then try "
              "again. (ALSA: Device or resource busy on " +
                  shared + ")");
    EXPECT_EQ(in.ErrorText(MMSYSERR_NOMEM).find("ALSA"), std::string::npos)
        << "the detail belongs to the code it was reported as";
}

TEST(AlsaWaveInTest, RefusesMisuseWithTheClassicCodes) {
    test::ScriptedPcm device;
    AlsaWaveIn in(ScriptedList(), device.Opener());
    TestBuffers buffers(1, 400);
    WaveHeader& header = buffers.headers[0];
    EXPECT_EQ(in.PrepareHeader(header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in.AddBuffer(header), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in.Start(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in.Service(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in.Reset(), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(in.Close(), MMSYSERR_INVALHANDLE);

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
