#include "portal/PortalSession.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QTest>
#include <atomic>

namespace kyq::test {

namespace {

constexpr const char* BackendName = "org.freedesktop.impl.portal.KyqTest";
constexpr const char* BackendPath = "/org/freedesktop/portal/desktop";
constexpr const char* MockInterface = "org.freedesktop.DBus.Mock";
constexpr int StartBudgetMs = 30000;  // a generous bound for a loaded machine, not a budget

// Only this bus: no services to activate, so nothing of the real desktop starts.
constexpr const char* BusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

void Stop(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

}  // namespace

PortalSession::PortalSession(bool consent)
{
    static std::atomic<int> sessions{0};
    connectionName_ = QStringLiteral("kyq-portal-test-%1").arg(++sessions);
    if (!StartBus())
        return;
    // The system's Python: the backend needs its dbusmock, whatever python3 is first on PATH.
    const QString parameters =
        consent ? QStringLiteral("{}") : QStringLiteral("{\"consent\": false}");
    if (!StartProcess(backend_, QStringLiteral(KYQ_SYSTEM_PYTHON),
                      {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"),
                       QStringLiteral("--template"), QStringLiteral(KYQ_PORTAL_BACKEND),
                       QStringLiteral("-p"), parameters},
                      QString::fromLatin1(BackendName)))
        return;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KyqTest"));
    environment.insert(QStringLiteral("XDG_DESKTOP_PORTAL_DIR"), QStringLiteral(KYQ_PORTAL_DIR));
    portal_.setProcessEnvironment(environment);
    StartProcess(portal_, QStringLiteral(KYQ_DESKTOP_PORTAL), {},
                 QStringLiteral("org.freedesktop.portal.Desktop"));
}

PortalSession::~PortalSession()
{
    QDBusConnection::disconnectFromBus(connectionName_);
    Stop(portal_);
    Stop(backend_);
    Stop(bus_);
}

bool PortalSession::StartBus()
{
    const QString config = dir_.filePath(QStringLiteral("bus.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(BusConfig) < 0) {
        failure_ = QStringLiteral("cannot write ") + config;
        return false;
    }
    file.close();
    bus_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    bus_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + config,
                                               QStringLiteral("--nofork"),
                                               QStringLiteral("--print-address")});
    if (!bus_.waitForStarted(StartBudgetMs) ||
        !QTest::qWaitFor([this] { return bus_.canReadLine(); }, StartBudgetMs)) {
        failure_ = QStringLiteral("dbus-daemon did not start: ") + bus_.errorString();
        return false;
    }
    address_ = QString::fromUtf8(bus_.readLine()).trimmed();
    QDBusConnection connection = QDBusConnection::connectToBus(address_, connectionName_);
    if (!connection.isConnected()) {
        failure_ = QStringLiteral("cannot connect to the test bus: ") +
                   connection.lastError().message();
        return false;
    }
    return true;
}

bool PortalSession::StartProcess(QProcess& process, const QString& program,
                                 const QStringList& arguments, const QString& busName)
{
    QProcessEnvironment environment = process.processEnvironment().isEmpty()
                                          ? QProcessEnvironment::systemEnvironment()
                                          : process.processEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    QDBusConnectionInterface* names = Bus().interface();
    const bool up = process.waitForStarted(StartBudgetMs) &&
                    QTest::qWaitFor(
                        [&] {
                            return process.state() != QProcess::Running ||
                                   names->isServiceRegistered(busName).value();
                        },
                        StartBudgetMs) &&
                    process.state() == QProcess::Running;
    if (!up)
        failure_ = program + QStringLiteral(" did not take ") + busName;
    return up;
}

QDBusConnection PortalSession::Bus() const
{
    return QDBusConnection(connectionName_);
}

std::vector<QVariantList> PortalSession::Calls(const QString& method) const
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(BackendName), QString::fromLatin1(BackendPath),
        QString::fromLatin1(MockInterface), QStringLiteral("GetMethodCalls"));
    get << method;
    const QDBusMessage reply = Bus().call(get);
    std::vector<QVariantList> calls;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return calls;
    // a(tav): a time stamp and the arguments of each call.
    const QDBusArgument list = reply.arguments().first().value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        qulonglong stamp = 0;
        QVariantList arguments;
        list.beginStructure();
        list >> stamp;
        list.beginArray();
        while (!list.atEnd()) {
            QDBusVariant argument;
            list >> argument;
            arguments << argument.variant();
        }
        list.endArray();
        list.endStructure();
        calls.push_back(arguments);
    }
    list.endArray();
    return calls;
}

std::vector<std::pair<int, bool>> PortalSession::KeysymsSent() const
{
    std::vector<std::pair<int, bool>> keys;
    for (const QVariantList& call : Calls(QStringLiteral("NotifyKeyboardKeysym"))) {
        if (call.size() == 4)
            keys.emplace_back(call[2].toInt(), call[3].toUInt() != 0);
    }
    return keys;
}

void PortalSession::Activate(const QString& shortcutId) const
{
    const std::vector<QVariantList> binds = Calls(QStringLiteral("BindShortcuts"));
    if (binds.empty() || binds.back().size() < 2)
        return;
    QDBusMessage emitSignal = QDBusMessage::createMethodCall(
        QString::fromLatin1(BackendName), QString::fromLatin1(BackendPath),
        QString::fromLatin1(MockInterface), QStringLiteral("EmitSignal"));
    const QVariant session = binds.back()[1];
    emitSignal << QStringLiteral("org.freedesktop.impl.portal.GlobalShortcuts")
               << QStringLiteral("Activated") << QStringLiteral("osta{sv}")
               << QVariant::fromValue(QVariantList{
                      session, shortcutId, QVariant::fromValue(qulonglong{0}),
                      QVariantMap{{QStringLiteral("activation_token"), QStringLiteral("kyq-test")}}});
    Bus().call(emitSignal);
}

}  // namespace kyq::test
