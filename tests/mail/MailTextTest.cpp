// The mail's text: alert texts in both languages, the message as Python reads it back and its
// header lines exactly; the ISO-2022-JP body against glibc's iconv, vendor characters as bytes.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdlib>
#include <ctime>

#include "mail/AlertText.h"
#include "mail/FCT_ConvChar.h"
#include "mail/MailMessage.h"
#include "mail/MailTestSupport.h"
#include "platform/Clock.h"

namespace sonivex {
namespace {

using testing::ParseWithPython;
using testing::Str;
using V = std::vector<std::string>;

TEST(AlertText, BothLanguagesOnBroadcastTime) {
    FakeClock clock{LocalDateTime{2026, 12, 6, 2, 30, 15}};
    SetProgramClock(&clock);
    AlertTextSettings s;
    EXPECT_EQ(AlertText(0, 3, "A", s),
              "警報\r\n2026/12/05 26:30:15 (監視PC内部時刻) \r\nSonivexが無音を検出しました。\r\n"
              "ch1 A (Lch 20秒以上)");
    EXPECT_TRUE(AlertText(0, 9, "A", s).ends_with("ch1 A ("));  // a kind beyond 1..4
    EXPECT_EQ(FlattenCrLf(CancelText(2, 1, "B", s)),
              "警報解除 2026/12/05 26:30:15 (PC内部時刻)  警報が解除されました。 ch3 B (音声復旧)");

    s.messageLang = 1;
    clock.Set({2026, 12, 6, 5, 0, 0});
    EXPECT_EQ(
        AlertText(1, 1, "FM", s),
        "2026/12/06 05:00:00 (PC local time) \r\nSonivex has detected the absence of audio in "
        "your broadcasting signal.\r\nch2 FM (mono ch more than 15sec)");
    EXPECT_TRUE(AlertText(1, 4, "FM", s).ends_with("(Rch more than 20sec)"));
    EXPECT_TRUE(AlertText(1, 5, "FM", s).ends_with("\r\nch2 FM (capture device failure)"));
    EXPECT_TRUE(CancelText(1, 2, "FM", s).ends_with("\r\nch2 FM (capture device restored)"));
    EXPECT_EQ(CancelText(1, 0, "FM", s),
              "2026/12/06 05:00:00 (PC local time) \r\nAlert has canceled.\r\nch2 FM (Manually "
              "canceled)");
    EXPECT_EQ(MailSubject("FM", 1), "Sonivex has detected the absence of audio #FM");
    SetProgramClock(nullptr);
}

MailHeader Header(const std::string& subject, const std::string& recipients) {
    const std::string date = MailDate({2026, 12, 5, 9, 5, 3}, 540);
    return {"sonivex", "alert@station.example", recipients, subject, date, "<1@x>"};
}

// Long enough for several encoded words; half-width kana arrive full-width. Words stay within
// the line limit and each ends back in ASCII, even with long ASCII runs and vendor characters.
TEST(MailMessage, PythonReadsBackWhatWasComposedInCompleteEncodedWords) {
    const std::string block =
        MessageBlock(Header("sonivex無音検出 ｴﾌｴﾑ第一放送 本線系統 予備送信所 中継回線 ﾃﾞｼﾞﾀﾙ",
                            "ops@x.example; ;;  night@y.example ;"),
                     "ｴﾌｴﾑ 本線\r\n2026/12/05 26:30:15 (監視PC内部時刻) \r\nline 3");
    const QJsonObject m = ParseWithPython(block.substr(0, block.size() - 3));  // without "."
    EXPECT_EQ(Str(m, "subject"),
              "sonivex無音検出 エフエム第一放送 本線系統 予備送信所 中継回線 デジタル");
    EXPECT_EQ(Str(m, "body"), "エフエム 本線\n2026/12/05 26:30:15 (監視PC内部時刻) \nline 3\n");
    EXPECT_EQ(m.value("defects").toInt(), 0);

    const std::string subject =
        "sonivex無音検出 " + std::string(30, 'x') + "本線①予備" + std::string(40, 'y') + "終わり";
    const std::vector<std::string> words = EncodedSubjectWords(subject);
    EXPECT_GE(words.size(), 3u);
    for (const std::string& w : words) {
        EXPECT_LE(w.size() + 9, 76u) << w;  // "Subject: " or a TAB before it
        ASSERT_TRUE(w.starts_with("=?iso-2022-jp?B?") && w.ends_with("?=")) << w;
        const QByteArray bytes =
            QByteArray::fromBase64(QByteArray::fromStdString(w.substr(16, w.size() - 18)));
        EXPECT_TRUE(!bytes.contains('\x1b') || bytes.mid(bytes.lastIndexOf('\x1b'), 3) == "\x1b(B")
            << w;
    }
    EXPECT_EQ(EncodedSubjectWords("").size(), 1u);
}

// The header lines exactly, recipients typed with full-width separators; the body with CR LF line
// ends, leading dots doubled, and the terminator.
TEST(MailMessage, HeaderLinesThenTheBody) {
    const MailHeader h = Header("FM", "a@x.example；　b@y.example　；");
    const std::string header =
        "From: \"sonivex\" <alert@station.example>\r\n"
        "To: a@x.example, b@y.example\r\n"
        "Subject: =?iso-2022-jp?B?Rk0=?=\r\n"
        "Date: Sat, 5 Dec 2026 09:05:03 +0900\r\n"
        "Message-ID: <1@x>\r\n"
        "MIME-Version: 1.0\r\n"
        "Content-Type: text/plain;\r\n"
        "\tformat=flowed;\r\n"
        "\tcharset=\"iso-2022-jp\";\r\n"
        "Content-Transfer-Encoding: 7bit\r\n"
        "X-Priority: 3\r\n"
        "\r\n";
    EXPECT_EQ(HeaderBlock(h), header);
    EXPECT_EQ(MessageBlock(h, "a\nb\rc"), header + "a\r\nb\r\nc\r\n.\r\n");
    EXPECT_EQ(MessageBlock(h, ".\r\n.x\r\nx."), header + "..\r\n..x\r\nx.\r\n.\r\n");
    EXPECT_EQ(MessageBlock(h, "ends\r\n"), header + "ends\r\n.\r\n");
    EXPECT_EQ(MessageBlock(h, ""), header + ".\r\n");
}

TEST(MailMessage, MessageIdsAreUniqueInTheSendersDomain) {
    const std::string one = NewMessageId("me@station.example");
    EXPECT_TRUE(one.starts_with("<") && one.ends_with("@station.example>")) << one;
    EXPECT_NE(one, NewMessageId("me@station.example"));
    EXPECT_TRUE(NewMessageId("no-at-sign").ends_with("@localhost>"));
}

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

// The body bytes of text, in hex, appended to what was there.
std::string Body(const std::string& text) {
    std::string bytes = "X";
    EncodeBody(text, bytes);
    return Hex(bytes.substr(1));
}

// Each run of Japanese is framed on its own, as iconv frames it; the vendor characters and
// half-width kana, which plain iconv refuses, go through the code page as mail readers decode
// them; what has no code becomes 〓 and is logged.
TEST(ConvChar, BodyIsIso2022jpAsMailReadersDecodeIt) {
    for (const std::string t : {"警報 ch1 FM 本線 (両ch 15秒以上)\r\n", "abc漢字def。「かな」カナ",
                                "〜‖−―¢£¬ΑΩАЯ─│", "plain ASCII only\r\nline 2", "２０２６年１２月"})
        EXPECT_EQ(Body(t), Hex(IconvIso2022jp(t))) << t;
    // ESC $ B, JIS row/cell, ESC ( B; a voiced mark last in the text still joins its kana.
    EXPECT_EQ(Body("①Ⅲ㈱"), "1b24422d212d372d6a1b2842");
    EXPECT_EQ(Body("～－∥¥"), "1b24422141215d2142216f1b2842");
    EXPECT_EQ(Body("ｳﾞｰ｡ｶﾞﾊﾟﾋﾞ"), "1b24422574213c2123252c255125531b2842");
    EXPECT_EQ(Body("髙纊"), "1b24427c6279211b2842");
    EXPECT_EQ(Body("x①y"), "781b24422d211b284279");
    testing::LogCapture log;
    EXPECT_EQ(Body("a😀\xff b"), "611b2442222e222e1b28422062");
    EXPECT_EQ(log.lines, V{"ISO-2022-JPにない文字を〓で送信 U+1F600 U+FFFD"});
}

// Base64 of bytes with the high bit set (the subjects and the AUTH token have the padding);
// header bytes in the code page, trimmed, zeroing the rest; the Date's weekday, two-digit hour
// and zone, the machine's with summer time.
TEST(ConvChar, Base64AnsiBytesAndMailDate) {
    EXPECT_EQ(EncodeBase64("\xff\xfe\xfd"), "//79");
    EXPECT_EQ(AnsiByteLength(" 日a "), 5);
    std::string bytes(5, 'z');
    EXPECT_EQ(ToAnsiBytes(" 日a ", bytes), 3);
    EXPECT_EQ(Hex(bytes), "93fa610000");
    EXPECT_EQ(MailDate({2027, 1, 1, 0, 0, 0}, -300), "Fri, 1 Jan 2027 00:00:00 -0500");
    EXPECT_EQ(MailDate({2024, 2, 29, 23, 59, 59}, 330), "Thu, 29 Feb 2024 23:59:59 +0530");
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    tzset();
    EXPECT_EQ(UtcOffsetMinutes({2026, 1, 15, 12, 0, 0}), -300);
    EXPECT_EQ(UtcOffsetMinutes({2026, 7, 15, 12, 0, 0}), -240);
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace sonivex
