// The monitor's mail outlet: nothing before mail is prepared, the envelope of the moment a text
// comes, the server settings of the moment its session starts.
#include "app/MailOutlet.h"

#include <gtest/gtest.h>

#include "mail/MailTestSupport.h"
#include "mail/ScriptedPeer.h"

namespace sonivex {
namespace {

using testing::WaitUntil;

TEST(MailOutlet, SendsOnlyWhenOpenWithTheSettingsOfTheMoment) {
    testing::ScriptedPeer peer;
    testing::LogCapture log;
    testing::TempDir dir;
    MonitorSettings s;
    s.mailHost = "127.0.0.1";
    s.mailHostPort = 1;
    s.mailSenderAddr = "alert@station.example";
    s.mailUserName = "";
    s.inputs[1].mailAddr = "ops@x.example";
    MailOutlet mail(dir.Folder());
    mail.Send(
        AlertMessage{.input = 1, .subject = "s", .body = "before open"});  // not prepared: dropped
    mail.Open(s);
    s.inputs[1].mailAddr = "night@y.example";  // changed in memory after start-up
    mail.Send(AlertMessage{.input = 1, .subject = "s", .body = "after open"});
    s.mailHostPort = peer.Port();  // the server as the session starts
    ASSERT_TRUE(WaitUntil([&] { return !mail.Box().Busy(); }, 5000));
    ASSERT_EQ(peer.messages.size(), 1u);
    EXPECT_NE(peer.messages[0].find("after open"), std::string::npos);
    EXPECT_EQ(peer.lines[2], "RCPT TO:<night@y.example>");

    mail.Close();
}

}  // namespace
}  // namespace sonivex
