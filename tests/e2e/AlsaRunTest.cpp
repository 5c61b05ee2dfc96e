// The headless monitor on real ALSA: a private configuration whose capture device reads a raw
// file (tone, silence, tone) and whose default and filler playback devices write files. The file
// plugin delivers as fast as it is read, so the monitor takes exactly one 0.2 s buffer per 100 ms
// tick.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iostream>

#include "e2e/Run.h"
#include "monitor/AlarmTone.h"

namespace sonivex {
namespace {

constexpr int kRate = 8000;
constexpr int kBufferFrames = kRate / 5;

TEST(AlsaRun, SilenceOnARealCaptureDeviceRaisesAndEndsTheAlarmAndTheFiller) {
    testing::TempDir dir;
    const std::string d = dir.Folder();
    // 10 silent buffers are one too few for MuonSec 2 (more than 10 needed); 11 are enough.
    std::vector<int16_t> in;
    for (const auto& [buffers, tone] :
         {std::pair{5, true}, {10, false}, {5, true}, {11, false}, {300, true}})
        testing::AppendTone(in, buffers * kBufferFrames, tone);
    testing::WriteText(d + "in.raw", testing::RawBytes(in));
    const std::vector<int16_t> filler = testing::WriteFiller(d + "filler.wav");
    testing::WriteText(d + "sonivex.ini",
                       "[conf]\nNumRec=0\nAutoRec=1\nnFreq=8000\nMuonSec=2\nHukkiSec=2\n"
                       "MailAtRestoration=1\nDevInName_1=Test capture\nAuditName_1=Line\n"
                       "DevOutName_1=Test output\nFillerFile_1=" +
                           d + "filler.wav\n");
    const auto env = testing::AlsaEnvironment(
        d, testing::FilePcm("testcap", "Test capture", "/dev/null", d + "in.raw") +
               testing::FilePcm("!default", "", d + "out.raw") +
               testing::FilePcm("testout", "Test output", d + "fill.raw"));
    QElapsedTimer clock;
    clock.start();
    testing::LiveRun run({"--dir", d, "--headless"}, env);
    ASSERT_TRUE(run.started);
    double toneFileSeen = -1;  // when out.raw was first seen
    const auto watch = [&] {
        if (toneFileSeen < 0 && std::filesystem::exists(d + "out.raw"))
            toneFileSeen = clock.elapsed() / 1000.0;
    };
    ASSERT_TRUE(run.ReadUntil("監視開始（起動）", 10000, watch)) << run.out;
    const double started = clock.elapsed() / 1000.0;
    ASSERT_TRUE(run.ReadUntil("(両ch 2秒以上)", 10000, watch)) << run.out;
    const double alert = clock.elapsed() / 1000.0;
    ASSERT_TRUE(run.ReadUntil("(音声復旧)", 10000, watch)) << run.out;
    const double cancel = clock.elapsed() / 1000.0;
    run.ReadFor(100);  // the tick that cancelled has closed the tone by now
    const uintmax_t sizeAtCancel = std::filesystem::file_size(d + "out.raw");
    run.ReadFor(900);  // the filler's stop-time silence has passed by now
    const uintmax_t fillerSizeAfterStop = std::filesystem::file_size(d + "fill.raw");
    run.ReadFor(500);
    EXPECT_EQ(std::filesystem::file_size(d + "fill.raw"), fillerSizeAfterStop);
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_GT(testing::LoopedFrames(testing::ReadText(d + "fill.raw"), 0, filler),
              2u * testing::kFillerFrames);
    std::cout << "alert " << alert - started << " s, cancel " << cancel - alert << " s later\n";
    EXPECT_NE(run.out.find("*********終了**********"), std::string::npos);
    // One alert only: the first gap was one buffer short. The 31st buffer raised it (31 ticks),
    // and 10 buffers with sound ended it.
    EXPECT_EQ(run.out.find("警報 "), run.out.rfind("警報 ")) << run.out;
    EXPECT_GE(alert - started, 2.8);
    EXPECT_LE(alert - started, 6.0);
    EXPECT_GE(cancel - alert, 0.8);
    EXPECT_LE(cancel - alert, 3.0);
    // The default output got the triple beep, sample for sample, during the alert only.
    // (The tone opens just before the alert line is printed: allow for that moment.)
    EXPECT_GE(toneFileSeen, alert - 0.2);
    const std::string played = testing::ReadText(d + "out.raw");
    EXPECT_EQ(played.size(), sizeAtCancel);
    const std::vector<int16_t> beep = AlarmSamples(kRate);
    const size_t periodBytes = beep.size() * sizeof(int16_t);
    ASSERT_GE(played.size(), periodBytes);
    for (size_t at = 0; at + periodBytes <= played.size(); at += periodBytes)
        ASSERT_EQ(0, std::memcmp(played.data() + at, beep.data(), periodBytes)) << at;
}

// A capture device that is not there at the start (a USB card unplugged at boot) is a failed
// device, not the default one; when ALSA lists it, it is found, opened and the alert ends.
TEST(AlsaRun, ACardMissingAtTheStartIsAnAlertUntilItIsPluggedIn) {
    testing::TempDir dir;
    const std::string d = dir.Folder();
    std::vector<int16_t> in;
    testing::AppendTone(in, 300 * kBufferFrames, true);
    testing::WriteText(d + "in.raw", testing::RawBytes(in));
    testing::WriteText(d + "sonivex.ini",
                       "[conf]\nNumRec=0\nAutoRec=1\nnFreq=8000\nUseBeep=0\n"
                       "DevInName_1=Test capture\n");
    const auto env = testing::AlsaEnvironment(d, "# the card is not plugged in yet\n");
    testing::LiveRun run({"--dir", d, "--headless"}, env);
    ASSERT_TRUE(run.started);
    ASSERT_TRUE(run.ReadUntil("(録音デバイス異常)", 10000)) << run.out;
    EXPECT_NE(run.out.find("見つかるまで録音デバイス異常の警報"), std::string::npos) << run.out;
    run.ReadFor(1100);  // a later change time than the first read of the configuration
    testing::WriteText(d + "alsa.conf",
                       testing::FilePcm("testcap", "Test capture", "/dev/null", d + "in.raw"));
    ASSERT_TRUE(run.ReadUntil("(録音デバイス復旧)", 12000)) << run.out;
    EXPECT_NE(run.out.find("録音デバイス検出 Test capture (ch1)"), std::string::npos);
    EXPECT_EQ(run.Stop(), 0);
}

}  // namespace
}  // namespace sonivex
