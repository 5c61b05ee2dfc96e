// Settings store: defaults written back, "***", types, limits, bad values, other lines kept.
#include "monitor/SettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "TempDir.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

// Missing keys are written back with their defaults, "***" for empty, into a file private to its
// owner (it holds a password); stored values win, their keys and section in any case, and other
// lines stay. A read-only store (the maker's shared file) is never created.
TEST(SettingsStore, DefaultsAreWrittenBackAndStoredValuesWin) {
    TempDir dir;
    SettingsStore store(dir.File("sonivex.ini"));
    EXPECT_EQ(store.ReadSetting("NumRec", int32_t{3}), 3);
    EXPECT_EQ(store.ReadSetting("MailLocalPort", int16_t{10001}), 10001);
    EXPECT_FLOAT_EQ(store.ReadSetting("SizeRate", 1.2f), 1.2f);
    EXPECT_EQ(store.ReadSetting("AuditName_1", ""), "");
    EXPECT_EQ(ReadText(dir.File("sonivex.ini")),
              "[conf]\nNumRec=3\nMailLocalPort=10001\nSizeRate=1.2\nAuditName_1=***\n");
    EXPECT_EQ(std::filesystem::status(dir.File("sonivex.ini")).permissions() &
                  (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
    WriteText(dir.File("s.ini"), "; comment\n[other]\nNumRec=9\n[CONF]\n numrec = 5 \nName=***\n");
    SettingsStore stored(dir.File("s.ini"));
    EXPECT_EQ(stored.ReadSetting("NumRec", int32_t{3}), 5);
    EXPECT_EQ(stored.ReadSetting("Name", "x"), "");
    stored.WriteSetting("AlertLevelDB", -20.0f);
    EXPECT_NE(ReadText(dir.File("s.ini")).find("; comment\n[other]\nNumRec=9\n"),
              std::string::npos);
    EXPECT_NE(ReadText(dir.File("s.ini")).find("AlertLevelDB=-20\n"), std::string::npos);
    SettingsStore common(dir.File("common.ini"), false);
    EXPECT_EQ(common.ReadSetting("DebugLogPath", ""), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("common.ini")));
}

TEST(SettingsStore, BadValuesFallBackToTheDefault) {
    TempDir dir;
    WriteText(dir.File("s.ini"),
              "[conf]\nA=abc\nB=99999999999\nC=40000\nD=12abc\nE=2.5\nF=3.5\nG=nan\nH=\nI=-7\n"
              "J=3.4028236e38\n");
    SettingsStore store(dir.File("s.ini"));
    EXPECT_EQ(store.ReadSetting("A", int32_t{1}), 1);
    EXPECT_EQ(store.ReadSetting("B", int32_t{2}), 2);  // beyond 32 bits
    EXPECT_EQ(store.ReadSetting("C", int16_t{3}), 3);  // beyond 16 bits
    EXPECT_EQ(store.ReadSetting("D", int32_t{4}), 4);
    EXPECT_EQ(store.ReadSetting("E", int32_t{0}), 2);  // halves to even
    EXPECT_EQ(store.ReadSetting("F", int32_t{0}), 4);
    EXPECT_FLOAT_EQ(store.ReadSetting("G", 1.5f), 1.5f);
    EXPECT_EQ(store.ReadSetting("H", int32_t{6}), 6);
    EXPECT_EQ(store.ReadSetting("I", int32_t{0}), -7);
    EXPECT_EQ(store.ReadSetting("J", 1.5f), 1.5f);  // beyond the largest float
    store.WriteSetting("K", std::numeric_limits<float>::max());
    EXPECT_EQ(store.ReadSetting("K", 1.5f), std::numeric_limits<float>::max());
}

}  // namespace
}  // namespace sonivex
