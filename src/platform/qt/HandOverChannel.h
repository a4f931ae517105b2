// The hand-over message from a second start to the running instance: a local socket in
// the Linux abstract namespace, named after the user and the main window's handle, that
// carries (message, wParam, lParam), the sender's command text, and the handler's reply.
// Only the same user is served. Each sender's text travels with its own message, so any
// number of starts at once are each heard, in the order they connected.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

#include "platform/Expected.h"

class QLocalServer;
class QLocalSocket;

namespace kyq {

// "tarnwick-kyq-<uid>-<handle>"
QString HandOverChannelName(quint64 handle);

// A command text is one quoted path; anything longer is not ours and the sender is cut off.
inline constexpr qint64 HandOverTextCap = 64 * 1024;

class HandOverServer : public QObject {
    Q_OBJECT
public:
    explicit HandOverServer(QObject* parent = nullptr);
    ~HandOverServer() override;

    // Listens under the name for `handle`; fails when the name is taken (by another live
    // instance, or another user squatting it) or listening failed.
    Expected<void> Listen(quint64 handle);
    void Close();
    bool IsListening() const;

    // Ends the wait of the sender of message `id` with `result`. Does nothing when that
    // sender has gone or the message was answered already.
    void Reply(quint64 id, qint64 result);

signals:
    // One per message received. Answer each with Reply once its handler has finished:
    // the sender waits for that.
    void messageReceived(quint64 id, qint64 message, qint64 wParam, qint64 lParam,
                         const QByteArray& text);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    void OnDisconnected(QLocalSocket* socket);

    QLocalServer* server_;
    QHash<quint64, QPointer<QLocalSocket>> waiting_;
    quint64 nextId_ = 1;
};

// Sends one message to the instance whose main window is `handle` and blocks until it
// replies, with no time limit while that instance lives (it may be showing dialogs).
// Returns the reply; nullopt at once when nobody listens under that name (a stale
// Handle.dat, a crashed instance), when the listener belongs to another user, or when it
// ends before replying.
std::optional<qint64> SendHandOverMessage(quint64 handle, qint64 message, qint64 wParam,
                                          qint64 lParam, const QByteArray& text = {});

}  // namespace kyq
