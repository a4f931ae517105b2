// Keys sent through the freedesktop RemoteDesktop portal: a session with a keyboard
// device, started with the user's consent (which the desktop asks for; where the portal
// can keep it, a restore token lets the next start pass without asking), then one key
// symbol press or release per call.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace kyq {

class RemoteDesktopPortal final : public QObject {
    Q_OBJECT
public:
    enum class State {
        Idle,      // no session (yet, or it was closed)
        Starting,  // asked; waiting for the desktop (and its user)
        Live,      // keys can be sent
        Refused,   // the user declined, or the desktop ended the request
        Failed,    // the portal could not be reached or turned the call down
    };

    explicit RemoteDesktopPortal(const QDBusConnection& bus);
    ~RemoteDesktopPortal() override;

    // The bus has a portal that can send keyboard input.
    static bool Offered(const QDBusConnection& bus);

    // Starts a session unless one is live or starting. `restoreToken` is sent where the
    // portal's version keeps consents (and may be empty).
    void Start(const QString& restoreToken);
    State CurrentState() const { return state_; }
    // After Refused or Failed: Idle again, so that the next Start asks anew.
    void ForgetRefusal();

    // One key symbol pressed (true) or released; false when the portal refused it (logged,
    // without the symbol: it may be a character of a password).
    bool SendKeysym(quint32 keysym, bool pressed);

signals:
    void stateChanged();
    // The portal handed out a new token for the next session's start.
    void restoreTokenChanged(const QString& token);

private slots:
    void OnSessionClosed(const QVariantMap& details);

private:
    void SetState(State state);
    void Close();
    void SelectDevices(const QString& restoreToken);
    void StartSession();

    QDBusConnection bus_;
    uint version_ = 0;
    State state_ = State::Idle;
    QString session_;
};

}  // namespace kyq
