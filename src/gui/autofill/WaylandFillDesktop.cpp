#include "gui/autofill/WaylandFillDesktop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QWidget>

#include "platform/Log.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/VirtualKeyboardTyper.h"
#include "platform/wayland/WaylandConnection.h"

namespace kyq {

WaylandFillDesktop::WaylandFillDesktop() : connection_(WaylandConnection::Connect())
{
    if (!connection_)
        return;
    if (connection_->ToplevelManager())
        toplevels_ = std::make_unique<ForeignToplevels>(*connection_);
    if (connection_->KeyboardManager())
        typer_ = std::make_unique<VirtualKeyboardTyper>(*connection_);
    if (!Available()) {
        LogWarning(LogArea::Keyboard,
                   "the Wayland compositor offers no foreign-toplevel or virtual-keyboard "
                   "protocol: auto-fill cannot type here");
    }
    // Window changes arrive all the time; read them as they come, so the compositor never
    // has to hold a backlog for this connection.
    events_ = std::make_unique<QSocketNotifier>(connection_->Fd(), QSocketNotifier::Read);
    QObject::connect(events_.get(), &QSocketNotifier::activated, events_.get(), [this] {
        if (!connection_->Dispatch()) {
            LogWarning(LogArea::Keyboard, "the Wayland connection for auto-fill failed");
            events_->setEnabled(false);
        }
    });
}

WaylandFillDesktop::~WaylandFillDesktop()
{
    events_.reset();
    typer_.reset();
    toplevels_.reset();
    connection_.reset();
}

bool WaylandFillDesktop::Available() const
{
    return toplevels_ && typer_;
}

uint64_t WaylandFillDesktop::Foreground()
{
    return toplevels_ ? toplevels_->Activated() : 0;
}

bool WaylandFillDesktop::Activate(uint64_t window)
{
    if (!toplevels_ || window == 0)
        return false;
    // The toolkit's own requests (a dialog's unmapping) reach the compositor first.
    QCoreApplication::processEvents();
    if (const QWidget* own = QWidget::find(static_cast<WId>(window))) {
        // The compositor names windows by title; the toolkit may append the program's name.
        const std::string title = own->windowTitle().toStdString();
        uint64_t found = 0;
        for (const ForeignToplevels::Window& candidate : toplevels_->Windows()) {
            if (!title.empty() && candidate.title.rfind(title, 0) == 0)
                found = candidate.id;  // the newest such window is the one just shown
        }
        return found != 0 && toplevels_->Activate(found, ActivationWait);
    }
    return toplevels_->Activate(window, ActivationWait);
}

void WaylandFillDesktop::Type(const std::u16string& text)
{
    if (typer_)
        typer_->Type(text);
}

}  // namespace kyq
