// With the real window on a virtual display, a message box that an alert raises stays open while
// the watch goes on: later alerts come on time and the alarm keeps sounding.
#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/Run.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

constexpr int kRate = 8000;

TEST(BoxRun, AnOpenBoxHoldsNeitherTheNextAlertNorTheAlarm) {
    TempDir dir;
    const std::string d = dir.Folder();
    testing::WriteFiller(d + "filler.wav");
    // Output 1 names no device: the filler cannot be opened when input 1 goes into alert.
    WriteText(d + "sonivex.ini",
              "[conf]\nNumRec=1\nAutoRec=1\nnFreq=8000\nMuonSec=1\nHukkiSec=1\nSimRecord=1\n"
              "DevInName_1=Sim In 1\nDevInName_2=Sim In 2\nDevOutName_1=Nowhere\nFillerFile_1=" +
                  d +
                  "filler.wav\nSimSignal_1=silence 1000\n"
                  "SimSignal_2=tone -20 10; silence 1000\n");
    // The run, and a look at the display's windows once input 2 is in alert.
    const std::string script =
        "\"$0\" --dir \"$1\" --audio sim --quit-after 14 & pid=$!\n"
        "while kill -0 $pid 2>/dev/null && ! grep -q '検出しました。 ch2 ' \"$1\"log/*.log; do "
        "sleep 0.1; "
        "done\n"
        "xwininfo -root -tree > \"$1\"windows.txt\n"
        "wait $pid; echo rc=$?\n";
    QProcess p;
    p.setProcessEnvironment(testing::TestEnvironment(d));
    p.start("xvfb-run",
            {"-a", "-s", "-screen 0 1280x1024x24", "sh", "-c", QString::fromStdString(script),
             SONIVEX_BINARY, QString::fromStdString(d)});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string out = p.readAllStandardOutput().toStdString();
    EXPECT_NE(out.find("rc=0"), std::string::npos) << out << p.readAllStandardError().data();

    const std::string log = testing::LogText(d + "log", ".log");
    using testing::SecondOf;
    const int alert1 = SecondOf(log, "検出しました。 ch1 "),
              box = SecondOf(log, "[message] sonivex: ");
    const int alert2 = SecondOf(log, "検出しました。 ch2 "), end = SecondOf(log, "*********終了");
    ASSERT_GE(alert1, 0) << log;
    ASSERT_GE(box, alert1) << log;
    ASSERT_GE(alert2, 0) << "the box held the watch: " << log;
    EXPECT_NEAR(alert2 - alert1, 10, 1) << log;
    EXPECT_NE(ReadText(d + "windows.txt").find("\"sonivex\": (\"sonivex\""), std::string::npos)
        << "the box is open: " << ReadText(d + "windows.txt");
    // The tone played from the first alert to the end: 4 bytes per frame.
    const auto toneSeconds =
        (std::filesystem::file_size(d + "simout/default.wav") - 44) / (4.0 * kRate);
    EXPECT_NEAR(toneSeconds, end - alert1, 1.5);
}

}  // namespace
}  // namespace sonivex
