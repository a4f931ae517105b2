// One call to a freedesktop desktop portal that answers later: the method returns a request
// object at once, and the outcome arrives in that object's Response signal (after the user
// has answered a dialog of the desktop, maybe). Also the object paths the portal derives
// from the caller's bus name and a token.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

namespace kyq {

class PortalRequest final : public QObject {
    Q_OBJECT
public:
    // The Response codes: done, cancelled by the user, ended otherwise. A call the portal
    // turned down (an error reply) counts as Ended.
    static constexpr uint Success = 0;
    static constexpr uint Cancelled = 1;
    static constexpr uint Ended = 2;

    using Done = std::function<void(uint code, const QVariantMap& results)>;

    // Sends `call`, whose last argument is its options (a{sv}); a handle token is added to
    // them. `done` runs once, on the thread's event loop, unless `context` (the request's
    // parent) goes first. A
    // failure is logged with its D-Bus detail under `what`.
    static void Send(const QDBusConnection& bus, QDBusMessage call, const QString& what,
                     QObject* context, Done done);

    // A token unique in this process, valid as an object path element.
    static QString NewToken();
    // "/org/freedesktop/portal/desktop/<kind>/<sender>/<token>", kind "request" or "session".
    static QString ObjectPath(const QDBusConnection& bus, const QString& kind,
                              const QString& token);
    // The session a CreateSession answer names: an object path, or a string in the first
    // version of the portals; `expected` (the path asked for) where it names none.
    static QString SessionHandle(const QVariantMap& results, const QString& expected);

    static constexpr const char* Service = "org.freedesktop.portal.Desktop";
    static constexpr const char* DesktopPath = "/org/freedesktop/portal/desktop";

private:
    PortalRequest(const QDBusConnection& bus, QString what, Done done);
    bool Watch(const QString& path);
    void Unwatch();
    void Finish(uint code, const QVariantMap& results);

private slots:
    void OnResponse(uint code, const QVariantMap& results);

private:
    QDBusConnection bus_;
    QString what_;
    Done done_;
    QString path_;
};

}  // namespace kyq
