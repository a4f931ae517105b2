#include "core/autofill/HotKeyText.h"

#include <gtest/gtest.h>

#include <climits>

namespace kyq {
namespace {

// What the options dialog shows for a chord and what a desktop's shortcut service is asked
// for: the keys at both ends of each range that has names, and keys next to them that do not.
TEST(HotKeyText, ChordsShowTheirNamesAndTheirKeySymbols)
{
    struct Case {
        HotKey key;  // Alt, Ctrl, Shift, main key
        const char* shown;
        const char* trigger;
    };
    const Case cases[] = {
        {HotKey{}, "Ctrl+Alt+P", "CTRL+ALT+p"},
        {HotKey{true, true, false, 'A'}, "Ctrl+Alt+A", "CTRL+ALT+a"},
        {HotKey{false, true, true, 'Z'}, "Shift+Ctrl+Z", "SHIFT+CTRL+z"},
        {HotKey{true, false, false, '0'}, "Alt+0", "ALT+0"},
        {HotKey{true, false, false, '9'}, "Alt+9", "ALT+9"},
        {HotKey{true, true, false, 32}, "Ctrl+Alt+Space", "CTRL+ALT+space"},
        {HotKey{true, true, true, 37}, "Shift+Ctrl+Alt+Left", "SHIFT+CTRL+ALT+Left"},
        {HotKey{false, true, false, 38}, "Ctrl+Up", "CTRL+Up"},
        {HotKey{true, true, true, 40}, "Shift+Ctrl+Alt+Down", "SHIFT+CTRL+ALT+Down"},
        {HotKey{false, false, false, 112}, "F1", "F1"},
        {HotKey{false, true, true, 116}, "Shift+Ctrl+F5", "SHIFT+CTRL+F5"},
        {HotKey{false, false, false, 123}, "F12", "F12"},
        // No name (Enter, Home, "/", "@", "[", the number pad's 0, F13, a code past a byte):
        // the modifiers alone are shown and nothing wrong is proposed to the desktop.
        {HotKey{true, true, false, 13}, "Ctrl+Alt+", ""},
        {HotKey{true, true, false, 36}, "Ctrl+Alt+", ""},
        {HotKey{true, true, false, 47}, "Ctrl+Alt+", ""},
        {HotKey{true, true, false, 64}, "Ctrl+Alt+", ""},
        {HotKey{false, true, false, 91}, "Ctrl+", ""},
        {HotKey{false, true, false, 96}, "Ctrl+", ""},
        {HotKey{false, false, true, 124}, "Shift+", ""},
        {HotKey{true, true, false, 'A' + 256}, "Ctrl+Alt+", ""},
        {HotKey{true, true, false, INT32_MIN}, "Ctrl+Alt+", ""},
        {HotKey{false, false, false, 0}, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key.Main);
        EXPECT_EQ(HotKeyText(c.key), c.shown);
        EXPECT_EQ(ShortcutTriggerText(c.key), c.trigger);
    }
}

}  // namespace
}  // namespace kyq
