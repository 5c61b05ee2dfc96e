// Accept policy and per-connection limits of the status server.
#include "service/BoundedTcpServer.h"

#include <unistd.h>

#include <QTcpSocket>
#include <QTimer>
#include <memory>
#include <utility>

namespace sonivex {

BoundedTcpServer::BoundedTcpServer(ConnectionLimits limits, QObject* parent)
    : QTcpServer(parent), limits_(limits) {}

void BoundedTcpServer::incomingConnection(qintptr handle) {
    if (live_ >= limits_.maxSockets) {
        ::close(static_cast<int>(handle));
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(handle)) {
        delete socket;
        ::close(static_cast<int>(handle));
        return;
    }
    // The slot is free once the connection is closed, not only once the socket is deleted: a
    // deletion asked for inside a nested event loop waits until that loop ends, which can be long.
    ++live_;
    auto counted = std::make_shared<bool>(true);
    const auto release = [this, counted] {
        if (std::exchange(*counted, false)) --live_;
    };
    connect(socket, &QAbstractSocket::disconnected, this, release);
    connect(socket, &QObject::destroyed, this, release);
    Guard(socket);
    addPendingConnection(socket);
}

// Connected before the HTTP server's own handlers, so it sees each read before the parser.
void BoundedTcpServer::Guard(QTcpSocket* socket) {
    // Memory stays bounded even while a request waits for its end.
    socket->setReadBufferSize(limits_.maxRequestBytes + 1);
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    deadline->start(limits_.answerDeadlineMs);
    connect(deadline, &QTimer::timeout, socket, &QTcpSocket::abort);
    auto received = std::make_shared<qint64>(0);
    connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
        *received += socket->bytesAvailable();
        if (*received > limits_.maxRequestBytes || socket->bytesToWrite() > limits_.maxUnsentBytes)
            QMetaObject::invokeMethod(socket, &QTcpSocket::abort, Qt::QueuedConnection);
    });
    connect(socket, &QTcpSocket::bytesWritten, socket, [this, deadline, received] {
        *received = 0;
        deadline->start(limits_.answerDeadlineMs);
    });
}

}  // namespace sonivex
