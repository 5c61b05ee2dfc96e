// Ini files: quoted values, what other lines a write keeps, old code-page files. (Any bytes as a
// file are the settings fuzz target's business.)
#include "platform/IniFile.h"

#include <gtest/gtest.h>

#include "Cp932.h"
#include "TempDir.h"
#include "platform/LegacyText.h"

namespace sonivex {
namespace {

using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

// As the classic reader returns them: one pair of enclosing quotes dropped, other quotes kept.
TEST(IniFile, QuotedValuesReadWithoutTheirQuotes) {
    TempDir dir;
    WriteText(dir.File("q.ini"),
              "[conf]\nA=\"FM 本線\"\nB='x'\nC=\"a\"b\"\nD=\"\nE=\"x'\nF= \" y \" \n");
    IniFile ini(dir.File("q.ini"));
    const std::pair<const char*, const char*> cases[] = {
        {"A", "FM 本線"}, {"B", "x"}, {"C", "a\"b"}, {"D", "\""}, {"E", "\"x'"}, {"F", " y "}};
    for (const auto& [key, value] : cases) EXPECT_EQ(ini.Read("conf", key).value(), value) << key;
}

TEST(IniFile, WriteKeepsOtherSectionsCommentsAndCrLfFiles) {
    TempDir dir;
    const std::string path = dir.File("a.ini");
    WriteText(path, "; kept\r\n[conf]\r\nA=1\r\n\r\n[other]\r\nA=2\r\n");
    IniFile ini(path);
    EXPECT_TRUE(ini.Write("conf", "B", "x"));
    EXPECT_TRUE(ini.Write("conf", "a", "3"));
    EXPECT_TRUE(ini.Write("new", "C", "4"));
    EXPECT_EQ(ReadText(path), "; kept\n[conf]\na=3\nB=x\n\n[other]\nA=2\n[new]\nC=4\n");
    EXPECT_EQ(ini.Read("other", "a").value(), "2");
    EXPECT_FALSE(ini.Read("conf", "missing").has_value());
    EXPECT_FALSE(IniFile(dir.File("none.ini")).Read("conf", "A").has_value());
    EXPECT_FALSE(IniFile(dir.File("no/such/x.ini")).Write("conf", "A", "1"));
}

// A station's settings from the Windows installation keep their Japanese names; the first write
// turns the file into UTF-8 without losing them.
TEST(IniFile, OldCp932FileReadsUnchangedAndIsWrittenBackAsUtf8) {
    TempDir dir;
    const std::string path = dir.File("sonivex.ini");
    const std::string text = "[conf]\r\nAuditName_1=ＦＭ本線①髙ｶﾅ\r\nNumRec=1\r\n";
    WriteText(path, testing::ToCp932(text));
    ASSERT_NE(ReadText(path), text);  // really in the old code page
    IniFile ini(path);
    EXPECT_EQ(ini.Read("conf", "AuditName_1").value(), "ＦＭ本線①髙ｶﾅ");
    EXPECT_TRUE(ini.Write("conf", "NumRec", "2"));
    EXPECT_EQ(ReadText(path), "[conf]\nAuditName_1=ＦＭ本線①髙ｶﾅ\nNumRec=2\n");
    // UTF-8 stays as it is (without its byte-order mark); undecodable bytes become replacements.
    EXPECT_EQ(LegacyTextToUtf8("\xEF\xBB\xBF\"休止\""), "\"休止\"");
    EXPECT_EQ(LegacyTextToUtf8(testing::ToCp932("休止") + "\x81"), "休止\xEF\xBF\xBD");
    EXPECT_EQ(LegacyTextToUtf8(std::string("a\xFF") + "b"), std::string("a\xEF\xBF\xBD") + "b");
}

}  // namespace
}  // namespace sonivex
