// The outbox: every text its own mail in order per input, a stalled input holding back no other,
// the spool on disk, the retry schedule on the program clock, refused recipients, permanent
// failures, and a restart that sends what is left.
#include "delivery/Outbox.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "mail/MailTestSupport.h"
#include "mail/ScriptedPeer.h"
#include "platform/Clock.h"

namespace sonivex {
namespace {

using testing::WaitUntil;

bool Carries(const std::string& message, const std::string& body) {
    return message.find("\r\n\r\n" + body + "\r\n.\r\n") != std::string::npos;
}

std::vector<std::string> Files(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec))
        if (e.is_regular_file()) names.push_back(e.path().filename().string());
    return names;
}

// On simulated time from 2026/12/07 09:00:00, every input mailing one scripted peer.
class OutboxTest : public ::testing::Test {
  protected:
    OutboxTest() { SetProgramClock(&clock); }
    ~OutboxTest() override { SetProgramClock(nullptr); }
    // Input 1 (index 0) mails `port` when one is given, the others the scripted peer.
    std::unique_ptr<Outbox> Make(int port = 0) {
        auto box = std::make_unique<Outbox>(
            [this, port](int i) { return testing::TestJob(i == 0 && port ? port : peer.Port()); });
        box->OnSessionEnd = [this](int, const SessionResult& r) { ends.push_back(r); };
        return box;
    }
    void Queue(Outbox& box, int input, const std::string& body, const std::string& to = "a@x") {
        box.Queue(AlertMessage{.input = input, .time = clock.Now(), .subject = "s", .body = body},
                  "a@b.example", to);
    }
    bool Ended(size_t n) {
        return WaitUntil([&] { return ends.size() >= n; }, 5000);
    }

    FakeClock clock;
    testing::ScriptedPeer peer;
    testing::LogCapture log;
    testing::TempDir dir;
    const std::string spool = dir.Folder() + "spool/";
    std::vector<SessionResult> ends;
};

// Each input's texts go as mails of their own, in order, one session at a time per input; the
// inputs' sessions run side by side.
TEST_F(OutboxTest, EveryTextIsItsOwnMailInOrderPerInput) {
    Outbox* self = nullptr;
    bool again = false;
    Outbox box([&](int i) {
        // A text for an input whose session is starting waits for that session to end.
        if (i == 0 && !again) {
            again = true;
            Queue(*self, 0, "zero again");
        }
        return testing::TestJob(peer.Port());
    });
    self = &box;
    Queue(box, 2, "two");  // queued before Open: kept
    box.Open(dir.Folder());
    EXPECT_EQ(Files(spool).size(), 1u);
    for (const char* body : {"old one", "one"}) Queue(box, 1, body);
    Queue(box, 0, "zero");
    ASSERT_TRUE(WaitUntil([&] { return !box.Busy(); }, 10000));
    ASSERT_EQ(peer.messages.size(), 5u);
    auto at = [&](const char* body) {
        for (size_t n = 0; n < peer.messages.size(); ++n)
            if (Carries(peer.messages[n], body)) return static_cast<int>(n);
        return -1;
    };
    EXPECT_GE(at("two"), 0);
    EXPECT_LT(at("zero"), at("zero again"));
    EXPECT_LT(at("old one"), at("one"));
    EXPECT_LE(peer.maxOpen, 3);  // never two sessions of one input
    EXPECT_TRUE(Files(spool).empty());
}

// A 451 waits 30 s, then goes; a 550 ends at once in failed/; a retry period of 0 hours gives up
// after the first transient failure.
TEST_F(OutboxTest, TransientFailuresWaitTheirTurnAndPermanentOnesEnd) {
    peer.Script().replies["RCPT"] = "451 4.7.1 greylisted\r\n";
    auto box = Make();
    box->Open(dir.Folder());
    Queue(*box, 0, "alert");
    Queue(*box, 0, "cancel");  // waits behind the alert
    ASSERT_TRUE(Ended(1));
    EXPECT_FALSE(ends[0].accepted || ends[0].permanent);
    EXPECT_TRUE(log.Has("メール再送予定 2026/12/07 09:00:30 ch1 (1回失敗: 451 4.7.1 greylisted)"))
        << log.All();
    ASSERT_EQ(Files(spool).size(), 2u);
    peer.Script().replies["RCPT"] = "250 ok\r\n";
    clock.Advance(29000);
    box->Service();
    EXPECT_EQ(box->Running(), 0);  // not yet due
    clock.Advance(1000);
    box->Service();
    ASSERT_TRUE(Ended(3));
    ASSERT_EQ(peer.messages.size(), 2u);
    EXPECT_TRUE(Carries(peer.messages[0], "alert") && Carries(peer.messages[1], "cancel"));
    EXPECT_TRUE(Files(spool).empty());

    peer.Script().replies["RCPT"] = "550 5.1.1 no such user\r\n";
    Queue(*box, 1, "refused");
    ASSERT_TRUE(Ended(4));
    EXPECT_TRUE(ends[3].permanent);
    EXPECT_EQ(Files(spool + "failed").size(), 1u);
    box->Close();

    peer.Script().replies["RCPT"] = "421 4.3.2 busy\r\n";
    auto brief = Make();
    brief->Open(dir.Folder(), 0);
    Queue(*brief, 2, "expires");
    ASSERT_TRUE(Ended(5));
    EXPECT_NE(log.ErrorText().find("メール送信失敗 再送期限切れ ch3 (1回失敗: 421 4.3.2 busy)"),
              std::string::npos)
        << log.ErrorText();
    EXPECT_EQ(Files(spool + "failed").size(), 2u);
    EXPECT_FALSE(brief->Busy());
}

// While input 1's server never greets, input 2's mail goes at once: a recipient refused for good
// is dropped, one refused for now gets the same message alone 30 s later.
TEST_F(OutboxTest, AStalledInputAndRefusedRecipientsHoldBackNoOtherMail) {
    testing::PeerScript mute;
    mute.greeting = "";
    testing::ScriptedPeer silent(mute);
    peer.Script().replies["RCPT TO:<gone@x>"] = "550 5.1.1 no such user\r\n";
    peer.Script().replies["RCPT TO:<later@x>"] = "452 4.2.2 mailbox full\r\n";
    auto box = Make(silent.Port());
    box->Open(dir.Folder());
    Queue(*box, 0, "stalled");
    Queue(*box, 1, "alert", "a@x;gone@x;later@x");
    ASSERT_TRUE(Ended(1));
    EXPECT_EQ(box->Running(), 1);  // input 1 still waits for its greeting
    ASSERT_EQ(peer.messages.size(), 1u);
    EXPECT_NE(log.ErrorText().find("メール送信失敗 宛先拒否 gone@x: 550 5.1.1 no such user"),
              std::string::npos);
    EXPECT_TRUE(
        log.Has("メール再送予定 2026/12/07 09:00:30 ch2 (1回失敗: 一時拒否された宛先 later@x)"))
        << log.All();
    peer.Script().replies.erase("RCPT TO:<later@x>");
    peer.lines.clear();
    clock.Advance(30000);
    box->Service();
    ASSERT_TRUE(Ended(2));
    ASSERT_EQ(peer.messages.size(), 2u);
    EXPECT_EQ(peer.lines[2], "RCPT TO:<later@x>");
    EXPECT_EQ(peer.lines[3], "DATA");
    EXPECT_EQ(peer.messages[0], peer.messages[1]);  // the same message, headers and all
}

// Nothing listens while the alert comes; the next start sends the spooled mail once, with the Date
// of the event, and sets damaged files aside without stopping.
TEST_F(OutboxTest, ARestartSendsWhatIsLeftOnceAndSetsDamagedFilesAside) {
    int port = 0;
    {
        testing::ScriptedPeer gone;
        port = gone.Port();
    }
    {
        auto first = Make(port);
        first->Open(dir.Folder());
        Queue(*first, 0, "left behind");
        ASSERT_TRUE(Ended(1));
    }
    EXPECT_TRUE(log.Has("未送信メール 1 通はスプールに残り、次の起動で送信します")) << log.All();
    const std::vector<std::string> left = Files(spool);
    ASSERT_EQ(left.size(), 1u);
    struct stat st {};
    ASSERT_EQ(::stat((spool + left[0]).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    const std::string whole = testing::ReadText(spool + left[0]);
    testing::WriteText(spool + "cut.mail", whole.substr(0, whole.size() - 3));
    testing::WriteText(spool + "noise.mail", "not a spool file");
    clock.Advance(3600 * 1000);
    auto second = Make();
    second->Open(dir.Folder());
    ASSERT_TRUE(WaitUntil([&] { return !second->Busy(); }, 5000));
    ASSERT_EQ(peer.messages.size(), 1u);
    EXPECT_TRUE(Carries(peer.messages[0], "left behind"));
    EXPECT_NE(peer.messages[0].find("Date: Mon, 7 Dec 2026 09:00:00 "), std::string::npos);
    EXPECT_TRUE(Files(spool).empty());
    EXPECT_EQ(Files(spool + "bad").size(), 2u);
    for (const char* line : {"スプールファイル破損 cut.mail: 本文の長さが合いません",
                             "スプールファイル破損 noise.mail"})
        EXPECT_NE(log.ErrorText().find(line), std::string::npos) << log.ErrorText();
}

}  // namespace
}  // namespace sonivex
