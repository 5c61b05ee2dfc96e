// The read-only status server on the monitor's event loop: GET /metrics (Prometheus), /status
// (JSON) and / (the page). It only reads the snapshot published after each tick.
#pragma once

#include <QAbstractHttpServer>
#include <memory>
#include <string>
#include <vector>

#include "monitor/MonitorSnapshot.h"
#include "service/BoundedTcpServer.h"

namespace sonivex {

struct MonitorSettings;

class StatusServer : public QAbstractHttpServer {
  public:
    // token "" = no Authorization asked for. The mail login and password of `settings` (read
    // when answering, so that changes in the dialog count) are masked in the log lines shown.
    StatusServer(const MonitorSnapshot& snapshot, const MonitorSettings& settings,
                 std::string token);
    // The port bound (useful when 0 asked for any), 0 on failure.
    quint16 Listen(const QHostAddress& address, quint16 port, ConnectionLimits limits = {});

  protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

  private:
    bool Authorized(const QHttpServerRequest& request, bool page) const;
    const QByteArray& Metrics();

    std::vector<std::string> LogLines() const;

    const MonitorSnapshot& snapshot_;
    const MonitorSettings& settings_;
    std::string token_;
    // Rendered once per snapshot: scrapers that come between two ticks share it.
    QByteArray metrics_;
    uint64_t metricsTicks_ = 0;
};

// The server the settings ask for, listening; nullptr (with a log line saying why) when
// StatusPort is 0, the address is not usable, or a non-loopback address has no token.
std::unique_ptr<StatusServer> StartStatusServer(const MonitorSettings& s,
                                                const MonitorSnapshot& snapshot);

}  // namespace sonivex
