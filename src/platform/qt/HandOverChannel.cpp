#include "platform/qt/HandOverChannel.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <span>

namespace kyq {

namespace {

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
    while (guard && guard->bytesAvailable() >= static_cast<qint64>(HandOverFrame::HeaderSize)) {
        // The text may still be on its way: nothing is taken before the message is whole.
        const QByteArray available = guard->peek(
            std::min<qint64>(guard->bytesAvailable(),
                             HandOverFrame::HeaderSize + HandOverTextCap + HandOverTokenCap));
        HandOverFrame frame;
        size_t used = 0;
        const auto state = HandOverFrame::Read(
            std::span(reinterpret_cast<const uint8_t*>(available.constData()),
                      static_cast<size_t>(available.size())),
            frame, used);
        if (state == HandOverFrame::State::Invalid)
            guard->abort();
        if (state != HandOverFrame::State::Complete)
            return;
        guard->skip(static_cast<qint64>(used));
        quint64 id = nextId_++;
        waiting_.insert(id, guard);
        // The handler may run a nested event loop (a save prompt), during which this
        // socket can go away; the guard notices.
        emit messageReceived(id, frame.Message, frame.WParam, frame.LParam,
                             QByteArray::fromStdString(frame.Text),
                             QByteArray::fromStdString(frame.Token));
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
    const QByteArray bytes = QByteArray::fromStdString(
        HandOverFrame{message, wParam, lParam, text.toStdString(), activationToken.toStdString()}
            .Bytes());
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
