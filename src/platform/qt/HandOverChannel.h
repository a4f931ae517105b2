// The hand-over message from a second start to the running instance: a filesystem socket
// in the session's private folder (the one of Handle.dat), named after the main window's
// handle, that carries (message, wParam, lParam), the sender's command text, and the handler's reply.
// Only the same user is served. Each sender's text travels with its own message, so any
// number of starts at once are each heard, in the order they connected.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>
#include <string>

#include "platform/Expected.h"
#include "platform/HandOverFrame.h"

class QLocalServer;
class QLocalSocket;

namespace kyq {

// "<folder>hand-over-<handle>"; folder: the session's folder with its trailing "/".
QString HandOverChannelPath(const std::string& folder, quint64 handle);


class HandOverServer : public QObject {
    Q_OBJECT
public:
    explicit HandOverServer(QObject* parent = nullptr);
    ~HandOverServer() override;

    // Listens on the socket for `handle` in `folder`; fails when a live instance listens
    // there already or listening failed. A socket file left by an instance that ended
    // without removing it is replaced.
    Expected<void> Listen(const std::string& folder, quint64 handle);
    void Close();
    bool IsListening() const;

    // Ends the wait of the sender of message `id` with `result`. Does nothing when that
    // sender has gone or the message was answered already.
    void Reply(quint64 id, qint64 result);

signals:
    // One per message received. Answer each with Reply once its handler has finished:
    // the sender waits for that.
    void messageReceived(quint64 id, qint64 message, qint64 wParam, qint64 lParam,
                         const QByteArray& text, const QByteArray& activationToken);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    void OnDisconnected(QLocalSocket* socket);

    QLocalServer* server_;
    QHash<quint64, QPointer<QLocalSocket>> waiting_;
    quint64 nextId_ = 1;
};

// Sends one message to the instance whose main window is `handle`, in the session whose
// folder is `folder`, and blocks until it replies, with no time limit while that instance
// lives (it may be showing dialogs). Returns the reply; nullopt at once when nobody
// listens there (a stale Handle.dat, a crashed instance), when the listener belongs to
// another user, or when it ends before replying.
std::optional<qint64> SendHandOverMessage(const std::string& folder, quint64 handle,
                                          qint64 message, qint64 wParam, qint64 lParam,
                                          const QByteArray& text = {},
                                          const QByteArray& activationToken = {});

}  // namespace kyq
