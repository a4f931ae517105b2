// The main window's icon in the notification area. Its activations reach the program as
// messages of the main window (wParam 61860, the mouse event in lParam), where the shell
// message filter acts on them.
#pragma once

#include <QObject>
#include <QSystemTrayIcon>
#include <cstdint>
#include <functional>

class QIcon;
class QTimer;

namespace kyq {

class KyqApp;

class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t IconId = 61860;
    // Mouse events in lParam.
    static constexpr int32_t MouseMove = 512;
    static constexpr int32_t LeftButtonDown = 513;
    static constexpr int32_t LeftButtonUp = 514;
    static constexpr int32_t LeftDoubleClick = 515;
    static constexpr int32_t RightButtonDown = 516;
    static constexpr int32_t MiddleButtonDown = 519;

    explicit TrayIcon(KyqApp& app, QObject* parent = nullptr);
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

    // An activation of the icon as the message(s) it stands for. There is no event for the
    // pointer passing over the icon, so every activation first posts the pointer-move event
    // (512), which records the window in the foreground. A single left click is held back
    // for the double-click time, so that a double click is not also taken as a click.
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void Post(int32_t mouseEvent);

    KyqApp& app_;
    QSystemTrayIcon* icon_;
    QTimer* singleClick_;
    std::function<bool()> available_;
    bool added_ = false;
};

}  // namespace kyq
