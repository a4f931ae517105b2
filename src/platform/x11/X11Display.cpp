#include "platform/x11/X11Display.h"
#include "platform/Log.h"

#include <string>

#include <X11/Xlib.h>

namespace kyq {

namespace {

thread_local X11ErrorTrap* t_innermostTrap = nullptr;

int RecordInTrap(Display* display, XErrorEvent* error)
{
    for (X11ErrorTrap* trap = t_innermostTrap; trap != nullptr; trap = trap->outer()) {
        if (trap->display() == display) {
            trap->Record(error->error_code);
            // Trapped errors are expected (a window that went away), but not invisible.
            LogWarning(LogArea::Desktop,
                       "X error " + std::to_string(error->error_code) + " on request " +
                           std::to_string(error->request_code) + "." +
                           std::to_string(error->minor_code) + " for resource " +
                           std::to_string(error->resourceid) + " (trapped)");
            return 0;
        }
    }
    LogWarning(LogArea::Desktop, "X error " + std::to_string(error->error_code) + " on request " +
                                     std::to_string(error->request_code) + " outside any trap");
    return 0;
}

// Losing the server must not end the program from inside an Xlib call; the connection is
// dead afterwards and every later request simply fails.
void KeepProcessOnIOError(Display*, void*) {}

}  // namespace

X11Display::X11Display(const char* name)
{
    XInitThreads();
    display_ = XOpenDisplay(name);
    if (display_ != nullptr)
        XSetIOErrorExitHandler(display_, KeepProcessOnIOError, nullptr);
}

X11Display::~X11Display()
{
    if (display_ != nullptr)
        XCloseDisplay(display_);
}

unsigned long X11Display::Root() const
{
    return display_ != nullptr ? DefaultRootWindow(display_) : None;
}

X11ErrorTrap::X11ErrorTrap(Display* display) : display_(display), outer_(t_innermostTrap)
{
    // Errors of earlier requests belong to nobody here.
    XSync(display_, False);
    t_innermostTrap = this;
    // Installed anew each time: the process has one handler, and another library (the
    // keyboard hook) may have put its own in since.
    XSetErrorHandler(RecordInTrap);
}

X11ErrorTrap::~X11ErrorTrap()
{
    XSync(display_, False);
    t_innermostTrap = outer_;
}

bool X11ErrorTrap::Succeeded()
{
    XSync(display_, False);
    return errorCode_ == 0;
}

void X11ErrorTrap::Record(unsigned char errorCode)
{
    if (errorCode_ == 0)
        errorCode_ = errorCode;
}

}  // namespace kyq
