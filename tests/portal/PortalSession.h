// The desktop side of the portals for a test: a private session bus, the scripted backend
// (portal_backend.py under dbusmock) and the real xdg-desktop-portal in front of it. All
// three processes are stopped when the session goes.
#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QVariantList>
#include <memory>
#include <utility>
#include <vector>

namespace kyq::test {

class PortalSession {
public:
    // consent false: the backend answers Start as a user who declined.
    explicit PortalSession(bool consent = true);
    ~PortalSession();
    PortalSession(const PortalSession&) = delete;
    PortalSession& operator=(const PortalSession&) = delete;

    // Empty when the portal is up; else what failed.
    const QString& Failure() const { return failure_; }
    // The program's connection to the private bus.
    QDBusConnection Bus() const;

    // The arguments of every call of `method` the backend received, in order.
    std::vector<QVariantList> Calls(const QString& method) const;
    // (key symbol, pressed) of every NotifyKeyboardKeysym, in order.
    std::vector<std::pair<int, bool>> KeysymsSent() const;
    // The backend's Activated signal for `shortcutId` in the session of the last bind.
    void Activate(const QString& shortcutId) const;

private:
    bool StartBus();
    bool StartProcess(QProcess& process, const QString& program, const QStringList& arguments,
                      const QString& busName);

    QTemporaryDir dir_;
    QString address_;
    QString connectionName_;
    QString failure_;
    QProcess bus_;
    QProcess backend_;
    QProcess portal_;
};

}  // namespace kyq::test
