#include <gtest/gtest.h>

#include <vector>

#include "core/autofill/HotKeyWatcher.h"
#include "platform/HookMessage.h"

namespace kyq {
namespace {

constexpr int32_t K = 'K';
constexpr int32_t Shift = 16;
constexpr int32_t Ctrl = 17;
constexpr int32_t Alt = 18;

HotKey MakeHotKey(bool ctrl, bool alt, bool shift, int32_t main)
{
    HotKey h;
    h.Ctrl = ctrl;
    h.Alt = alt;
    h.Shift = shift;
    h.Main = main;
    return h;
}

struct Event {
    int32_t key;
    bool down;
};

// Feeds key events as the hook reports them; returns how many times the hot key fired.
int Fire(HotKeyWatcher& watcher, const HotKey& hotKey, const std::vector<Event>& events)
{
    int fired = 0;
    for (const Event& e : events) {
        const uint32_t lParam = e.down ? 1u : (1u | HookFlagReleased | HookFlagWasDown);
        if (watcher.OnMessage(KeyboardHookMessage, static_cast<uintptr_t>(e.key),
                              static_cast<intptr_t>(lParam), hotKey))
            ++fired;
    }
    return fired;
}

int FireFresh(const HotKey& hotKey, const std::vector<Event>& events)
{
    HotKeyWatcher watcher;
    watcher.Install();
    return Fire(watcher, hotKey, events);
}

TEST(HotKeyWatcher, FiresOnReleaseOfTheMainKeyWithExactlyItsModifiers)
{
    const HotKey ctrlAltK = MakeHotKey(true, true, false, K);
    EXPECT_EQ(FireFresh(ctrlAltK, {{Ctrl, true}, {Alt, true}, {K, true}}), 0);
    EXPECT_EQ(FireFresh(ctrlAltK, {{Ctrl, true}, {Alt, true}, {K, true}, {K, false}}), 1);
    // Shift is down but not part of the hot key.
    EXPECT_EQ(FireFresh(ctrlAltK,
                        {{Ctrl, true}, {Alt, true}, {Shift, true}, {K, true}, {K, false}}),
              0);
    EXPECT_EQ(FireFresh(ctrlAltK, {{K, true}, {K, false}}), 0);
    EXPECT_EQ(FireFresh(ctrlAltK, {{Ctrl, true}, {K, true}, {K, false}}), 0);
    // Another main key with the right modifiers.
    EXPECT_EQ(FireFresh(ctrlAltK, {{Ctrl, true}, {Alt, true}, {'L', true}, {'L', false}}), 0);
}

TEST(HotKeyWatcher, FiresOnceWhicheverKeyOfTheChordIsLetGoFirstUnlessAnotherKeyCameBetween)
{
    const HotKey ctrlK = MakeHotKey(true, false, false, K);
    EXPECT_EQ(FireFresh(ctrlK, {{Ctrl, true}, {K, true}, {Ctrl, false}, {K, false}}), 1);
    EXPECT_EQ(FireFresh(ctrlK, {{Ctrl, true}, {K, true}, {K, false}, {Ctrl, false}}), 1);
    EXPECT_EQ(FireFresh(ctrlK, {{Ctrl, true}, {K, true}, {Ctrl, false}, {Ctrl, true}, {K, false}}), 1);
    EXPECT_EQ(FireFresh(ctrlK, {{Ctrl, true}, {K, true}, {'L', true}, {Ctrl, false}, {K, false}}), 0);
}

TEST(HotKeyWatcher, AutoRepeatFiresOnceOnTheFinalRelease)
{
    const HotKey ctrlK = MakeHotKey(true, false, false, K);
    HotKeyWatcher watcher;
    watcher.Install();
    EXPECT_EQ(Fire(watcher, ctrlK, {{Ctrl, true}, {K, true}}), 0);
    // Repeats come as presses with the "was down" flag; none of them fires.
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(watcher.OnMessage(KeyboardHookMessage, K, 1 | HookFlagWasDown, ctrlK));
        EXPECT_FALSE(watcher.OnMessage(KeyboardHookMessage, Ctrl, 1 | HookFlagWasDown, ctrlK));
    }
    EXPECT_EQ(Fire(watcher, ctrlK, {{K, false}}), 1);
    // Pressed again with Ctrl still held: once more.
    EXPECT_EQ(Fire(watcher, ctrlK, {{K, true}, {K, false}, {Ctrl, false}}), 1);
}

TEST(HotKeyWatcher, HotKeyWithoutModifiersFiresOnEveryReleaseWhileNoneIsHeld)
{
    const HotKey f9 = MakeHotKey(false, false, false, 120);
    HotKeyWatcher watcher;
    watcher.Install();
    EXPECT_EQ(Fire(watcher, f9, {{120, true}, {120, false}, {120, true}, {120, false}}), 2);
    EXPECT_EQ(Fire(watcher, f9, {{Alt, true}, {120, true}, {120, false}}), 0);
    EXPECT_EQ(Fire(watcher, f9, {{Alt, false}, {120, true}, {120, false}}), 1);
}

TEST(HotKeyWatcher, ModifiersFollowTheReportedEventsOnly)
{
    const HotKey ctrlAltP = MakeHotKey(true, true, false, 'P');
    HotKeyWatcher watcher;
    watcher.Install();
    EXPECT_EQ(Fire(watcher, ctrlAltP, {{Ctrl, true}, {Alt, true}}), 0);
    EXPECT_TRUE(watcher.CtrlDown());
    // Install forgets them: held since before, they count as up until pressed again.
    watcher.Install();
    EXPECT_FALSE(watcher.CtrlDown());
    EXPECT_FALSE(watcher.AltDown());
    EXPECT_EQ(Fire(watcher, ctrlAltP, {{'P', true}, {'P', false}}), 0);
    EXPECT_EQ(Fire(watcher, ctrlAltP, {{Ctrl, true}, {Alt, true}, {'P', true}, {'P', false}}), 1);
}

TEST(HotKeyWatcher, BothSidesOfAModifierShareOneGenericCode)
{
    // Left and right Ctrl both arrive as 17, so the flag follows the latest of them: the
    // second press is another "down", and a release of either side counts as Ctrl up.
    const HotKey ctrlK = MakeHotKey(true, false, false, K);
    HotKeyWatcher watcher;
    watcher.Install();
    EXPECT_EQ(Fire(watcher, ctrlK, {{Ctrl, true}, {Ctrl, true}, {K, true}, {K, false}}), 1);
    EXPECT_EQ(Fire(watcher, ctrlK, {{Ctrl, false}, {K, true}, {K, false}}), 0);
    EXPECT_FALSE(watcher.CtrlDown());
    EXPECT_EQ(Fire(watcher, ctrlK, {{Shift, true}, {Shift, true}, {Shift, false}}), 0);
    EXPECT_FALSE(watcher.ShiftDown());
}

TEST(HotKeyWatcher, OnlyTheHookMessageCounts)
{
    const HotKey ctrlK = MakeHotKey(true, false, false, K);
    HotKeyWatcher watcher;
    watcher.Install();
    EXPECT_FALSE(watcher.OnMessage(1025, Ctrl, 1, ctrlK));
    EXPECT_FALSE(watcher.CtrlDown());
    EXPECT_FALSE(watcher.OnMessage(KeyboardHookMessage, Ctrl, 1, ctrlK));
    EXPECT_FALSE(watcher.OnMessage(1066, K, static_cast<intptr_t>(HookFlagReleased), ctrlK));
    EXPECT_TRUE(watcher.OnMessage(KeyboardHookMessage, K, static_cast<intptr_t>(HookFlagReleased), ctrlK));
}

TEST(HotKeyWatcher, ReleaseBitIsReadFromASignExtendedParameter)
{
    const HotKey plainK = MakeHotKey(false, false, false, K);
    HotKeyWatcher watcher;
    watcher.Install();
    // An Xlib receiver hands a release's lParam on as a negative long.
    const intptr_t signExtended = static_cast<int32_t>(HookFlagReleased | HookFlagWasDown | 1u);
    ASSERT_LT(signExtended, 0);
    EXPECT_TRUE(watcher.OnMessage(KeyboardHookMessage, K, signExtended, plainK));
    EXPECT_FALSE(watcher.OnMessage(KeyboardHookMessage, K, 1, plainK));
}

TEST(ShowStepDecision, NeedsAnOpenDocumentAndNoOptionsDialogInFront)
{
    const FillWindow other{0x400001};
    const FillWindow own{0x500002, true};
    EXPECT_EQ(ShowStepDecision(false, false, other), FillDialogDecision::NoDocument);
    EXPECT_EQ(ShowStepDecision(false, true, own), FillDialogDecision::NoDocument);
    EXPECT_EQ(ShowStepDecision(true, false, other), FillDialogDecision::Show);
    EXPECT_EQ(ShowStepDecision(true, true, own), FillDialogDecision::OptionsInFront);
    // Options open, but another window was in front.
    EXPECT_EQ(ShowStepDecision(true, true, other), FillDialogDecision::Show);
}

}  // namespace
}  // namespace kyq
