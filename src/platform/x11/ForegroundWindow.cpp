#include "platform/x11/ForegroundWindow.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <thread>

namespace kyq {

namespace {

constexpr long kSourcePager = 2;  // asked for by a tool on the user's behalf, not an app
constexpr auto kConfirmPoll = std::chrono::milliseconds(10);

}  // namespace

unsigned long ForegroundWindow::WindowProperty(unsigned long window, const char* property)
{
    Display* dpy = display_.get();
    X11ErrorTrap trap(dpy);
    Atom actualType = None;
    int actualFormat = 0;
    unsigned long items = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(dpy, window, XInternAtom(dpy, property, False), 0, 1, False,
                                          XA_WINDOW, &actualType, &actualFormat, &items, &remaining,
                                          &data);
    unsigned long value = None;
    if (status == Success && actualType == XA_WINDOW && actualFormat == 32 && items == 1 && data)
        value = reinterpret_cast<unsigned long*>(data)[0];
    if (data != nullptr)
        XFree(data);
    return trap.Succeeded() ? value : None;
}

unsigned long ForegroundWindow::WindowManagerCheck()
{
    if (!display_.IsOpen())
        return None;
    const unsigned long check = WindowProperty(display_.Root(), "_NET_SUPPORTING_WM_CHECK");
    // A manager that died leaves its property on the root; its check window is gone then
    // (the read fails) or, once the id is reused, no longer names itself.
    if (check == None || WindowProperty(check, "_NET_SUPPORTING_WM_CHECK") != check)
        return None;
    return check;
}

unsigned long ForegroundWindow::Current()
{
    if (!display_.IsOpen())
        return None;
    if (WindowManagerCheck() != None) {
        const unsigned long active = WindowProperty(display_.Root(), "_NET_ACTIVE_WINDOW");
        if (active != None)
            return active;
    }
    Display* dpy = display_.get();
    X11ErrorTrap trap(dpy);
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(dpy, &focus, &revertTo);
    if (focus != None && focus != PointerRoot)
        return trap.Succeeded() ? focus : None;
    const Window child = ChildUnderPointer(display_.Root());
    return trap.Succeeded() ? child : None;
}

bool ForegroundWindow::IsMappedAndVisible(unsigned long window)
{
    Display* dpy = display_.get();
    X11ErrorTrap trap(dpy);
    XWindowAttributes attributes{};
    const Status status = XGetWindowAttributes(dpy, window, &attributes);
    return trap.Succeeded() && status != 0 && attributes.map_state == IsViewable;
}

bool ForegroundWindow::HasFocus(unsigned long window, bool windowManager)
{
    if (windowManager)
        return WindowProperty(display_.Root(), "_NET_ACTIVE_WINDOW") == window;
    Display* dpy = display_.get();
    X11ErrorTrap trap(dpy);
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(dpy, &focus, &revertTo);
    return trap.Succeeded() && focus == window;
}

bool ForegroundWindow::IsInside(unsigned long inner, unsigned long outer)
{
    Display* dpy = display_.get();
    X11ErrorTrap trap(dpy);
    const Window root = display_.Root();
    // A window tree is shallow; the bound only guards against a tree changing under us.
    for (int depth = 0; depth < 64 && inner != None && inner != root; ++depth) {
        if (inner == outer)
            return true;
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(dpy, inner, &rootReturn, &parent, &children, &count))
            return false;
        if (children != nullptr)
            XFree(children);
        inner = parent;
    }
    return false;
}

unsigned long ForegroundWindow::ChildUnderPointer(unsigned long parent)
{
    Window root = None;
    Window child = None;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    if (!XQueryPointer(display_.get(), parent, &root, &child, &rootX, &rootY, &x, &y, &mask))
        return None;
    return child;
}

bool ForegroundWindow::HoldsFocus(unsigned long window)
{
    if (!display_.IsOpen() || window == None)
        return false;
    Display* dpy = display_.get();
    Window focus = None;
    {
        X11ErrorTrap trap(dpy);
        int revertTo = 0;
        XGetInputFocus(dpy, &focus, &revertTo);
        if (!trap.Succeeded())
            return false;
    }
    if (focus == PointerRoot) {
        // The keys go to the window under the pointer: find the deepest one there.
        X11ErrorTrap trap(dpy);
        Window under = display_.Root();
        for (int depth = 0; depth < 64; ++depth) {
            const Window child = ChildUnderPointer(under);
            if (child == None)
                break;
            under = child;
        }
        focus = trap.Succeeded() ? under : None;
    }
    // The input focus moves at once when a window closes or another is clicked; the
    // manager's active window may follow a moment later, or may not have caught up with a
    // window it has just activated.
    if (!IsInside(focus, window))
        return false;
    return WindowManagerCheck() == None ||
           WindowProperty(display_.Root(), "_NET_ACTIVE_WINDOW") == window;
}

bool ForegroundWindow::Activate(unsigned long window, std::chrono::milliseconds confirmWithin)
{
    if (!display_.IsOpen() || window == None || window == PointerRoot || !IsMappedAndVisible(window))
        return false;
    Display* dpy = display_.get();
    const bool windowManager = WindowManagerCheck() != None;
    {
        X11ErrorTrap trap(dpy);
        if (windowManager) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = window;
            event.xclient.message_type = XInternAtom(dpy, "_NET_ACTIVE_WINDOW", False);
            event.xclient.format = 32;
            event.xclient.data.l[0] = kSourcePager;
            event.xclient.data.l[1] = CurrentTime;
            event.xclient.data.l[2] = None;
            XSendEvent(dpy, display_.Root(), False, SubstructureRedirectMask | SubstructureNotifyMask,
                       &event);
        } else {
            XRaiseWindow(dpy, window);
            XSetInputFocus(dpy, window, RevertToParent, CurrentTime);
        }
        if (!trap.Succeeded())
            return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + confirmWithin;
    while (!HasFocus(window, windowManager)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(kConfirmPoll);
    }
    return true;
}

}  // namespace kyq

