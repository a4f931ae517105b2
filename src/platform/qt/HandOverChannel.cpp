#include "platform/qt/HandOverChannel.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

#include <cstring>

namespace kyq {

namespace {

// Frames in host order (both ends run on this machine): four 64-bit numbers out (the
// last one the length of the text that follows), one back.
struct Frame {
    qint64 message;
    qint64 wParam;
    qint64 lParam;
    qint64 textSize;
};
constexpr qint64 kFrameSize = sizeof(Frame);
constexpr qint64 kReplySize = sizeof(qint64);
// How long the kernel may take to accept a connection to a live listener. A missing
// listener fails at once, whatever this says.
constexpr int kConnectTimeoutMs = 10000;

// The abstract namespace has no file permissions: anyone on the machine may connect to
// or bind any name, so each end checks who is on the other side.
bool PeerIsThisUser(QLocalSocket& socket) {
    ucred cred {};
    socklen_t len = sizeof cred;
    int fd = static_cast<int>(socket.socketDescriptor());
    if (fd < 0 || ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred)
        return false;
    return cred.uid == ::geteuid();
}

}  // namespace

QString HandOverChannelName(quint64 handle) {
    return QStringLiteral("tarnwick-kyq-%1-%2").arg(static_cast<qulonglong>(::geteuid())).arg(handle);
}

HandOverServer::HandOverServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(server_, &QLocalServer::newConnection, this, &HandOverServer::OnNewConnection);
}

HandOverServer::~HandOverServer() = default;

Expected<void> HandOverServer::Listen(quint64 handle) {
    Close();
    const QString name = HandOverChannelName(handle);
    if (server_->listen(name))
        return {};
    Error e;
    e.Message = server_->serverError() == QAbstractSocket::AddressInUseError
                    ? "通信通道“" + name.toStdString() + "”已被其他程序占用"
                    : "无法建立通信通道：" + server_->errorString().toStdString();
    e.Detail = "cannot listen on the hand-over channel " + name.toStdString() + ": " +
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
        if (frame.textSize < 0 || frame.textSize > HandOverTextCap) {
            guard->abort();
            return;
        }
        // The text may still be on its way: wait for the rest before taking anything.
        if (guard->bytesAvailable() < kFrameSize + frame.textSize)
            return;
        guard->skip(kFrameSize);
        const QByteArray text = guard->read(frame.textSize);
        if (text.size() != frame.textSize)
            return;
        quint64 id = nextId_++;
        waiting_.insert(id, guard);
        // The handler may run a nested event loop (a save prompt), during which this
        // socket can go away; the guard notices.
        emit messageReceived(id, frame.message, frame.wParam, frame.lParam, text);
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

std::optional<qint64> SendHandOverMessage(quint64 handle, qint64 message, qint64 wParam,
                                          qint64 lParam, const QByteArray& text) {
    if (text.size() > HandOverTextCap)
        return std::nullopt;
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(HandOverChannelName(handle));
    if (!socket.waitForConnected(kConnectTimeoutMs))
        return std::nullopt;
    if (!PeerIsThisUser(socket)) {
        socket.abort();
        return std::nullopt;
    }
    const Frame frame {message, wParam, lParam, text.size()};
    QByteArray bytes(reinterpret_cast<const char*>(&frame), kFrameSize);
    bytes += text;
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
