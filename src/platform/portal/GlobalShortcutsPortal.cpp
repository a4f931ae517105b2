#include "platform/portal/GlobalShortcutsPortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusMetaType>
#include <QDBusPendingCall>

#include "platform/Log.h"
#include "platform/qt/PortalRequest.h"

namespace kyq {

namespace {

constexpr const char* Interface = "org.freedesktop.portal.GlobalShortcuts";

// One entry of the portal's a(sa{sv}) shortcut lists.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut)
{
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut)
{
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

QList<PortalShortcut> ReadShortcuts(const QVariant& value)
{
    QList<PortalShortcut> shortcuts;
    if (value.canConvert<QDBusArgument>()) {
        const QDBusArgument argument = value.value<QDBusArgument>();
        if (argument.currentSignature() == QLatin1String("a(sa{sv})"))
            argument >> shortcuts;
    }
    return shortcuts;
}

QDBusMessage PortalCall(const char* method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(PortalRequest::Service),
                                          QString::fromLatin1(PortalRequest::DesktopPath),
                                          QString::fromLatin1(Interface),
                                          QString::fromLatin1(method));
}

}  // namespace

}  // namespace kyq

Q_DECLARE_METATYPE(kyq::PortalShortcut)

namespace kyq {

GlobalShortcutsPortal::GlobalShortcutsPortal(const QDBusConnection& bus) : bus_(bus)
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    const QString service = QString::fromLatin1(PortalRequest::Service);
    const QString path = QString::fromLatin1(PortalRequest::DesktopPath);
    const QString interface = QString::fromLatin1(Interface);
    // Taken as whole messages and read below: QtDBus turns down a slot with a 64-bit or a
    // structured parameter for these signals.
    bool listening = bus_.connect(service, path, interface, QStringLiteral("Activated"), this,
                                  SLOT(OnActivated(QDBusMessage)));
    listening = bus_.connect(service, path, interface, QStringLiteral("ShortcutsChanged"), this,
                             SLOT(OnShortcutsChanged(QDBusMessage))) &&
                listening;
    if (!listening)
        LogWarning(LogArea::Keyboard, "cannot listen to the global-shortcuts portal: " +
                                          bus_.lastError().message().toStdString());
}

GlobalShortcutsPortal::~GlobalShortcutsPortal()
{
    CloseSession();
}

bool GlobalShortcutsPortal::Offered(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QString::fromLatin1(PortalRequest::Service), QString::fromLatin1(PortalRequest::DesktopPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QString::fromLatin1(Interface) << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        LogWarning(LogArea::Keyboard, "no global-shortcuts portal on the session bus (" +
                                          reply.errorName().toStdString() + ")");
        return false;
    }
    return true;
}

void GlobalShortcutsPortal::Bind(const QString& id, const QString& description,
                                 const QString& preferredTrigger, bool userAsked)
{
    id_ = id;
    description_ = description;
    trigger_ = preferredTrigger;
    userAsked_ = userAsked_ || userAsked;
    if (busy_) {
        pending_ = true;
        return;
    }
    StartBind();
}

QVariant GlobalShortcutsPortal::ShortcutList() const
{
    QVariantMap properties{{QStringLiteral("description"), description_}};
    if (!trigger_.isEmpty())
        properties.insert(QStringLiteral("preferred_trigger"), trigger_);
    return QVariant::fromValue(QList<PortalShortcut>{{id_, properties}});
}

void GlobalShortcutsPortal::StartBind()
{
    busy_ = true;
    pending_ = false;
    // A new chord is bound in the session there is: a new session per bind would leave the
    // desktop a record per session holding the key.
    if (!session_.isEmpty()) {
        BindInSession();
        return;
    }
    // One token for the first session of every start: a desktop that names its record of
    // the program's shortcuts after it keeps one record, not one per start holding the key.
    const QString sessionToken =
        sessions_ == 0 ? QStringLiteral("kyq_fill") : QStringLiteral("kyq_fill_%1").arg(sessions_);
    ++sessions_;
    QDBusMessage create = PortalCall("CreateSession");
    create << QVariantMap{{QStringLiteral("session_handle_token"), sessionToken},
                          {QStringLiteral("shortcuts"), ShortcutList()}};
    const QString expected = PortalRequest::ObjectPath(bus_, QStringLiteral("session"), sessionToken);
    PortalRequest::Send(
        bus_, create, QStringLiteral("GlobalShortcuts.CreateSession"), this,
        [this, expected](uint code, const QVariantMap& results) {
            if (code != PortalRequest::Success) {
                busy_ = false;
                answered_ = true;
                assigned_.clear();
                emit assignmentChanged();
                if (pending_)
                    StartBind();
                return;
            }
            session_ = PortalRequest::SessionHandle(results, expected);
            if (pending_) {
                StartBind();
                return;
            }
            if (userAsked_) {
                BindInSession();
                return;
            }
            // Already known to the desktop (from the creation, or from an earlier start):
            // nothing to ask it.
            QDBusMessage list = PortalCall("ListShortcuts");
            list << QVariant::fromValue(QDBusObjectPath(session_)) << QVariantMap();
            PortalRequest::Send(bus_, list, QStringLiteral("GlobalShortcuts.ListShortcuts"), this,
                                [this](uint listCode, const QVariantMap& listed) {
                                    if (pending_) {
                                        busy_ = false;
                                        StartBind();
                                        return;
                                    }
                                    if (listCode == PortalRequest::Success) {
                                        TakeAssignment(listed.value(QStringLiteral("shortcuts")));
                                        if (!assigned_.isEmpty()) {
                                            busy_ = false;
                                            answered_ = true;
                                            emit assignmentChanged();
                                            return;
                                        }
                                    }
                                    BindInSession();
                                });
        });
}

void GlobalShortcutsPortal::BindInSession()
{
    userAsked_ = false;
    const bool rebinding = bound_;
    bound_ = true;
    QDBusMessage bind = PortalCall("BindShortcuts");
    bind << QVariant::fromValue(QDBusObjectPath(session_)) << ShortcutList() << QString()
         << QVariantMap();
    PortalRequest::Send(bus_, bind, QStringLiteral("GlobalShortcuts.BindShortcuts"), this,
                        [this, rebinding](uint bindCode, const QVariantMap& bound) {
                            busy_ = false;
                            if (pending_) {
                                StartBind();
                                return;
                            }
                            if (bindCode != PortalRequest::Success && rebinding) {
                                // A desktop that binds once per session gets a new one.
                                CloseSession();
                                userAsked_ = true;
                                StartBind();
                                return;
                            }
                            answered_ = true;
                            assigned_.clear();
                            if (bindCode == PortalRequest::Success)
                                TakeAssignment(bound.value(QStringLiteral("shortcuts")));
                            emit assignmentChanged();
                        });
}

void GlobalShortcutsPortal::TakeAssignment(const QVariant& shortcuts)
{
    assigned_.clear();
    for (const PortalShortcut& shortcut : ReadShortcuts(shortcuts)) {
        if (shortcut.id == id_)
            assigned_ = shortcut.properties.value(QStringLiteral("trigger_description")).toString();
    }
}

void GlobalShortcutsPortal::CloseSession()
{
    if (session_.isEmpty())
        return;
    bus_.asyncCall(QDBusMessage::createMethodCall(QString::fromLatin1(PortalRequest::Service),
                                                  session_,
                                                  QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")));
    session_.clear();
    bound_ = false;
}

void GlobalShortcutsPortal::OnActivated(const QDBusMessage& message)
{
    // (o session, s shortcut, t time stamp, a{sv} options)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || session_.isEmpty())
        return;
    if (arguments[0].value<QDBusObjectPath>().path() == session_)
        emit activated(arguments[1].toString());
}

void GlobalShortcutsPortal::OnShortcutsChanged(const QDBusMessage& message)
{
    // (o session, a(sa{sv}) shortcuts)
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || session_.isEmpty() ||
        arguments[0].value<QDBusObjectPath>().path() != session_)
        return;
    TakeAssignment(arguments[1]);
    emit assignmentChanged();
}

}  // namespace kyq
