#include "gui/shell/TrayIcon.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QIcon>
#include <QTimer>

#include "platform/Log.h"

namespace kyq {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      icon_(new QSystemTrayIcon(this)),
      singleClick_(new QTimer(this)),
      available_(&QSystemTrayIcon::isSystemTrayAvailable)
{
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    singleClick_->setSingleShot(true);
    connect(singleClick_, &QTimer::timeout, this, [this] { Report(TrayActivation::Click); });
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(reason); });
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::Add(const QIcon& icon)
{
    icon_->setIcon(icon);
    icon_->setToolTip(QStringLiteral("Keyquill"));
    icon_->show();
    added_ = true;
}

void TrayIcon::Remove()
{
    singleClick_->stop();
    icon_->hide();
    added_ = false;
}

bool TrayIcon::Usable() const
{
    return added_ && available_ && available_();
}

void TrayIcon::SetTrayAvailable(std::function<bool()> available)
{
    available_ = std::move(available);
}

namespace {

// A tray item of the StatusNotifierItem kind (every Wayland desktop) shows its messages
// through the desktop's notification service; without one, Qt sends them into the void.
bool NotificationsReachTheUser()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return true;  // the X11 tray draws Qt's own balloon
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    const QString service = QStringLiteral("org.freedesktop.Notifications");
    if (bus && (bus->isServiceRegistered(service).value() ||
                bus->activatableServiceNames().value().contains(service)))
        return true;
    LogInfo(LogArea::Desktop, "no notification service on the session bus: a box says it instead");
    return false;
}

}  // namespace

bool TrayIcon::ShowMessage(const QString& text)
{
    if (!Usable() || !QSystemTrayIcon::supportsMessages() || !NotificationsReachTheUser())
        return false;
    icon_->showMessage(QStringLiteral("Keyquill"), text, QSystemTrayIcon::Warning);
    return true;
}

void TrayIcon::ExportMenu(QMenu* menu)
{
    icon_->setContextMenu(menu);
}

void TrayIcon::SetHandler(std::function<void(TrayActivation)> handler)
{
    handler_ = std::move(handler);
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (!added_)
        return;
    Report(TrayActivation::Hover);
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        singleClick_->start(QApplication::doubleClickInterval());
        break;
    case QSystemTrayIcon::DoubleClick:
        singleClick_->stop();
        Report(TrayActivation::DoubleClick);
        break;
    case QSystemTrayIcon::Context:
        singleClick_->stop();
        Report(TrayActivation::MenuClick);
        break;
    case QSystemTrayIcon::MiddleClick:
        Report(TrayActivation::MiddleClick);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void TrayIcon::Report(TrayActivation activation)
{
    if (handler_)
        handler_(activation);
}

}  // namespace kyq
