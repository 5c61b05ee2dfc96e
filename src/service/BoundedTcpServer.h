// The status server's listening socket with its own accept policy, so that no client can hold
// the event loop or memory: a bounded number of live connections (extra ones are closed at
// once), a bounded request size, and a deadline for every answer.
#pragma once

#include <QTcpServer>

namespace sonivex {

struct ConnectionLimits {
    int maxSockets = 64;                // live connections; wrk's 50 fit
    qint64 maxRequestBytes = 64 << 10;  // received since the last answer
    qint64 maxUnsentBytes = 256 << 10;  // answers a client does not read
    int answerDeadlineMs = 10000;       // from connecting or the last answer to the next one
};

class BoundedTcpServer : public QTcpServer {
    Q_OBJECT
  public:
    explicit BoundedTcpServer(ConnectionLimits limits = {}, QObject* parent = nullptr);

  protected:
    void incomingConnection(qintptr handle) override;

  private:
    void Guard(QTcpSocket* socket);

    ConnectionLimits limits_;
    int live_ = 0;
};

}  // namespace sonivex
