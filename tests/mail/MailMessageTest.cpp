// The message as Python's email package reads it back (subjects and bodies: the header lines are
// pinned exactly), folded subjects, recipients, dot-stuffing and line ends.
#include "mail/MailMessage.h"

#include <gtest/gtest.h>

#include "mail/FCT_ConvChar.h"
#include "mail/MailTestSupport.h"

namespace sonivex {
namespace {

using testing::ParseWithPython;
using testing::Str;

MailHeader Header(const std::string& subject, const std::string& recipients) {
    MailHeader h;
    h.senderAddr = "alert@station.example";
    h.recipients = recipients;
    h.subject = subject;
    h.date = MailDate({2026, 12, 5, 9, 5, 3}, 540);
    h.messageId = NewMessageId(h.senderAddr);
    return h;
}

// Long enough for several encoded words; half-width kana arrive full-width.
TEST(MailMessage, PythonReadsBackWhatWasComposed) {
    const std::string block =
        MessageBlock(Header("sonivex無音検出 ｴﾌｴﾑ第一放送 本線系統 予備送信所 中継回線 ﾃﾞｼﾞﾀﾙ",
                            "ops@x.example; ;;  night@y.example ;"),
                     "ｴﾌｴﾑ 本線\r\n2026/12/05 26:30:15 (監視PC内部時刻) \r\nline 3");
    const QJsonObject m = ParseWithPython(block.substr(0, block.size() - 3));  // without "."
    EXPECT_EQ(Str(m, "subject"),
              "sonivex無音検出 エフエム第一放送 本線系統 予備送信所 中継回線 デジタル");
    EXPECT_EQ(Str(m, "body"), "エフエム 本線\n2026/12/05 26:30:15 (監視PC内部時刻) \nline 3\n");
    EXPECT_EQ(m.value("defects").toInt(), 0);
}

// The header lines exactly; the body with CR LF line ends, leading dots doubled, and the
// terminator.
TEST(MailMessage, HeaderLinesThenTheBody) {
    MailHeader h = Header("FM", "a@x.example;b@y.example");
    h.messageId = "<1@x>";
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
    const struct {
        const char* body;
        const char* sent;
    } cases[] = {{"a\r\nb", "a\r\nb\r\n.\r\n"},
                 {"a\nb\rc", "a\r\nb\r\nc\r\n.\r\n"},
                 {".\r\n.x\r\nx.", "..\r\n..x\r\nx.\r\n.\r\n"},
                 {"ends\r\n", "ends\r\n.\r\n"},
                 {"", ".\r\n"}};
    for (const auto& c : cases) EXPECT_EQ(MessageBlock(h, c.body), header + c.sent) << c.body;
}

// (What the words decode to is in what Python reads back.)
TEST(MailMessage, LongSubjectsFoldIntoCompleteEncodedWords) {
    const std::string subject =
        "sonivex無音検出 " + std::string(30, 'x') + "本線①予備" + std::string(40, 'y') + "終わり";
    const std::vector<std::string> words = EncodedSubjectWords(subject);
    EXPECT_GE(words.size(), 3u);
    for (const std::string& w : words) {
        EXPECT_LE(w.size() + 9, 76u) << w;  // "Subject: " or a TAB before it
        ASSERT_TRUE(w.starts_with("=?iso-2022-jp?B?") && w.ends_with("?=")) << w;
        const QByteArray bytes =
            QByteArray::fromBase64(QByteArray::fromStdString(w.substr(16, w.size() - 18)));
        if (bytes.contains('\x1b')) {  // each word is back in ASCII when it ends
            EXPECT_EQ(bytes.mid(bytes.lastIndexOf('\x1b'), 3), "\x1b(B") << w;
        }
    }
    EXPECT_EQ(EncodedSubjectWords("").size(), 1u);
}

TEST(MailMessage, RecipientsAndMessageIds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitRecipients("a@x; b@y"), (V{"a@x", "b@y"}));
    EXPECT_EQ(SplitRecipients(";; a@x ;;"), (V{"a@x"}));
    EXPECT_EQ(SplitRecipients(" ; "), V{});
    EXPECT_EQ(SplitRecipients("a@x；　b@y　；"), (V{"a@x", "b@y"}));  // typed in full width
    const std::string one = NewMessageId("me@station.example");
    EXPECT_TRUE(one.starts_with("<") && one.ends_with("@station.example>")) << one;
    EXPECT_NE(one, NewMessageId("me@station.example"));
    EXPECT_TRUE(NewMessageId("no-at-sign").ends_with("@localhost>"));
}

}  // namespace
}  // namespace sonivex
