// The desktop's global shortcuts through the freedesktop GlobalShortcuts portal: one
// shortcut, bound in a session of its own, proposed with a preferred trigger. The desktop
// decides which keys it really gets (and may ask its user); what it assigned is kept as
// the desktop describes it.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace kyq {

class GlobalShortcutsPortal final : public QObject {
    Q_OBJECT
public:
    explicit GlobalShortcutsPortal(const QDBusConnection& bus);
    ~GlobalShortcutsPortal() override;

    // The bus has a portal that offers global shortcuts.
    static bool Offered(const QDBusConnection& bus);

    // Binds the shortcut `id` in a new session (the previous one is closed), proposing
    // `preferredTrigger` in the form the portal takes ("CTRL+ALT+p"; empty
    // proposes none). A bind while one is under way waits for it, the last one wins.
    // The shortcut goes with the session's creation too (where some desktops read it
    // alone); a desktop that already lists it then is not asked to bind, which on some
    // opens its settings, unless `userAsked` (a new chord chosen in the options).
    void Bind(const QString& id, const QString& description, const QString& preferredTrigger,
              bool userAsked = false);

    // Whether a bind has been answered, and what the desktop assigned (empty: nothing yet).
    bool Answered() const { return answered_; }
    const QString& AssignedTrigger() const { return assigned_; }

signals:
    void activated(const QString& id);
    // A bind was answered, or the desktop changed the shortcut.
    void assignmentChanged();

private slots:
    void OnActivated(const QDBusMessage& message);
    void OnShortcutsChanged(const QDBusMessage& message);

private:
    void StartBind();
    void BindInSession();
    QVariant ShortcutList() const;
    void CloseSession();
    void TakeAssignment(const QVariant& shortcuts);

    QDBusConnection bus_;
    QString session_;
    bool busy_ = false;
    bool pending_ = false;
    QString id_;
    QString description_;
    QString trigger_;
    bool userAsked_ = false;
    int sessions_ = 0;
    bool bound_ = false;  // the session there is has had a bind
    bool answered_ = false;
    QString assigned_;
};

}  // namespace kyq
