// Character sets of the mail: Base64 against RFC 4648, the ISO-2022-JP body against glibc's
// iconv, the vendor characters as raw bytes, the byte form of headers, the Date text.
#include "mail/FCT_ConvChar.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <ctime>

#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

std::string Hex(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toHex().toStdString();
}

// glibc's own ISO-2022-JP, "" when it refuses the text.
std::string IconvIso2022jp(const std::string& text) {
    iconv_t cd = iconv_open("ISO-2022-JP", "UTF-8");
    std::string in = text, out(text.size() * 4 + 16, '\0');
    char* ip = in.data();
    char* op = out.data();
    size_t il = in.size(), ol = out.size();
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &op, &ol) != static_cast<size_t>(-1);
    iconv_close(cd);
    return ok ? out.substr(0, out.size() - ol) : "";
}

// The body bytes of text, in hex; appended to what was there, with the count appended.
std::string Body(const std::string& text) {
    std::string bytes = "X";
    const int n = EncodeBody(text, bytes);
    EXPECT_EQ(n, static_cast<int>(bytes.size()) - 1);
    return Hex(bytes.substr(1));
}

TEST(ConvChar, Base64MatchesRfc4648Vectors) {
    // The encodings of "", "f", "fo", ... "foobar".
    const char* vectors[] = {"", "Zg==", "Zm8=", "Zm9v", "Zm9vYg==", "Zm9vYmE=", "Zm9vYmFy"};
    for (size_t n = 0; n < std::size(vectors); ++n)
        EXPECT_EQ(EncodeBase64(std::string("foobar", n)), vectors[n]);
    EXPECT_EQ(EncodeBase64(std::string("\0a\0b", 4)), "AGEAYg==");
    EXPECT_EQ(EncodeBase64("\xff\xfe\xfd"), "//79");
}

// Each run of Japanese is framed on its own, as iconv frames it; the vendor characters and
// half-width kana, which plain iconv refuses, go through the code page as mail readers decode
// them; what has no code becomes 〓 and is logged.
TEST(ConvChar, BodyIsIso2022jpAsMailReadersDecodeIt) {
    for (const std::string t : {"警報 ch1 FM 本線 (両ch 15秒以上)\r\n", "abc漢字def。「かな」カナ",
                                "〜‖−―¢£¬ΑΩАЯ─│", "plain ASCII only\r\nline 2", "２０２６年１２月"})
        EXPECT_EQ(Body(t), Hex(IconvIso2022jp(t))) << t;
    const struct {
        const char* text;
        const char* hex;  // ESC $ B, JIS row/cell, ESC ( B
    } cases[] = {{"①", "1b24422d211b2842"},
                 {"Ⅲ", "1b24422d371b2842"},
                 {"㈱", "1b24422d6a1b2842"},
                 {"～", "1b244221411b2842"},
                 {"－", "1b2442215d1b2842"},
                 {"∥", "1b244221421b2842"},
                 {"ｶﾞ", "1b2442252c1b2842"},
                 {"ﾊﾟﾋﾞ", "1b2442255125531b2842"},
                 {"ｳﾞｰ｡", "1b24422574213c21231b2842"},
                 {"髙", "1b24427c621b2842"},
                 {"纊", "1b244279211b2842"},
                 {"¥", "1b2442216f1b2842"},
                 {"x①y", "781b24422d211b284279"}};
    for (const auto& c : cases) EXPECT_EQ(Body(c.text), c.hex) << c.text;
    EXPECT_EQ(IconvIso2022jp("①"), "");
    testing::LogCapture log;
    EXPECT_EQ(Body("a😀\xff b"), "611b2442222e222e1b28422062");
    EXPECT_EQ(log.lines,
              std::vector<std::string>{"ISO-2022-JPにない文字を〓で送信 U+1F600 U+FFFD"});
}

TEST(ConvChar, AnsiBytesTrimSpacesAndZeroTheRest) {
    EXPECT_EQ(AnsiByteLength(" 日a "), 5);
    std::string bytes(5, 'z');
    EXPECT_EQ(ToAnsiBytes(" 日a ", bytes), 3);
    EXPECT_EQ(Hex(bytes), "93fa610000");
    std::string small(2, 'z');  // writes beyond the array are skipped
    EXPECT_EQ(ToAnsiBytes("abc", small), 3);
    EXPECT_EQ(small, "ab");
    std::string none;
    EXPECT_EQ(ToAnsiBytes("😀", none), 2);
}

TEST(ConvChar, MailDateHasTwoDigitHourAndTheZone) {
    const struct {
        LocalDateTime t;
        int offset;
        const char* text;
    } cases[] = {{{2026, 12, 5, 9, 5, 3}, 540, "Sat, 5 Dec 2026 09:05:03 +0900"},
                 {{2027, 1, 1, 0, 0, 0}, -300, "Fri, 1 Jan 2027 00:00:00 -0500"},
                 {{2024, 2, 29, 23, 59, 59}, 330, "Thu, 29 Feb 2024 23:59:59 +0530"},
                 {{2026, 7, 19, 12, 0, 0}, 0, "Sun, 19 Jul 2026 12:00:00 +0000"}};
    for (const auto& c : cases) EXPECT_EQ(MailDate(c.t, c.offset), c.text);
}

TEST(ConvChar, UtcOffsetFollowsTheMachineZoneAndSummerTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    const auto zone = [](const char* tz) {
        setenv("TZ", tz, 1);
        tzset();
    };
    zone("JST-9");
    EXPECT_EQ(UtcOffsetMinutes({2026, 12, 5, 9, 0, 0}), 540);
    zone("EST5EDT,M3.2.0,M11.1.0");
    EXPECT_EQ(UtcOffsetMinutes({2026, 1, 15, 12, 0, 0}), -300);
    EXPECT_EQ(UtcOffsetMinutes({2026, 7, 15, 12, 0, 0}), -240);
    if (old)
        zone(saved.c_str());
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace sonivex
