// A downtime period from "sched.txt" in a whole run on simulated time: a silent input raises no
// alert while its period runs and one as soon as its silence has lasted long enough after it.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "e2e/Run.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

TEST(ScheduleRun, SilentInputIsPausedDuringItsPeriodOnly) {
    TempDir dir;
    WriteText(dir.File("sonivex.ini"),
              "[conf]\nNumRec=0\nAutoRec=1\nDevInName_1=Sim In 1\nSimSignal_1=silence 1000\n");
    // Input 1 (index 0) every day from 09:00:00 to 09:01:00.
    const std::string entry = "\"0\",\"09:00:00\",\"09:01:00\",\"127\",\"\"\r\n";
    WriteText(dir.File("sched.txt"), entry);
    const auto r =
        testing::RunSonivex({"--dir", dir.Folder(), "--headless", "--audio", "sim", "--fast",
                             "--quit-after", "120", "--clock-start", "2026/12/07 09:00:00"},
                            dir.Folder());
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The last paused tick is at 09:01:00.9; 76 silent buffers later (15.2 s) comes the alert.
    EXPECT_EQ(r.Count("(両ch 15秒以上)"), 1) << r.out;
    EXPECT_TRUE(r.Has("2026/12/07 09:01:16 警報")) << r.out;
    EXPECT_EQ(ReadText(dir.File("sched.txt")), entry);  // saved back unchanged at shutdown
}

}  // namespace
}  // namespace sonivex
