#include "platform/qt/HandOverChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

#include <cstring>

namespace kyq {

namespace {

// Frames in host order (both ends run on this machine): five 64-bit numbers out (the
// last two the lengths of the text and the activation token that follow), one back.
struct Frame {
    qint64 message;
    qint64 wParam;
    qint64 lParam;
    qint64 textSize;
    qint64 tokenSize;
};
constexpr qint64 kFrameSize = sizeof(Frame);
constexpr qint64 kReplySize = sizeof(qint64);
// How long the kernel may take to accept a connection to a live listener. A missing
// listener fails at once, whatever this says.
constexpr int kConnectTimeoutMs = 10000;

// The folder is the user's own, but a socket passed on or a folder loosened later must
// still not serve another user: each end checks who is on the other side.
bool PeerIsThisUser(QLocalSocket& socket) {
    ucred cred {};
    socklen_t len = sizeof cred;
    int fd = static_cast<int>(socket.socketDescriptor());
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
        return false;
    return cred.uid == ::geteuid();
}

}  // namespace

QString HandOverChannelPath(const std::string& folder, quint64 handle) {
    return QString::fromStdString(folder) + QStringLiteral("hand-over-%1").arg(handle);
}

HandOverServer::HandOverServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    // No socket options: with them QLocalServer replaces a live listener's socket file.
    connect(server_, &QLocalServer::newConnection, this, &HandOverServer::OnNewConnection);
}

HandOverServer::~HandOverServer() = default;

Expected<void> HandOverServer::Listen(const std::string& folder, quint64 handle) {
    Close();
    const QString path = HandOverChannelPath(folder, handle);
    Error e;
    e.Message = "无法建立通信通道";
    if (path.toLocal8Bit().size() >= static_cast<qsizetype>(sizeof(sockaddr_un::sun_path))) {
        e.Detail = "the hand-over socket's path is too long for a socket: " + path.toStdString();
        return e;
    }
    // A file nobody answers on is left by an instance that crashed; a live listener keeps it.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        e.Message = "通信通道已被另一个Keyquill占用";
        e.Detail = "another instance listens on the hand-over socket " + path.toStdString();
        return e;
    }
    QLocalServer::removeServer(path);
    if (server_->listen(path))
        return {};
    e.Detail = "cannot listen on the hand-over socket " + path.toStdString() + ": " +
               server_->errorString().toStdString();
    return e;
}

void HandOverServer::Close() {
    if (server_->isListening())
        server_->close();
}

bool HandOverServer::IsListening() const { return server_->isListening(); }

void HandOverServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!PeerIsThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { OnDisconnected(socket); });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void HandOverServer::OnReadyRead(QLocalSocket* socket) {
    QPointer<QLocalSocket> guard(socket);
    while (guard && guard->bytesAvailable() >= kFrameSize) {
        Frame frame {};
        if (guard->peek(reinterpret_cast<char*>(&frame), kFrameSize) != kFrameSize)
            return;
        if (frame.textSize < 0 || frame.textSize > HandOverTextCap || frame.tokenSize < 0 ||
            frame.tokenSize > HandOverTokenCap) {
            guard->abort();
            return;
        }
        // The text may still be on its way: wait for the rest before taking anything.
        if (guard->bytesAvailable() < kFrameSize + frame.textSize + frame.tokenSize)
            return;
        guard->skip(kFrameSize);
        const QByteArray text = guard->read(frame.textSize);
        const QByteArray token = guard->read(frame.tokenSize);
        if (text.size() != frame.textSize || token.size() != frame.tokenSize)
            return;
        quint64 id = nextId_++;
        waiting_.insert(id, guard);
        // The handler may run a nested event loop (a save prompt), during which this
        // socket can go away; the guard notices.
        emit messageReceived(id, frame.message, frame.wParam, frame.lParam, text, token);
    }
}

void HandOverServer::OnDisconnected(QLocalSocket* socket) {
    for (auto it = waiting_.begin(); it != waiting_.end();) {
        if (it.value() == socket || it.value().isNull())
            it = waiting_.erase(it);
        else
            ++it;
    }
    socket->deleteLater();
}

void HandOverServer::Reply(quint64 id, qint64 result) {
    QPointer<QLocalSocket> socket = waiting_.take(id);
    if (!socket || socket->state() != QLocalSocket::ConnectedState)
        return;
    socket->write(reinterpret_cast<const char*>(&result), kReplySize);
    socket->flush();
}

std::optional<qint64> SendHandOverMessage(const std::string& folder, quint64 handle,
                                          qint64 message, qint64 wParam, qint64 lParam,
                                          const QByteArray& text,
                                          const QByteArray& activationToken) {
    if (text.size() > HandOverTextCap || activationToken.size() > HandOverTokenCap)
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(HandOverChannelPath(folder, handle));
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return std::nullopt;
    if (!PeerIsThisUser(socket)) {
        socket.abort();
        return std::nullopt;
    }
    const Frame frame {message, wParam, lParam, text.size(), activationToken.size()};
    QByteArray bytes(reinterpret_cast<const char*>(&frame), kFrameSize);
    bytes += text;
    bytes += activationToken;
    if (socket.write(bytes) != bytes.size())
        return std::nullopt;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(-1))
            return std::nullopt;
    }
    while (socket.bytesAvailable() < kReplySize) {
        // No time limit: the wait ends with the reply or with the other side's end.
        if (!socket.waitForReadyRead(-1))
            return std::nullopt;
    }
    qint64 result = 0;
    if (socket.read(reinterpret_cast<char*>(&result), kReplySize) != kReplySize)
        return std::nullopt;
    return result;
}

}  // namespace kyq
