#include "platform/portal/RemoteDesktopPortal.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>

#include "platform/Log.h"
#include "platform/qt/PortalRequest.h"

namespace kyq {

namespace {

constexpr const char* Interface = "org.freedesktop.portal.RemoteDesktop";
constexpr const char* SessionInterface = "org.freedesktop.portal.Session";
constexpr uint KeyboardDevice = 1;
// Kept until the user revokes it (1 would keep it only while the program runs).
constexpr uint PersistUntilRevoked = 2;

QDBusMessage PortalCall(const char* method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(PortalRequest::Service),
                                          QString::fromLatin1(PortalRequest::DesktopPath),
                                          QString::fromLatin1(Interface),
                                          QString::fromLatin1(method));
}

// A property of the portal's interface; nothing when it cannot be read.
QVariant PortalProperty(const QDBusConnection& bus, const char* name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(PortalRequest::Service), QString::fromLatin1(PortalRequest::DesktopPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(Interface) << QString::fromLatin1(name);
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        LogWarning(LogArea::Keyboard, std::string("the remote-desktop portal's ") + name +
                                          " cannot be read (" + reply.errorName().toStdString() +
                                          ")");
        return {};
    }
    return reply.arguments().first().value<QDBusVariant>().variant();
}

}  // namespace

RemoteDesktopPortal::RemoteDesktopPortal(const QDBusConnection& bus) : bus_(bus)
{
    version_ = PortalProperty(bus_, "version").toUInt();
}

RemoteDesktopPortal::~RemoteDesktopPortal()
{
    Close();
}

bool RemoteDesktopPortal::Offered(const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        LogWarning(LogArea::Keyboard, "no session bus: the remote-desktop portal cannot be asked");
        return false;
    }
    const QVariant devices = PortalProperty(bus, "AvailableDeviceTypes");
    if (!devices.isValid())
        return false;
    if ((devices.toUInt() & KeyboardDevice) == 0) {
        LogWarning(LogArea::Keyboard, "the remote-desktop portal offers no keyboard (device types " +
                                          std::to_string(devices.toUInt()) + ")");
        return false;
    }
    return true;
}

void RemoteDesktopPortal::SetState(State state)
{
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged();
}

void RemoteDesktopPortal::ForgetRefusal()
{
    if (state_ == State::Refused || state_ == State::Failed)
        SetState(State::Idle);
}

void RemoteDesktopPortal::Start(const QString& restoreToken)
{
    if (state_ == State::Live || state_ == State::Starting)
        return;
    Close();
    SetState(State::Starting);
    const QString sessionToken = PortalRequest::NewToken();
    const QString expected = PortalRequest::ObjectPath(bus_, QStringLiteral("session"), sessionToken);
    // Closed by the desktop (its user stopped the sharing): the next fill asks again.
    bus_.connect(QString::fromLatin1(PortalRequest::Service), expected,
                 QString::fromLatin1(SessionInterface), QStringLiteral("Closed"), this,
                 SLOT(OnSessionClosed(QVariantMap)));
    QDBusMessage create = PortalCall("CreateSession");
    create << QVariantMap{{QStringLiteral("session_handle_token"), sessionToken}};
    PortalRequest::Send(bus_, create, QStringLiteral("RemoteDesktop.CreateSession"), this,
                        [this, expected, restoreToken](uint code, const QVariantMap& results) {
                            if (code != PortalRequest::Success) {
                                SetState(code == PortalRequest::Cancelled ? State::Refused
                                                                          : State::Failed);
                                return;
                            }
                            session_ = PortalRequest::SessionHandle(results, expected);
                            SelectDevices(restoreToken);
                        });
}

void RemoteDesktopPortal::SelectDevices(const QString& restoreToken)
{
    QVariantMap options{{QStringLiteral("types"), KeyboardDevice}};
    // The first version of the portal knows neither option and would turn the call down.
    if (version_ >= 2) {
        options.insert(QStringLiteral("persist_mode"), PersistUntilRevoked);
        if (!restoreToken.isEmpty())
            options.insert(QStringLiteral("restore_token"), restoreToken);
    }
    QDBusMessage select = PortalCall("SelectDevices");
    select << QVariant::fromValue(QDBusObjectPath(session_)) << options;
    PortalRequest::Send(bus_, select, QStringLiteral("RemoteDesktop.SelectDevices"), this,
                        [this](uint code, const QVariantMap&) {
                            if (code != PortalRequest::Success) {
                                Close();
                                SetState(code == PortalRequest::Cancelled ? State::Refused
                                                                          : State::Failed);
                                return;
                            }
                            StartSession();
                        });
}

void RemoteDesktopPortal::StartSession()
{
    QDBusMessage start = PortalCall("Start");
    start << QVariant::fromValue(QDBusObjectPath(session_)) << QString() << QVariantMap();
    PortalRequest::Send(
        bus_, start, QStringLiteral("RemoteDesktop.Start"), this,
        [this](uint code, const QVariantMap& results) {
            // Refused (1) or ended (2): the user did not let the program type.
            if (code != PortalRequest::Success) {
                Close();
                SetState(State::Refused);
                return;
            }
            if ((results.value(QStringLiteral("devices")).toUInt() & KeyboardDevice) == 0) {
                LogWarning(LogArea::Keyboard,
                           "the remote-desktop portal started without a keyboard device");
                Close();
                SetState(State::Refused);
                return;
            }
            const QString token = results.value(QStringLiteral("restore_token")).toString();
            if (!token.isEmpty())
                emit restoreTokenChanged(token);
            SetState(State::Live);
        });
}

bool RemoteDesktopPortal::SendKeysym(quint32 keysym, bool pressed)
{
    if (state_ != State::Live)
        return false;
    QDBusMessage notify = PortalCall("NotifyKeyboardKeysym");
    notify << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap()
           << static_cast<int>(keysym) << static_cast<uint>(pressed ? 1 : 0);
    const QDBusMessage reply = bus_.call(notify, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    LogWarning(LogArea::Keyboard, "the remote-desktop portal did not take a key: " +
                                      reply.errorName().toStdString() + ": " +
                                      reply.errorMessage().toStdString());
    return false;
}

void RemoteDesktopPortal::OnSessionClosed(const QVariantMap& /*details*/)
{
    // A session that never went live is closed as a request's answer, which says more.
    if (state_ != State::Live)
        return;
    LogWarning(LogArea::Keyboard, "the desktop closed the remote-desktop session");
    session_.clear();
    SetState(State::Idle);
}

void RemoteDesktopPortal::Close()
{
    if (session_.isEmpty())
        return;
    bus_.disconnect(QString::fromLatin1(PortalRequest::Service), session_,
                    QString::fromLatin1(SessionInterface), QStringLiteral("Closed"), this,
                    SLOT(OnSessionClosed(QVariantMap)));
    bus_.asyncCall(QDBusMessage::createMethodCall(QString::fromLatin1(PortalRequest::Service),
                                                  session_, QString::fromLatin1(SessionInterface),
                                                  QStringLiteral("Close")));
    session_.clear();
}

}  // namespace kyq
