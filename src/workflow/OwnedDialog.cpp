#include "workflow/OwnedDialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <algorithm>

namespace kyq {

OwnedDialog::OwnedDialog(KyqApp& app, QWidget* owner, const QString& formName)
    : QDialog(nullptr), app_(app), owner_(owner)
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (owner_ && owner_->window())
        setWindowIcon(owner_->window()->windowIcon());
}

void OwnedDialog::ShowOverOwner()
{
    if (owner_)
        owner_->setEnabled(false);
    PlaceOverOwner();
    show();
    raise();
    activateWindow();
    Form_Load();
}

void OwnedDialog::Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_Unload();
    hide();
    if (owner_) {
        owner_->setEnabled(true);
        owner_->activateWindow();
        owner_->setFocus(Qt::ActiveWindowFocusReason);
    }
    deleteLater();
}

void OwnedDialog::reject()
{
    if (!unloaded_)
        OnCancel();
}

void OwnedDialog::PlaceOverOwner()
{
    adjustSize();
    QWidget* top = owner_ ? owner_->window() : nullptr;
    if (top && top->isVisible()) {
        // Stay above the owner with a window manager, as an owned window does.
        winId();
        top->winId();
        if (windowHandle() && top->windowHandle())
            windowHandle()->setTransientParent(top->windowHandle());
        const QRect area = top->frameGeometry();
        QPoint at = area.center() - QPoint(width() / 2, height() / 2);
        // Whole on the screen, also over a small owner near an edge.
        if (const QScreen* screen = top->screen()) {
            const QRect room = screen->availableGeometry();
            at.setX(std::max(room.left(), std::min(at.x(), room.right() + 1 - width())));
            at.setY(std::max(room.top(), std::min(at.y(), room.bottom() + 1 - height())));
        }
        move(at);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    }
}

}  // namespace kyq
