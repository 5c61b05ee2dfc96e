// The test mail: the alert text of one input, marked as a test in its first line, sent through
// the configured server with the settings as they are in the data folder (which it leaves as
// it found it). Engineers prove the mail path with it before the night it matters.
#include "app/SendTestMail.h"

#include <QCoreApplication>
#include <iostream>

#include "app/DataFolder.h"
#include "mail/AlertText.h"
#include "mail/MonitorMail.h"
#include "mail/SmtpSession.h"
#include "monitor/MonitorSettings.h"
#include "monitor/SettingsStore.h"
#include "support/Log.h"
#include "support/basic.h"

namespace sonivex {

bool ReadTestSettings(const Options& o, const std::string& exePath, int i, MonitorSettings& s) {
    std::string error;
    const std::string folder = ExistingDataFolder(o.dir, exePath, error);
    if (folder.empty()) {
        std::cerr << "sonivex: " << error << "\n";
        return false;
    }
    SetAppPath(folder);
    LogConfig log;
    log.folder = ReadLogFolder(CommonIniPath(), folder, error);
    if (!error.empty())
        std::cerr << "sonivex: " << error << "; the log goes to " << log.folder << "\n";
    log.echo = [](const std::string& line) { std::cout << line << std::endl; };
    ConfigureLog(log);
    SettingsStore store(folder + "sonivex.ini", false);
    s.hourAdjust = store.ReadSetting("HourAdjust", int32_t{18000});
    s.inputs[i].auditName = store.ReadSetting("AuditName_" + std::to_string(i + 1), "");
    ReadThresholds(store, s);
    ReadMail(store, s);
    return true;
}

int SendTestMail(const Options& o, const std::string& exePath) {
    const int i = o.sendTestMail - 1;
    MonitorSettings s;
    if (!ReadTestSettings(o, exePath, i, s)) return 1;
    if (s.inputs[i].mailAddr.empty()) {
        std::cerr << "sonivex: MailAddr_" << i + 1 << " is empty: no recipient for input " << i + 1
                  << "\n";
        return 1;
    }
    UC_WinSock tcp;
    tcp.Init();
    SmtpSession session(tcp);
    SessionResult result;
    bool ended = false;
    session.Start(
        MailJobFor(s, i, MailSubject(s.inputs[i].auditName, s.messageLang), TestMailText(s, i)),
        [&](const SessionResult& r) {
            result = r;
            ended = true;
            QCoreApplication::exit(0);
        });
    // A session that failed before it connected has ended already.
    if (!ended) QCoreApplication::exec();
    if (result.accepted) {
        std::cout << "sonivex: the server accepted the test mail for input " << i + 1 << "\n";
        return 0;
    }
    std::cerr << "sonivex: the test mail was not sent: " << result.failure << "\n";
    return 1;
}

}  // namespace sonivex
