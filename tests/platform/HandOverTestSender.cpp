// Second process for the hand-over channel tests:
//   send <handle> [text [token]]  hand message 1025 with its text and activation token over
//                                 as a second start would, in $KYQ_TEST_HANDOVER_FOLDER
//   raw-as-nobody <name>          as user 65534, connect to <name> and send one message
#include <grp.h>
#include <unistd.h>

#include <QCoreApplication>
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
    if (argc < 3 || argc > 5)
        return Say("usage", 2);
    const char* mode = argv[1];
    if (std::strcmp(mode, "send") == 0) {
        const QByteArray text = argc >= 4 ? QByteArray(argv[3]) : QByteArray();
        std::optional<qint64> reply =
            kyq::SendHandOverMessage(std::getenv("KYQ_TEST_HANDOVER_FOLDER"),
                                     std::strtoull(argv[2], nullptr, 10), 1025, 0, 0, text,
                                     argc == 5 ? QByteArray(argv[4]) : QByteArray());
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
    return Say("usage", 2);
}
