// Second process for the hand-over channel tests:
//   send <handle> [text]          hand message 1025 with its text over as a second start would
//   raw-as-nobody <name>          as user 65534, connect to <name> and send one message
//   squat-as-nobody <name>        as user 65534, listen under <name> and report any data
#include <grp.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/qt/HandOverChannel.h"

namespace {

bool BecomeNobody() {
    return ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
}

int Say(const char* text, int code) {
    std::printf("%s\n", text);
    std::fflush(stdout);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3 && argc != 4)
        return Say("usage", 2);
    const char* mode = argv[1];
    if (std::strcmp(mode, "send") == 0) {
        const QByteArray text = argc == 4 ? QByteArray(argv[3]) : QByteArray();
        std::optional<qint64> reply =
            kyq::SendHandOverMessage(std::strtoull(argv[2], nullptr, 10), 1025, 0, 0, text);
        if (!reply)
            return Say("no reply", 3);
        std::printf("reply %lld\n", static_cast<long long>(*reply));
        return 0;
    }
    if (!BecomeNobody())
        return Say("cannot change user", 4);
    const QString name = QString::fromUtf8(argv[2]);
    if (std::strcmp(mode, "raw-as-nobody") == 0) {
        QLocalSocket socket;
        socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        socket.connectToServer(name);
        if (!socket.waitForConnected(10000))
            return Say("no connection", 5);
        const int64_t frame[4] = {1025, 0, 0, 0};
        socket.write(reinterpret_cast<const char*>(frame), sizeof frame);
        socket.waitForBytesWritten(10000);
        if (socket.waitForReadyRead(10000))
            return Say("answered", 6);
        return Say(socket.state() == QLocalSocket::UnconnectedState ? "dropped" : "waiting", 0);
    }
    if (std::strcmp(mode, "squat-as-nobody") == 0) {
        QLocalServer server;
        server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
        if (!server.listen(name))
            return Say("cannot listen", 7);
        Say("listening", 0);
        if (!server.waitForNewConnection(10000))
            return Say("no connection", 8);
        QLocalSocket* socket = server.nextPendingConnection();
        bool data = socket->bytesAvailable() > 0 || socket->waitForReadyRead(2000);
        return Say(data ? "got-data" : "no-data", 0);
    }
    return Say("usage", 2);
}
