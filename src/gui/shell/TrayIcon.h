// The main window's icon in the notification area. Its activations reach the handler as
// what the user did (TrayActivation); the handler queues them for the main window's rules.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <functional>

#include "core/workflow/TrayActivation.h"

class QIcon;
class QMenu;
class QTimer;

namespace kyq {

class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    // Shows the icon with the tip "Keyquill". Nothing is shown where the desktop has no
    // tray; a tray that appears later takes the icon then.
    void Add(const QIcon& icon);
    void Remove();
    bool Added() const { return added_; }

    // Whether hiding the main window into the tray leaves the user a way back: the icon is
    // added and the desktop has a tray now.
    bool Usable() const;
    // What tells whether the desktop has a tray (QSystemTrayIcon's answer by default).
    void SetTrayAvailable(std::function<bool()> available);
    // A warning in the desktop's notification beside the icon. False where the icon is
    // not shown or the desktop shows no such messages.
    bool ShowMessage(const QString& text);
    // Exports `menu` with the icon where the tray is a StatusNotifierItem host (Wayland):
    // the host draws it at the icon (com.canonical.dbusmenu), since a program there cannot
    // place a menu of its own on the screen. A host that draws none still sends the clicks.
    void ExportMenu(QMenu* menu);
    // Where the activations go.
    void SetHandler(std::function<void(TrayActivation)> handler);

    // An activation of the icon as what the user did. There is no event for the pointer
    // passing over the icon, so every activation first reports Hover, which records the
    // window in the foreground. A single left click is held back for the double-click
    // time, so that a double click is not also taken as a click.
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void Report(TrayActivation activation);

    QSystemTrayIcon* icon_;
    QTimer* singleClick_;
    std::function<bool()> available_;
    std::function<void(TrayActivation)> handler_;
    bool added_ = false;
};

}  // namespace kyq
