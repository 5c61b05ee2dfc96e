// Settings store: defaults written back, "***", types, limits, bad values, other lines kept.
#include "monitor/SettingsStore.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>

#include "TempDir.h"
#include "monitor/Levels.h"
#include "monitor/MonitorSettings.h"
#include "support/NumberText.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

TEST(SettingsStore, MissingKeysAreWrittenBackWithTheirDefaults) {
    TempDir dir;
    SettingsStore store(dir.File("sonivex.ini"));
    EXPECT_EQ(store.ReadSetting("NumRec", int32_t{3}), 3);
    EXPECT_EQ(store.ReadSetting("MailLocalPort", int16_t{10001}), 10001);
    EXPECT_FLOAT_EQ(store.ReadSetting("SizeRate", 1.2f), 1.2f);
    EXPECT_EQ(store.ReadSetting("VULevelTrim", "-20.0"), "-20.0");
    EXPECT_EQ(store.ReadSetting("AuditName_1", ""), "");
    EXPECT_EQ(ReadText(dir.File("sonivex.ini")),
              "[conf]\nNumRec=3\nMailLocalPort=10001\nSizeRate=1.2\nVULevelTrim=-20.0\n"
              "AuditName_1=***\n");
}

TEST(SettingsStore, StoredValuesWinAndEmptyMarkReadsEmpty) {
    TempDir dir;
    WriteText(dir.File("s.ini"), "; comment\n[other]\nNumRec=9\n[CONF]\n numrec = 5 \nName=***\n");
    SettingsStore store(dir.File("s.ini"));
    EXPECT_EQ(store.ReadSetting("NumRec", int32_t{3}), 5);  // key and section case-insensitive
    EXPECT_EQ(store.ReadSetting("Name", "x"), "");
    store.WriteSetting("MailAddr_1", "");
    store.WriteSetting("AlertLevelDB", -20.0f);
    const std::string text = ReadText(dir.File("s.ini"));
    EXPECT_NE(text.find("; comment\n[other]\nNumRec=9\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MailAddr_1=***\n"), std::string::npos);
    EXPECT_NE(text.find("AlertLevelDB=-20\n"), std::string::npos);
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

TEST(SettingsStore, LongValuesAreCutBetweenCharactersAndLineBreaksNeverSplitAKey) {
    TempDir dir;
    SettingsStore store(dir.File("s.ini"));
    store.WriteSetting("Long", std::string(300, 'x'));
    EXPECT_EQ(store.ReadSetting("Long", "").size(), kSettingChars);
    std::string kana = "x";  // 1 + 3 × 100 bytes: byte 254 falls inside the 85th character
    for (int n = 0; n < 100; ++n) kana += "あ";
    store.WriteSetting("Kana", kana);
    EXPECT_EQ(store.ReadSetting("Kana", ""), kana.substr(0, 253));
    store.WriteSetting("Name", "a\nNumRec=7");
    EXPECT_EQ(store.ReadSetting("NumRec", int32_t{3}), 3);
    EXPECT_EQ(store.ReadSetting("Name", ""), "a NumRec=7");
}

// Under a locale with a decimal comma (as Qt adopts from the desktop) numbers still read and show
// with a point.
TEST(SettingsStore, NumbersUseThePointUnderACommaLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "scripts/install-deps.sh makes it";
    TempDir dir;
    WriteText(dir.File("s.ini"), "[conf]\nSizeRate=1.5\nVULevelTrim=-20.5\n");
    SettingsStore store(dir.File("s.ini"));
    MonitorSettings s;
    ReadPlayerAndDisplay(store, s);
    double typed = 0;
    const bool comma = NumericText("1,5", typed);
    const std::vector<std::string> texts = {NumberText(s.sizeRate), NumberText(s.vuLevelTrim),
                                            LevelText(1, -5.3f), FixedText(0.25, 2)};
    std::setlocale(LC_ALL, before.c_str());
    EXPECT_EQ(texts, (std::vector<std::string>{"1.5", "-20.5", "-05.3", "0.25"}));
    EXPECT_FALSE(comma);
}

// The settings hold a password: a new file is private to its owner; a read-only store (the
// maker's shared file) is never created.
TEST(SettingsStore, NewFileIsPrivateAndAReadOnlyStoreWritesNothing) {
    TempDir dir;
    SettingsStore store(dir.File("s.ini"));
    store.WriteSetting("MailPassWord", "secret");
    const auto perms = std::filesystem::status(dir.File("s.ini")).permissions();
    EXPECT_EQ(perms & (std::filesystem::perms::group_all | std::filesystem::perms::others_all),
              std::filesystem::perms::none);
    SettingsStore common(dir.File("common.ini"), false);
    EXPECT_EQ(common.ReadSetting("DebugLogPath", ""), "");
    EXPECT_FALSE(std::filesystem::exists(dir.File("common.ini")));
}

}  // namespace
}  // namespace sonivex
