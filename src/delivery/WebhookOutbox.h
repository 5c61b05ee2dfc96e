// The outbox for webhooks: every alert and cancel is posted to each URL, spooled first like mail
// and tried again on the same schedule. Each URL gets each input's events in the order they
// happened, one request at a time; URLs and inputs do not wait for one another.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "delivery/AlertMessage.h"
#include "delivery/Spool.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace sonivex {

enum class PostOutcome { kDone, kRetry, kPermanent };

// 2xx done; 408, 429 and 5xx tried again; any other answer permanent. Without an answer (status
// 0): a certificate that does not verify or a URL that cannot be used is permanent, everything
// else (refused, reset, timed out, a handshake cut short) is tried again.
PostOutcome ClassifyPost(int status, bool certificateRefused, bool unusableUrl);

class WebhookOutbox {
  public:
    explicit WebhookOutbox(int timeoutMs = 10000);
    ~WebhookOutbox();
    WebhookOutbox(const WebhookOutbox&) = delete;
    WebhookOutbox& operator=(const WebhookOutbox&) = delete;

    // Takes up what an earlier run left in dataFolder's spool.
    void Open(const std::string& dataFolder, int retryHours = 24);
    // Ends the requests in flight; what is not yet delivered stays in the spool.
    void Close();
    // Spools body once per URL and posts it as soon as that URL's turn for the input comes.
    void Queue(const AlertMessage& m, const std::vector<std::string>& urls,
               const std::string& body);
    // Starts the posts that have fallen due; called once a second.
    void Service();

    bool Busy() const { return Waiting() + Running() > 0; }
    int Waiting() const;  // not yet in flight
    int Running() const;  // requests in flight
    uint64_t Sent() const { return sent_; }
    uint64_t Failed() const { return failed_; }

  private:
    // One URL's events of one input.
    struct Line {
        std::deque<SpoolEntry> queue;
        QNetworkReply* reply = nullptr;
        bool certificateRefused = false;
    };
    using Key = std::pair<std::string, int>;

    void StartDue();
    void Post(Line& line);
    void Finished(Line& line);
    void Retry(Line& line, const std::string& why);

    int timeoutMs_;
    std::unique_ptr<QNetworkAccessManager> net_;
    std::map<Key, Line> lines_;
    Spool spool_{"", ".hook"};
    int retryHours_ = 24;
    uint64_t sent_ = 0, failed_ = 0;
    bool open_ = false;
};

}  // namespace sonivex
