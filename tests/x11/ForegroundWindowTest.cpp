// The foreground window on a private X server without a window manager, and with a
// stand-in manager that publishes _NET_ACTIVE_WINDOW and answers activation requests.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <atomic>
#include <thread>

#include "platform/x11/ForegroundWindow.h"
#include "x11/XvfbServer.h"

namespace kyq {
namespace {

using namespace std::chrono_literals;

[[maybe_unused]] auto* const g_xvfb =
    ::testing::AddGlobalTestEnvironment(new test::XvfbEnvironment);

void SetWindowProperty(Display* dpy, Window on, const char* name, Window value)
{
    XChangeProperty(dpy, on, XInternAtom(dpy, name, False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&value), 1);
}

class ForegroundWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dpy_ = XOpenDisplay(nullptr);
        ASSERT_NE(dpy_, nullptr);
        ASSERT_TRUE(display_.IsOpen());
        root_ = DefaultRootWindow(dpy_);
        left_ = MappedWindow(10, 10);
        right_ = MappedWindow(600, 10);
    }
    void TearDown() override
    {
        XDeleteProperty(dpy_, root_, XInternAtom(dpy_, "_NET_SUPPORTING_WM_CHECK", False));
        XDeleteProperty(dpy_, root_, XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False));
        XSetInputFocus(dpy_, PointerRoot, RevertToPointerRoot, CurrentTime);
        XCloseDisplay(dpy_);
    }

    Window MappedWindow(int x, int y)
    {
        Window w = XCreateSimpleWindow(dpy_, root_, x, y, 300, 200, 0, 0, 0);
        XSelectInput(dpy_, w, StructureNotifyMask);
        XMapWindow(dpy_, w);
        XEvent event;
        do {
            XWindowEvent(dpy_, w, StructureNotifyMask, &event);
        } while (event.type != MapNotify);
        return w;
    }

    Display* dpy_ = nullptr;
    Window root_ = None;
    Window left_ = None;
    Window right_ = None;
    X11Display display_;
    ForegroundWindow foreground_{display_};
};

TEST_F(ForegroundWindowTest, ActivateSetsTheFocusWithoutAWindowManager)
{
    EXPECT_EQ(foreground_.WindowManagerCheck(), 0u);
    ASSERT_TRUE(foreground_.Activate(left_));
    EXPECT_EQ(foreground_.Current(), left_);
    ASSERT_TRUE(foreground_.Activate(right_));
    EXPECT_EQ(foreground_.Current(), right_);
    Window focus = None;
    int revert = 0;
    XGetInputFocus(dpy_, &focus, &revert);
    EXPECT_EQ(focus, right_);
}

TEST_F(ForegroundWindowTest, RefusesWindowsThatAreGoneOrNotShown)
{
    ASSERT_TRUE(foreground_.Activate(left_));
    Window hidden = XCreateSimpleWindow(dpy_, root_, 0, 0, 50, 50, 0, 0, 0);
    Window gone = XCreateSimpleWindow(dpy_, root_, 0, 0, 50, 50, 0, 0, 0);
    XDestroyWindow(dpy_, gone);
    XSync(dpy_, False);
    EXPECT_FALSE(foreground_.Activate(hidden));
    EXPECT_FALSE(foreground_.Activate(gone));
    EXPECT_FALSE(foreground_.Activate(None));
    EXPECT_FALSE(foreground_.Activate(0x7ffffff0));
    // Nothing changed and the process lives on.
    EXPECT_EQ(foreground_.Current(), left_);
}

TEST_F(ForegroundWindowTest, FocusFollowingThePointerGivesTheWindowUnderIt)
{
    XSetInputFocus(dpy_, PointerRoot, RevertToPointerRoot, CurrentTime);
    XWarpPointer(dpy_, None, root_, 0, 0, 0, 0, 700, 100);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.Current(), right_);
    XWarpPointer(dpy_, None, root_, 0, 0, 0, 0, 50, 50);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.Current(), left_);
    XSetInputFocus(dpy_, None, RevertToNone, CurrentTime);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.Current(), left_);
    XWarpPointer(dpy_, None, root_, 0, 0, 0, 0, 1200, 900);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.Current(), 0u) << "only the root is under the pointer";
}

TEST_F(ForegroundWindowTest, TrustsTheActiveWindowOnlyOfALiveManager)
{
    ASSERT_TRUE(foreground_.Activate(left_));
    Window check = XCreateSimpleWindow(dpy_, root_, 0, 0, 1, 1, 0, 0, 0);
    SetWindowProperty(dpy_, check, "_NET_SUPPORTING_WM_CHECK", check);
    SetWindowProperty(dpy_, root_, "_NET_SUPPORTING_WM_CHECK", check);
    SetWindowProperty(dpy_, root_, "_NET_ACTIVE_WINDOW", right_);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.WindowManagerCheck(), check);
    EXPECT_EQ(foreground_.Current(), right_);

    // The check window no longer names itself: not a manager's.
    SetWindowProperty(dpy_, check, "_NET_SUPPORTING_WM_CHECK", right_);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.Current(), left_);

    // A manager that died leaves a stale property on the root.
    SetWindowProperty(dpy_, check, "_NET_SUPPORTING_WM_CHECK", check);
    XDestroyWindow(dpy_, check);
    XSync(dpy_, False);
    EXPECT_EQ(foreground_.WindowManagerCheck(), 0u);
    EXPECT_EQ(foreground_.Current(), left_);
}

// Plays a window manager: takes substructure redirection on the root, publishes a check
// window, and turns each _NET_ACTIVE_WINDOW request from a pager into the active window.
class StandInManager {
public:
    explicit StandInManager(bool answer) : answer_(answer)
    {
        dpy_ = XOpenDisplay(nullptr);
        Window root = DefaultRootWindow(dpy_);
        check_ = XCreateSimpleWindow(dpy_, root, 0, 0, 1, 1, 0, 0, 0);
        SetWindowProperty(dpy_, check_, "_NET_SUPPORTING_WM_CHECK", check_);
        SetWindowProperty(dpy_, root, "_NET_SUPPORTING_WM_CHECK", check_);
        XSelectInput(dpy_, root, SubstructureRedirectMask);
        XSync(dpy_, False);
        thread_ = std::thread([this] { Run(); });
    }
    ~StandInManager()
    {
        stop_ = true;
        thread_.join();
        XCloseDisplay(dpy_);
    }
    long source() const { return source_; }
    Window requested() const { return requested_; }

private:
    void Run()
    {
        const Atom active = XInternAtom(dpy_, "_NET_ACTIVE_WINDOW", False);
        while (!stop_) {
            pollfd p{ConnectionNumber(dpy_), POLLIN, 0};
            if (XPending(dpy_) == 0 && poll(&p, 1, 20) <= 0)
                continue;
            while (XPending(dpy_) > 0) {
                XEvent event;
                XNextEvent(dpy_, &event);
                if (event.type != ClientMessage || event.xclient.message_type != active)
                    continue;
                source_ = event.xclient.data.l[0];
                requested_ = event.xclient.window;
                if (answer_) {
                    SetWindowProperty(dpy_, DefaultRootWindow(dpy_), "_NET_ACTIVE_WINDOW",
                                      event.xclient.window);
                    XSetInputFocus(dpy_, event.xclient.window, RevertToParent, CurrentTime);
                    XFlush(dpy_);
                }
            }
        }
    }

    bool answer_;
    Display* dpy_ = nullptr;
    Window check_ = None;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<long> source_{-1};
    std::atomic<Window> requested_{None};
};

TEST_F(ForegroundWindowTest, AsksAManagerToActivateAndWaitsForIt)
{
    StandInManager manager(true);
    ASSERT_NE(foreground_.WindowManagerCheck(), 0u);
    ASSERT_TRUE(foreground_.Activate(right_));
    EXPECT_EQ(manager.requested(), right_);
    EXPECT_EQ(manager.source(), 2) << "a request on the user's behalf";
    EXPECT_EQ(foreground_.Current(), right_);
}

TEST_F(ForegroundWindowTest, AnUnansweredRequestIsNotConfirmed)
{
    StandInManager manager(false);
    ASSERT_NE(foreground_.WindowManagerCheck(), 0u);
    EXPECT_FALSE(foreground_.Activate(left_, 200ms));
    EXPECT_EQ(manager.requested(), left_);
}

}  // namespace
}  // namespace kyq
