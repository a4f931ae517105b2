#include <gtest/gtest.h>

#include <vector>

#include "core/autofill/HotKeyWatcher.h"

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

// A key event as the hook reports it; Forget stands for the watcher's Install.
constexpr int32_t Forget = -1;
struct Event {
    int32_t key;
    bool down;
    bool repeat = false;
};

// One table: which sequences of key events fire the hot key, and how often.
TEST(HotKeyWatcher, FiresOnceWhenTheChordIsLetGo)
{
    const HotKey ctrlAltK = MakeHotKey(true, true, false, K);
    const HotKey ctrlK = MakeHotKey(true, false, false, K);
    const HotKey f9 = MakeHotKey(false, false, false, 120);
    struct Case {
        const char* name;
        HotKey hotKey;
        std::vector<Event> events;
        int fires;
    };
    const Case cases[] = {
        {"chord held", ctrlAltK, {{Ctrl, true}, {Alt, true}, {K, true}}, 0},
        {"main key let go", ctrlAltK, {{Ctrl, true}, {Alt, true}, {K, true}, {K, false}}, 1},
        {"an extra modifier", ctrlAltK,
         {{Ctrl, true}, {Alt, true}, {Shift, true}, {K, true}, {K, false}}, 0},
        {"no modifier", ctrlAltK, {{K, true}, {K, false}}, 0},
        {"a modifier missing", ctrlAltK, {{Ctrl, true}, {K, true}, {K, false}}, 0},
        {"another main key", ctrlAltK, {{Ctrl, true}, {Alt, true}, {'L', true}, {'L', false}}, 0},
        {"modifier let go first", ctrlK, {{Ctrl, true}, {K, true}, {Ctrl, false}, {K, false}}, 1},
        {"main key let go first", ctrlK, {{Ctrl, true}, {K, true}, {K, false}, {Ctrl, false}}, 1},
        {"modifier pressed again", ctrlK,
         {{Ctrl, true}, {K, true}, {Ctrl, false}, {Ctrl, true}, {K, false}}, 1},
        {"another key between", ctrlK,
         {{Ctrl, true}, {K, true}, {'L', true}, {Ctrl, false}, {K, false}}, 0},
        {"auto-repeat, then again with Ctrl held", ctrlK,
         {{Ctrl, true}, {K, true}, {K, true, true}, {Ctrl, true, true}, {K, true, true},
          {K, false}, {K, true}, {K, false}, {Ctrl, false}}, 2},
        {"both sides of Ctrl share one code", ctrlK,
         {{Ctrl, true}, {Ctrl, true}, {K, true}, {K, false}, {Ctrl, false}, {K, true}, {K, false}},
         1},
        {"no modifiers: every release", f9, {{120, true}, {120, false}, {120, true}, {120, false}}, 2},
        {"no modifiers: none while one is held", f9,
         {{Alt, true}, {120, true}, {120, false}, {Alt, false}, {120, true}, {120, false}}, 1},
        {"modifiers held before the start count as up", ctrlAltK,
         {{Ctrl, true}, {Alt, true}, {Forget, true}, {K, true}, {K, false},
          {Ctrl, true}, {Alt, true}, {K, true}, {K, false}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HotKeyWatcher watcher;
        watcher.Install();
        int fired = 0;
        for (const Event& e : c.events) {
            if (e.key == Forget)
                watcher.Install();
            else if (watcher.OnKey(HookKeyEvent{e.key, !e.down, e.repeat}, c.hotKey))
                ++fired;
        }
        EXPECT_EQ(fired, c.fires);
    }
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
