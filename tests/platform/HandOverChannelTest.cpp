#include "platform/qt/HandOverChannel.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QLocalServer>
#include <QProcess>

#include <cstring>
#include <functional>
#include <memory>

#include "support/ScratchFolder.h"

namespace kyq {
namespace {

struct Received {
    quint64 id = 0;
    qint64 message = -1, wParam = -1, lParam = -1;
    QByteArray text, token;
    int count = 0;
};

// Runs the event loop until `done` or a generous limit that only a broken build reaches.
bool SpinUntil(const std::function<bool()>& done, int limitMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// The session's folder, private as the program's is; the sender finds it in the environment.
const std::string& Folder() {
    static test::ScratchFolder folder("kyq-channel");
    static const std::string path = folder.Path().string() + "/";
    return path;
}

std::unique_ptr<QProcess> StartSender(const QStringList& args) {
    auto p = std::make_unique<QProcess>();
    p->start(QStringLiteral(HANDOVER_SENDER), args);
    EXPECT_TRUE(p->waitForStarted(10000));
    return p;
}

QString Output(QProcess& p) { return QString::fromUtf8(p.readAllStandardOutput()).trimmed(); }

// Handles differ per test so a socket left by one never meets the next.
quint64 UniqueHandle(int n) { return 7000000 + static_cast<quint64>(::getpid()) * 16 + n; }

class HandOverChannelTest : public ::testing::Test {
protected:
    void Listen(HandOverServer& server, quint64 handle) {
        ASSERT_TRUE(server.Listen(Folder(), handle));
        QObject::connect(&server, &HandOverServer::messageReceived, &server,
                         [this](quint64 id, qint64 m, qint64 w, qint64 l,
                                const QByteArray& text, const QByteArray& token) {
                             received.id = id;
                             received.message = m;
                             received.wParam = w;
                             received.lParam = l;
                             received.text = text;
                             received.token = token;
                             ++received.count;
                         });
    }
    Received received;
};

TEST_F(HandOverChannelTest, SecondProcessWaitsUntilTheHandlerReplies) {
    HandOverServer server;
    const quint64 handle = UniqueHandle(1);
    Listen(server, handle);
    auto sender = StartSender({"send", QString::number(handle), "\"/tmp/李 雷.kyq\"", "t-1"});
    ASSERT_TRUE(SpinUntil([&] { return received.count == 1; }));
    EXPECT_EQ(received.message, 1025);
    EXPECT_EQ(received.wParam, 0);
    EXPECT_EQ(received.lParam, 0);
    EXPECT_EQ(received.text, QByteArray("\"/tmp/李 雷.kyq\""));
    EXPECT_EQ(received.token, QByteArray("t-1"));
    const quint64 firstId = received.id;

    // The handler is "still busy" (a save prompt, say) while another sender comes and goes:
    // the first must keep waiting, and the value it prints can only be the late reply.
    auto other = StartSender({"send", QString::number(handle)});
    ASSERT_TRUE(SpinUntil([&] { return received.count == 2; }));
    server.Reply(received.id, 5);
    ASSERT_TRUE(other->waitForFinished(10000));
    EXPECT_EQ(Output(*other), "reply 5");
    EXPECT_EQ(sender->state(), QProcess::Running);
    server.Reply(firstId, 7);
    ASSERT_TRUE(sender->waitForFinished(10000));
    EXPECT_EQ(sender->exitCode(), 0);
    EXPECT_EQ(Output(*sender), "reply 7");
    // A second reply to the same message, or one to an unknown id, goes nowhere.
    server.Reply(firstId, 8);
    server.Reply(123456, 9);
}

TEST_F(HandOverChannelTest, StaleHandleFailsAtOnce) {
    // Nobody listens for this handle, as after a crash of the first instance.
    auto sender = StartSender({"send", QString::number(UniqueHandle(2))});
    ASSERT_TRUE(sender->waitForFinished(10000));
    EXPECT_EQ(sender->exitCode(), 3);
    EXPECT_EQ(Output(*sender), "no reply");
}

TEST_F(HandOverChannelTest, SenderGivesUpWhenTheInstanceEndsBeforeReplying) {
    const quint64 handle = UniqueHandle(3);
    auto server = std::make_unique<HandOverServer>();
    Listen(*server, handle);
    auto sender = StartSender({"send", QString::number(handle)});
    ASSERT_TRUE(SpinUntil([&] { return received.count == 1; }));
    server.reset();
    ASSERT_TRUE(sender->waitForFinished(10000));
    EXPECT_EQ(sender->exitCode(), 3);
}

TEST_F(HandOverChannelTest, NameOfALiveInstanceCannotBeTakenButIsFreeAfterIt) {
    const quint64 handle = UniqueHandle(4);
    auto first = std::make_unique<HandOverServer>();
    ASSERT_TRUE(first->Listen(Folder(), handle));
    HandOverServer second;
    EXPECT_FALSE(second.Listen(Folder(), handle));
    first.reset();
    // Neither a socket file left by a killed instance nor the old abstract name of the
    // channel, bound by anyone, stands in the way.
    const QByteArray path = HandOverChannelPath(Folder(), handle).toLocal8Bit();
    sockaddr_un address {AF_UNIX, {}};
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    QLocalServer squatter;
    squatter.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    ASSERT_TRUE(squatter.listen(QStringLiteral("tarnwick-kyq-%1-%2").arg(::geteuid()).arg(handle)));
    EXPECT_TRUE(second.Listen(Folder(), handle));
}

TEST_F(HandOverChannelTest, SeveralMessagesOnOneServerAreAnsweredEachInTurn) {
    HandOverServer server;
    const quint64 handle = UniqueHandle(5);
    Listen(server, handle);
    // Each sender's text comes with its own message: none is lost or taken for another's.
    QHash<QByteArray, qint64> texts;
    QObject::connect(&server, &HandOverServer::messageReceived, &server,
                     [&](quint64 id, qint64, qint64, qint64, const QByteArray& text) {
                         texts.insert(text, static_cast<qint64>(id));
                         server.Reply(id, static_cast<qint64>(id));
                     });
    auto a = StartSender({"send", QString::number(handle), "a.kyq"});
    auto b = StartSender({"send", QString::number(handle), "b.kyq"});
    ASSERT_TRUE(SpinUntil([&] { return a->state() == QProcess::NotRunning && b->state() == QProcess::NotRunning; }));
    EXPECT_EQ(received.count, 2);
    EXPECT_EQ(a->exitCode(), 0);
    EXPECT_EQ(b->exitCode(), 0);
    EXPECT_EQ(Output(*a), QStringLiteral("reply %1").arg(texts.value("a.kyq")));
    EXPECT_EQ(Output(*b), QStringLiteral("reply %1").arg(texts.value("b.kyq")));
}

TEST_F(HandOverChannelTest, AnotherUserIsNotServed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the other side as another user";
    HandOverServer server;
    const quint64 handle = UniqueHandle(6);
    Listen(server, handle);
    auto intruder = StartSender({"raw-as-nobody", HandOverChannelPath(Folder(), handle)});
    ASSERT_TRUE(SpinUntil([&] { return intruder->state() == QProcess::NotRunning; }, 30000));
    const QString said = Output(*intruder);
    if (said == "cannot change user")
        GTEST_SKIP() << "this system does not let root change its user";
    // The private folder keeps it from the socket; were it reachable, the server drops it.
    EXPECT_TRUE(said == "no connection" || said == "dropped") << said.toStdString();
    EXPECT_EQ(received.count, 0);
}

}  // namespace
}  // namespace kyq

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::setenv("KYQ_TEST_HANDOVER_FOLDER", kyq::Folder().c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
