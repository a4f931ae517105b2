#include "platform/x11/KeystrokeSenderPing.h"

#include <X11/Xutil.h>
#include <poll.h>

#include "platform/x11/X11Display.h"

namespace kyq {

namespace {

bool AnswersPing(Display* display, Window window, Atom ping)
{
    Atom* protocols = nullptr;
    int count = 0;
    if (!XGetWMProtocols(display, window, &protocols, &count))
        return false;
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || protocols[i] == ping;
    XFree(protocols);
    return found;
}

}  // namespace

std::unique_ptr<KeystrokeSenderPing> KeystrokeSenderPing::For(Display* display, Window focus)
{
    if (focus == None || focus == PointerRoot)
        return nullptr;
    X11ErrorTrap trap(display);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    // The focus may sit on a child of the top-level window that carries the protocols.
    Window window = focus;
    for (int depth = 0; depth < 32 && window != None; ++depth) {
        if (AnswersPing(display, window, ping))
            break;
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count))
            return nullptr;
        if (children != nullptr)
            XFree(children);
        window = parent == root ? None : parent;
    }
    if (window == None || !trap.Succeeded())
        return nullptr;
    std::unique_ptr<KeystrokeSenderPing> result(new KeystrokeSenderPing(display, window));
    result->protocols_ = XInternAtom(display, "WM_PROTOCOLS", False);
    result->ping_ = ping;
    // The answer goes to the root window for its substructure redirector (the window
    // manager) and, depending on the toolkit, for those who listen to the root's
    // substructure or to its own structure.
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask | StructureNotifyMask);
    XSync(display, False);
    return result;
}

KeystrokeSenderPing::KeystrokeSenderPing(Display* display, Window client)
    : display_(display), client_(client)
{
}

KeystrokeSenderPing::~KeystrokeSenderPing()
{
    XSelectInput(display_, DefaultRootWindow(display_), NoEventMask);
    XSync(display_, False);
    // What arrived for the root meanwhile is of no interest to anybody here.
    while (XPending(display_) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
    }
}

bool KeystrokeSenderPing::RoundTrip(std::chrono::milliseconds timeout)
{
    // Not a server time: it only has to tell this answer from others (a window manager
    // ignores answers to pings it did not send).
    stamp_ = (stamp_ + 1) & 0x7fffffff;
    const unsigned long stamp = 0x4b510000ul ^ stamp_;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = client_;
    event.xclient.message_type = protocols_;
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(ping_);
    event.xclient.data.l[1] = static_cast<long>(stamp);
    event.xclient.data.l[2] = static_cast<long>(client_);
    {
        X11ErrorTrap trap(display_);
        XSendEvent(display_, client_, False, NoEventMask, &event);
        if (!trap.Succeeded())
            return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        while (XPending(display_) > 0) {
            XEvent answer;
            XNextEvent(display_, &answer);
            if (answer.type == ClientMessage && answer.xclient.message_type == protocols_ &&
                static_cast<Atom>(answer.xclient.data.l[0]) == ping_ &&
                (static_cast<unsigned long>(answer.xclient.data.l[1]) & 0xffffffffu) == stamp)
                return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{ConnectionNumber(display_), POLLIN, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
}

}  // namespace kyq
