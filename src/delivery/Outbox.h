// The outbox for mail. Each message is written to the spool before its first attempt and leaves
// it only when the server has taken it or it has been given up on. Each input has at most one
// SMTP session at a time and sends its messages in the order they happened; the inputs' sessions
// run side by side, so a server that stalls on one input's mail (up to 20 s per reply) never
// holds back another input's alert. A transient failure is tried again after 30 s, 1, 2, 5 and 10
// minutes and then every 10 minutes until the retry period is over; a permanent one ends at once.
// Time is the program clock's, so simulated runs see the schedule too.
#pragma once

#include <QTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "delivery/AlertMessage.h"
#include "delivery/Spool.h"
#include "mail/SmtpSession.h"
#include "mail/UC_WinSock.h"

namespace sonivex {

// Seconds until the next attempt after `failures` failed ones.
int RetryDelaySeconds(int failures);
// After a transient failure: counts it, keeps why, and sets the next attempt; false (nothing set)
// once retryHours have passed since the event.
bool PlanRetry(SpoolEntry& e, const std::string& failure, int retryHours);

class Outbox {
  public:
    static constexpr int kInputs = 8;
    // The server side of input i's session as the settings say at the moment it starts: host,
    // port, authentication and security. The envelope and the message come from the spool.
    using ServerJob = std::function<MailJob(int input)>;

    explicit Outbox(ServerJob serverJob, SessionLimits limits = {});
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Takes up what an earlier run left in dataFolder's spool; messages queued before stay.
    void Open(const std::string& dataFolder, int retryHours = 24);
    // Ends a running session; every message not yet taken stays in the spool for the next start.
    void Close();
    // Spools the message with its envelope and sends it as soon as its turn comes.
    void Queue(const AlertMessage& m, const std::string& sender, const std::string& recipients);
    // Starts the next message that is due; called once a second.
    void Service();

    bool Busy() const { return Running() > 0 || Waiting() > 0; }
    int Waiting() const;  // not yet in a session
    int Running() const;  // sessions in progress
    // Messages since the start: taken by the server, and given up (moved to failed/).
    uint64_t Sent() const { return sent_; }
    uint64_t Failed() const { return failed_; }

    // Called after each session with its input and outcome.
    std::function<void(int input, const SessionResult&)> OnSessionEnd;

  private:
    // One input's connection and session, made on its first mail.
    struct Lane {
        explicit Lane(SessionLimits limits) : session(tcp, limits) {}
        UC_WinSock tcp;
        SmtpSession session;
        bool running = false;
    };

    void StartDue();
    bool Due(const SpoolEntry& e) const;
    void Ended(int input, const SessionResult& result);
    bool Retry(SpoolEntry& e, const SessionResult& result);

    ServerJob serverJob_;
    SessionLimits limits_;
    std::array<std::unique_ptr<Lane>, kInputs> lanes_;
    std::array<std::deque<SpoolEntry>, kInputs> queues_;
    Spool spool_{""};
    int retryHours_ = 24;
    uint64_t sent_ = 0, failed_ = 0;
    bool open_ = false;
    QTimer next_;  // starts sessions outside the caller
};

}  // namespace sonivex
