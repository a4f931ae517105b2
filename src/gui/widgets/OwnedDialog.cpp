#include "gui/widgets/OwnedDialog.h"

#include "gui/widgets/WindowHold.h"

#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QWindow>
#include <QTimer>
#include <QVariant>
#include <algorithm>

#include "core/workflow/KyqApp.h"

namespace kyq {

OwnedDialog::OwnedDialog(KyqApp& app, QWidget* owner, const QString& formName)
    : QDialog(nullptr), app_(app), owner_(owner)
{
    setObjectName(formName);
    setAttribute(Qt::WA_DeleteOnClose, false);
    // Title and close box only, like a fixed dialog: window managers then offer no
    // maximise or minimise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    if (owner_ && owner_->window())
        setWindowIcon(owner_->window()->windowIcon());
}

OwnedDialog::~OwnedDialog()
{
    // Destroyed without Unload (the program ending): the count must still come down.
    ReleaseOwner();
}

void OwnedDialog::ShowOverOwner()
{
    if (owner_ && !holdsOwner_) {
        holdsOwner_ = true;
        WindowHold::Add(owner_);
        HoldModalGate();
    }
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
    ReleaseOwner();
    deleteLater();
}

void OwnedDialog::HoldModalGate()
{
    if (holdsGate_)
        return;
    holdsGate_ = true;
    app_.Modal.Enter();
}

void OwnedDialog::ReleaseOwner()
{
    if (holdsOwner_ && owner_) {
        if (WindowHold::Remove(owner_)) {
            owner_->activateWindow();
            owner_->setFocus(Qt::ActiveWindowFocusReason);
        }
    }
    holdsOwner_ = false;
    if (!holdsGate_)
        return;
    holdsGate_ = false;
    // Last: what waited for the dialogs to close may open one of its own.
    app_.Modal.Leave();
}

void OwnedDialog::reject()
{
    if (!unloaded_)
        OnCancel();
}

void OwnedDialog::WhenNoneOpen(KyqApp& app, QObject* context, std::function<void()> action)
{
    if (!app.Modal.Busy()) {
        action();
        return;
    }
    QPointer<QObject> guard(context);
    app.Modal.WhenFree([&app, guard, action = std::move(action)]() mutable {
        if (!guard)
            return;
        // Not from inside the closing dialog's own handler: from the event loop.
        QTimer::singleShot(0, guard, [&app, guard, action = std::move(action)]() mutable {
            WhenNoneOpen(app, guard, std::move(action));
        });
    });
}

void OwnedDialog::PlaceOverOwner()
{
    // Fixed like the forms they stand for: no resizing, no maximise box; a dialog whose
    // content grows (a warning line) still grows with it.
    if (layout())
        layout()->setSizeConstraint(QLayout::SetFixedSize);
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
