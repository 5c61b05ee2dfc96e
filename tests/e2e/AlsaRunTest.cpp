// The headless monitor on real ALSA: a private configuration whose capture device reads a raw
// file.
#include <gtest/gtest.h>

#include "e2e/Run.h"

namespace sonivex {
namespace {

// A capture device that is not there at the start (a USB card unplugged at boot) is a failed
// device, not the default one; when ALSA lists it, it is found, opened and the alert ends. With
// ec.txt in the folder no mail is even prepared for the alerts.
TEST(AlsaRun, ACardMissingAtTheStartIsAnAlertUntilItIsPluggedIn) {
    testing::TempDir dir;
    const std::string d = dir.Folder();
    std::string tone;  // 60 s of a 1 kHz square wave at 8 kHz in both channels, at ±3277
    for (int frame = 0; frame < 60 * 8000; ++frame)
        tone += frame % 8 < 4 ? "\xcd\x0c\xcd\x0c" : "\x33\xf3\x33\xf3";
    testing::WriteText(d + "in.raw", tone);
    testing::WriteText(d + "sonivex.ini",
                       "[conf]\nNumRec=0\nAutoRec=1\nnFreq=8000\nUseBeep=0\n"
                       "DevInName_1=Test capture\nMailHost=127.0.0.1\nMailHostPort=1\n"
                       "MailAddr_1=ops@x.example\n");
    testing::WriteText(d + "ec.txt", "");
    // ALSA's own configuration, and ours: nothing until the card is plugged in.
    testing::WriteText(d + "alsa.conf", "");
    QProcessEnvironment env = testing::TestEnvironment(d);
    env.insert("ALSA_CONFIG_PATH",
               QString::fromStdString("/usr/share/alsa/alsa.conf:" + d + "alsa.conf"));
    testing::LiveRun run({"--dir", d, "--headless"}, env);
    ASSERT_TRUE(run.ReadUntil("(録音デバイス異常)", 10000)) << run.out;
    run.ReadFor(1100);  // a later change time than the first read of the configuration
    testing::WriteText(d + "alsa.conf",
                       "pcm.testcap { type file slave.pcm { type null } format raw "
                       "hint.description \"Test capture\" file \"/dev/null\" "
                       "infile \"" +
                           d + "in.raw\" }\n");
    ASSERT_TRUE(run.ReadUntil("(録音デバイス復旧)", 12000)) << run.out;
    EXPECT_NE(run.out.find("録音デバイス検出 Test capture (ch1)"), std::string::npos);
    EXPECT_EQ(run.Stop(), 0);
    EXPECT_FALSE(run.out.find("pLocalPort=") != std::string::npos ||
                 run.out.find("メール") != std::string::npos)
        << run.out;
}

}  // namespace
}  // namespace sonivex
