// SIGINT and SIGTERM delivered as a Qt signal on the event loop, so shutdown runs in order.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace sonivex {

class SignalWatcher : public QObject {
    Q_OBJECT
  public:
    explicit SignalWatcher(QObject* parent = nullptr);
    ~SignalWatcher() override;

  Q_SIGNALS:
    void Stop(int signalNumber);

  private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace sonivex
