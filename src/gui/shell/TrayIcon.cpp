#include "gui/shell/TrayIcon.h"

#include <QApplication>
#include <QIcon>
#include <QTimer>


namespace kyq {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent),
      icon_(new QSystemTrayIcon(this)),
      singleClick_(new QTimer(this)),
      available_(&QSystemTrayIcon::isSystemTrayAvailable)
{
    icon_->setObjectName(QStringLiteral("TrayIcon"));
    singleClick_->setSingleShot(true);
    connect(singleClick_, &QTimer::timeout, this, [this] { Post(LeftButtonDown); });
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

bool TrayIcon::ShowMessage(const QString& text)
{
    if (!Usable() || !QSystemTrayIcon::supportsMessages())
        return false;
    icon_->showMessage(QStringLiteral("Keyquill"), text, QSystemTrayIcon::Warning);
    return true;
}

void TrayIcon::ExportMenu(QMenu* menu)
{
    icon_->setContextMenu(menu);
}

void TrayIcon::SetHandler(std::function<void(int32_t mouseEvent)> handler)
{
    handler_ = std::move(handler);
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (!added_)
        return;
    Post(MouseMove);
    switch (reason) {
    case QSystemTrayIcon::Trigger:
        singleClick_->start(QApplication::doubleClickInterval());
        break;
    case QSystemTrayIcon::DoubleClick:
        singleClick_->stop();
        Post(LeftDoubleClick);
        break;
    case QSystemTrayIcon::Context:
        singleClick_->stop();
        Post(RightButtonDown);
        break;
    case QSystemTrayIcon::MiddleClick:
        Post(MiddleButtonDown);
        break;
    case QSystemTrayIcon::Unknown:
        break;
    }
}

void TrayIcon::Post(int32_t mouseEvent)
{
    // Not from inside the activation: what it does (a menu's own event loop) runs from the
    // event loop, in the order the events came.
    QMetaObject::invokeMethod(
        this, [this, mouseEvent] {
            if (handler_)
                handler_(mouseEvent);
        },
        Qt::QueuedConnection);
}

}  // namespace kyq
