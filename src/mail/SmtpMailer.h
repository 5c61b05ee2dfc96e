// Alert mails of up to eight inputs as SMTP sessions one after the other, never overlapping: the
// inputs are served in index order, pass after pass; a text that comes for an input while its
// own session runs waits for the next pass, and a newer text replaces one still waiting.
#pragma once

#include <QTimer>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "mail/SmtpSession.h"
#include "mail/UC_WinSock.h"

namespace sonivex {

class SmtpMailer {
  public:
    static constexpr int kInputs = 8;
    // The session for one text of an input, with the settings of the moment it starts.
    using JobFor =
        std::function<MailJob(int input, const std::string& subject, const std::string& body)>;

    explicit SmtpMailer(JobFor jobFor, SessionLimits limits = {});
    ~SmtpMailer();
    SmtpMailer(const SmtpMailer&) = delete;
    SmtpMailer& operator=(const SmtpMailer&) = delete;

    void Open();  // prepares the socket control; texts queued before are kept
    void Queue(int input, const std::string& subject, const std::string& body);
    // Ends a running session and drops the waiting texts, each with a failure line.
    void Close();
    bool Busy() const { return running_ >= 0 || Waiting() > 0; }
    int Waiting() const;
    int Running() const { return running_; }  // the input whose session runs, or -1

    // Called after each session with its input and outcome.
    std::function<void(int input, const SessionResult&)> OnSessionEnd;

  private:
    struct Text {
        std::string subject;
        std::string body;
    };
    void StartNext();
    void Ended(int input, const SessionResult& result);

    JobFor jobFor_;
    UC_WinSock tcp_;
    SmtpSession session_;
    std::array<std::optional<Text>, kInputs> waiting_;
    int running_ = -1;
    int cursor_ = 0;  // where the pass goes on
    bool open_ = false;
    QTimer next_;  // starts the next session outside the caller
};

}  // namespace sonivex
