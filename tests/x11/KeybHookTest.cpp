// The keyboard hook library against a real X server: loaded as the program loads it,
// watching keys pressed with xdotool and XTest, delivering client messages to a window.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/HookMessage.h"
#include "platform/x11/KeybHook.h"
#include "platform/x11/KeyboardHookLoader.h"
#include "platform/x11/X11Display.h"
#include "x11/XvfbServer.h"

namespace kyq {
namespace {

using test::RunCommand;
using namespace std::chrono_literals;

[[maybe_unused]] auto* const g_xvfb =
    ::testing::AddGlobalTestEnvironment(new test::XvfbEnvironment);

// A window of this process that receives the hook's messages, as the main window will.
class MessageWindow {
public:
    MessageWindow()
    {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr)
            return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
        atom_ = XInternAtom(display_, HookMessageAtomName, False);
        XSync(display_, False);
    }
    ~MessageWindow()
    {
        if (display_ != nullptr)
            XCloseDisplay(display_);
    }
    bool Ok() const { return display_ != nullptr; }
    Window Id() const { return window_; }
    Display* Dpy() const { return display_; }

    // Messages that arrive until `count` are there or `timeout` passes.
    std::vector<HookMessage> Collect(size_t count, std::chrono::milliseconds timeout)
    {
        return CollectUntil([count](const auto& messages) { return messages.size() >= count; },
                            timeout);
    }
    // Messages until the release of `key`: whatever the key's press caused comes before it.
    std::vector<HookMessage> CollectThroughRelease(uint32_t key)
    {
        return CollectUntil(
            [key](const auto& messages) {
                return !messages.empty() && messages.back().wParam == key &&
                       HookKeyReleased(messages.back().lParam);
            },
            std::chrono::seconds(3));
    }
    // What the server has sent this window so far: a round trip on its connection brings in
    // everything sent before it.
    std::vector<HookMessage> Arrived()
    {
        XSync(display_, False);
        return Collect(SIZE_MAX, std::chrono::milliseconds(0));
    }

private:
    std::vector<HookMessage> CollectUntil(
        const std::function<bool(const std::vector<HookMessage>&)>& done,
        std::chrono::milliseconds timeout)
    {
        std::vector<HookMessage> messages;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done(messages)) {
            while (XPending(display_) > 0 && !done(messages)) {
                XEvent event;
                XNextEvent(display_, &event);
                if (event.type == ClientMessage && event.xclient.message_type == atom_ &&
                    event.xclient.format == HookMessageFormat) {
                    const auto& l = event.xclient.data.l;
                    messages.push_back(DecodeHookMessage(l[HookSlotMessage], l[HookSlotWParam],
                                                         l[HookSlotLParam]));
                }
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (done(messages) || left.count() <= 0)
                break;
            pollfd p{ConnectionNumber(display_), POLLIN, 0};
            poll(&p, 1, static_cast<int>(left.count()));
        }
        return messages;
    }

    Display* display_ = nullptr;
    Window window_ = None;
    Atom atom_ = None;
};

struct Key {
    uint32_t code;
    bool released;
    bool operator==(const Key&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Key& k)
{
    return out << k.code << (k.released ? " up" : " down");
}

std::vector<Key> Keys(const std::vector<HookMessage>& messages, uint32_t expectedMessage = 1024)
{
    std::vector<Key> keys;
    for (const HookMessage& m : messages) {
        EXPECT_EQ(m.message, expectedMessage);
        EXPECT_EQ(m.lParam & 0xffffu, 1u) << "repeat count";
        keys.push_back({m.wParam, HookKeyReleased(m.lParam)});
    }
    return keys;
}

void Tap(Display* dpy, KeySym keysym)
{
    const KeyCode keycode = XKeysymToKeycode(dpy, keysym);
    ASSERT_NE(keycode, 0);
    XTestFakeKeyEvent(dpy, keycode, True, CurrentTime);
    XTestFakeKeyEvent(dpy, keycode, False, CurrentTime);
    XSync(dpy, False);
}

class KeybHookTest : public ::testing::Test {
protected:
    void TearDown() override { hook_.Release(); }

    KeyboardHookLoader hook_{KYQ_KEYBHOOK_DIR};
};

TEST_F(KeybHookTest, LoadsFromTheProgramFolder)
{
    ASSERT_TRUE(hook_.IsLoaded());
    EXPECT_EQ(hook_.LoadedFrom(), std::string(KYQ_KEYBHOOK_DIR) + "libKeybHook.so");
}

TEST(KeyboardHookLoader, MissingLibraryReportsFalseQuietly)
{
    // In a fresh process: once loaded, the library is found by its name alone.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            KeyboardHookLoader missing("/nonexistent-folder/");
            std::exit(!missing.IsLoaded() && !missing.Set(1, 1024) && !missing.Release() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(KeybHookTest, ReportsTheHotKeyPressedWithXdotool)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    ASSERT_TRUE(RunCommand("xdotool keydown ctrl keydown alt keydown p keyup p keyup alt keyup ctrl"));
    const auto keys = Keys(window.Collect(6, 3s));
    const std::vector<Key> expected = {{17, false}, {18, false}, {80, false},
                                       {80, true},  {18, true},  {17, true}};
    EXPECT_EQ(keys, expected);
}

TEST_F(KeybHookTest, UsesTheUnshiftedSymbolAndGenericModifierCodes)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1066));
    Display* dpy = window.Dpy();
    const KeyCode shiftR = XKeysymToKeycode(dpy, XK_Shift_R);
    const KeyCode controlR = XKeysymToKeycode(dpy, XK_Control_R);
    XTestFakeKeyEvent(dpy, shiftR, True, CurrentTime);
    Tap(dpy, XK_7);  // "&" on this layout, still the 7 key
    XTestFakeKeyEvent(dpy, shiftR, False, CurrentTime);
    XTestFakeKeyEvent(dpy, controlR, True, CurrentTime);
    XTestFakeKeyEvent(dpy, controlR, False, CurrentTime);
    XSync(dpy, False);
    for (KeySym keysym : {XK_F12, XK_Left, XK_Down, XK_space, XK_Return, XK_Tab, XK_Escape,
                          XK_BackSpace, XK_Delete, XK_Home, XK_Next, XK_semicolon, XK_slash,
                          XK_bracketleft, XK_apostrophe, XK_KP_Add})
        Tap(dpy, keysym);
    const auto keys = Keys(window.Collect(38, 3s), 1066);
    std::vector<uint32_t> pressed;
    for (const Key& k : keys) {
        if (!k.released)
            pressed.push_back(k.code);
    }
    const std::vector<uint32_t> expected = {16, 55, 17, 123, 37, 40, 32, 13, 9, 27,
                                            8,  46, 36, 34,  186, 191, 219, 222, 107};
    EXPECT_EQ(pressed, expected);
    EXPECT_EQ(keys.size(), 2 * expected.size());
}

TEST_F(KeybHookTest, FlagsCarryTheReleaseBitAndAutoRepeat)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    // Held long enough for the server's auto-repeat (delay 660 ms by default).
    ASSERT_TRUE(RunCommand("xdotool keydown k sleep 0.9 keyup k"));
    const auto messages = window.CollectThroughRelease('K');
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages.front().lParam & (HookFlagReleased | HookFlagWasDown), 0u);
    for (size_t i = 1; i + 1 < messages.size(); ++i) {
        EXPECT_EQ(messages[i].wParam, 75u);
        EXPECT_EQ(messages[i].lParam & (HookFlagReleased | HookFlagWasDown), HookFlagWasDown)
            << "a repeat is a press of a key already down";
    }
    EXPECT_EQ(messages.back().wParam, 75u);
    EXPECT_EQ(messages.back().lParam & (HookFlagReleased | HookFlagWasDown),
              HookFlagReleased | HookFlagWasDown);
}

TEST_F(KeybHookTest, FollowsKeyboardMappingChanges)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Display* dpy = window.Dpy();
    const KeyCode q = XKeysymToKeycode(dpy, XK_q);
    int perKeycode = 0;
    KeySym* original = XGetKeyboardMapping(dpy, q, 1, &perKeycode);
    ASSERT_NE(original, nullptr);
    KeySym w[2] = {XK_w, XK_W};
    XChangeKeyboardMapping(dpy, q, 2, w, 1);
    XSync(dpy, False);
    XTestFakeKeyEvent(dpy, q, True, CurrentTime);
    XTestFakeKeyEvent(dpy, q, False, CurrentTime);
    XSync(dpy, False);
    const auto keys = Keys(window.Collect(2, 3s));
    XChangeKeyboardMapping(dpy, q, perKeycode, original, 1);
    XFree(original);
    XSync(dpy, False);
    const std::vector<Key> expected = {{'W', false}, {'W', true}};
    EXPECT_EQ(keys, expected);
}

TEST_F(KeybHookTest, NothingArrivesAfterRelease)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Tap(window.Dpy(), XK_a);
    EXPECT_EQ(window.Collect(2, 2s).size(), 2u);
    EXPECT_TRUE(hook_.Release());
    Tap(window.Dpy(), XK_b);
    // Harmless without a hook, and a new one starts again; B would have come before C.
    EXPECT_TRUE(hook_.Release());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Tap(window.Dpy(), XK_c);
    EXPECT_EQ(Keys(window.CollectThroughRelease('C')), (std::vector<Key>{{'C', false}, {'C', true}}));
}

TEST_F(KeybHookTest, SettingAgainReplacesTheFirstHook)
{
    MessageWindow first;
    MessageWindow second;
    ASSERT_TRUE(first.Ok() && second.Ok());
    ASSERT_TRUE(hook_.Set(first.Id(), 1024));
    ASSERT_TRUE(hook_.Set(second.Id(), 1025));
    Tap(second.Dpy(), XK_x);
    EXPECT_EQ(Keys(second.Collect(2, 2s), 1025), (std::vector<Key>{{'X', false}, {'X', true}}));
    // Sent to the first window, X would have been sent before the second one's.
    EXPECT_TRUE(first.Arrived().empty());
}

TEST_F(KeybHookTest, AGoneWindowDoesNotEndTheProcess)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    Window gone = XCreateSimpleWindow(window.Dpy(), DefaultRootWindow(window.Dpy()), 0, 0, 5, 5, 0, 0, 0);
    XDestroyWindow(window.Dpy(), gone);
    XSync(window.Dpy(), False);
    ASSERT_TRUE(hook_.Set(gone, 1024));
    Tap(window.Dpy(), XK_a);
    Tap(window.Dpy(), XK_b);
    // Still alive and able to hook the live window.
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Tap(window.Dpy(), XK_d);
    EXPECT_EQ(Keys(window.Collect(2, 2s)), (std::vector<Key>{{'D', false}, {'D', true}}));
}

TEST_F(KeybHookTest, FailsWithoutADisplayOrWithoutRecord)
{
    const std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":4093", 1);
    EXPECT_FALSE(hook_.Set(1, 1024));
    test::XvfbServer withoutRecord({"-extension", "RECORD"});
    ASSERT_TRUE(withoutRecord.Running());
    setenv("DISPLAY", withoutRecord.DisplayName().c_str(), 1);
    EXPECT_FALSE(hook_.Set(1, 1024));
    setenv("DISPLAY", display.c_str(), 1);
    MessageWindow window;
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
}

// Whether this client could take Ctrl+Alt on the key (it gives it back at once).
bool CanGrabCtrlAlt(Display* client, int keycode)
{
    const Window root = DefaultRootWindow(client);
    const unsigned chord = ControlMask | Mod1Mask;
    X11ErrorTrap trap(client);
    XGrabKey(client, keycode, chord, root, True, GrabModeAsync, GrabModeAsync);
    const bool taken = trap.Succeeded();
    XUngrabKey(client, keycode, chord, root);
    XSync(client, False);
    return taken;
}

// The chord of the hot key is taken from every other client (so it types nothing into the
// focused window) while the hook still reports it; one another client holds is reported.
TEST_F(KeybHookTest, TakesTheHotKeysChordFromOtherClientsOrSaysWhoHoldsIt)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Display* other = window.Dpy();
    const Window root = DefaultRootWindow(other);
    const int k = XKeysymToKeycode(other, XK_k);
    const unsigned chord = ControlMask | Mod1Mask;
    const auto otherCanGrab = [&] { return CanGrabCtrlAlt(other, k); };
    constexpr unsigned CtrlAlt = KEYBHOOK_CTRL | KEYBHOOK_ALT;

    XGrabKey(other, k, chord, root, True, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    EXPECT_EQ(hook_.Grab('K', CtrlAlt), KEYBHOOK_GRAB_BUSY);
    XUngrabKey(other, k, chord, root);
    XSync(other, False);

    ASSERT_EQ(hook_.Grab('K', CtrlAlt), KEYBHOOK_GRAB_TAKEN);
    EXPECT_FALSE(otherCanGrab());
    ASSERT_TRUE(RunCommand("xdotool keydown ctrl keydown alt keydown k keyup k keyup alt keyup ctrl"));
    EXPECT_EQ(Keys(window.Collect(6, 3s)),
              (std::vector<Key>{{17, false}, {18, false}, {'K', false}, {'K', true}, {18, true}, {17, true}}));

    // A plain letter is never taken: every other program would lose it. Giving the chord up
    // (and releasing the hook) leaves it free.
    EXPECT_EQ(hook_.Grab('K', 0), KEYBHOOK_GRAB_NONE);
    EXPECT_TRUE(otherCanGrab());
    ASSERT_EQ(hook_.Grab('K', CtrlAlt), KEYBHOOK_GRAB_TAKEN);
    EXPECT_TRUE(hook_.Release());
    EXPECT_TRUE(otherCanGrab());
}


// A new keyboard map that puts the hot key's letter on another key moves the grab along,
// once the next key event has shown the hook the new map.
TEST_F(KeybHookTest, TheChordFollowsItsKeyToANewKeyboardMap)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Display* other = window.Dpy();
    const KeyCode q = XKeysymToKeycode(other, XK_q);
    const auto otherCanGrab = [&](int keycode) { return CanGrabCtrlAlt(other, keycode); };
    const auto showTheHookTheMap = [&] {
        XTestFakeKeyEvent(other, XKeysymToKeycode(other, XK_a), True, CurrentTime);
        XTestFakeKeyEvent(other, XKeysymToKeycode(other, XK_a), False, CurrentTime);
        XSync(other, False);
        const auto messages = window.CollectThroughRelease('A');
        return !messages.empty() && HookKeyReleased(messages.back().lParam);
    };
    ASSERT_EQ(hook_.Grab('K', KEYBHOOK_CTRL | KEYBHOOK_ALT), KEYBHOOK_GRAB_TAKEN);
    ASSERT_TRUE(otherCanGrab(q));

    int perKeycode = 0;
    KeySym* original = XGetKeyboardMapping(other, q, 1, &perKeycode);
    ASSERT_NE(original, nullptr);
    KeySym k[2] = {XK_k, XK_K};
    XChangeKeyboardMapping(other, q, 2, k, 1);
    XSync(other, False);
    ASSERT_TRUE(showTheHookTheMap());
    EXPECT_FALSE(otherCanGrab(q));

    XChangeKeyboardMapping(other, q, perKeycode, original, 1);
    XFree(original);
    XSync(other, False);
    ASSERT_TRUE(showTheHookTheMap());
    EXPECT_TRUE(otherCanGrab(q));
    EXPECT_FALSE(otherCanGrab(XKeysymToKeycode(other, XK_k)));
}
// A layout without the chord's letter (a single Cyrillic one) keeps the grab where the last
// map had the key, and says the key is missing; back on a Latin layout the chord is taken
// as before. It never reaches the focused window in between.
TEST_F(KeybHookTest, ALayoutWithoutTheKeyKeepsTheGrabUntilAMapHasItAgain)
{
    MessageWindow window;
    ASSERT_TRUE(window.Ok());
    ASSERT_TRUE(hook_.Set(window.Id(), 1024));
    Display* other = window.Dpy();
    const KeyCode p = XKeysymToKeycode(other, XK_p);
    const KeyCode space = XKeysymToKeycode(other, XK_space);
    const auto showTheHookTheMap = [&] {
        XTestFakeKeyEvent(other, space, True, CurrentTime);
        XTestFakeKeyEvent(other, space, False, CurrentTime);
        XSync(other, False);
        const auto messages = window.CollectThroughRelease(32);
        return !messages.empty() && HookKeyReleased(messages.back().lParam);
    };
    struct Restore {
        ~Restore() { RunCommand("setxkbmap us"); }
    } restore;
    ASSERT_EQ(hook_.Grab('P', KEYBHOOK_CTRL | KEYBHOOK_ALT), KEYBHOOK_GRAB_TAKEN);

    ASSERT_TRUE(RunCommand("setxkbmap ru"));
    ASSERT_TRUE(showTheHookTheMap());
    EXPECT_EQ(hook_.GrabState(), KEYBHOOK_GRAB_NO_KEY);
    EXPECT_FALSE(CanGrabCtrlAlt(other, p));

    ASSERT_TRUE(RunCommand("setxkbmap us"));
    ASSERT_TRUE(showTheHookTheMap());
    EXPECT_EQ(hook_.GrabState(), KEYBHOOK_GRAB_TAKEN);
    EXPECT_FALSE(CanGrabCtrlAlt(other, p));

    // Set while no map has the key, the chord is taken once one has.
    ASSERT_TRUE(RunCommand("setxkbmap ru"));
    ASSERT_TRUE(showTheHookTheMap());
    EXPECT_EQ(hook_.Grab('P', KEYBHOOK_CTRL | KEYBHOOK_ALT), KEYBHOOK_GRAB_NO_KEY);
    ASSERT_TRUE(RunCommand("setxkbmap us"));
    ASSERT_TRUE(showTheHookTheMap());
    EXPECT_EQ(hook_.GrabState(), KEYBHOOK_GRAB_TAKEN);
    EXPECT_FALSE(CanGrabCtrlAlt(other, p));
    // Under a list whose second group has the letter its key is P: the chord is taken at once.
    ASSERT_TRUE(RunCommand("setxkbmap ru,us") && showTheHookTheMap());
    EXPECT_EQ(hook_.Grab('P', KEYBHOOK_CTRL | KEYBHOOK_ALT), KEYBHOOK_GRAB_TAKEN);
    XTestFakeKeyEvent(other, p, True, CurrentTime);
    XTestFakeKeyEvent(other, p, False, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(Keys(window.Collect(2, 3s)), (std::vector<Key>{{'P', false}, {'P', true}}));
}
}  // namespace
}  // namespace kyq
