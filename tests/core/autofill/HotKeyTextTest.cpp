#include "core/autofill/HotKeyText.h"

#include <gtest/gtest.h>

#include <map>

namespace kyq {
namespace {

TEST(HotKeyText, EveryCodeHasItsNameOrNone)
{
    std::map<int32_t, std::string> named = {
        {32, "Space"}, {37, "Left"}, {38, "Up"}, {39, "Right"}, {40, "Down"},
    };
    for (int d = 0; d <= 9; ++d)
        named[48 + d] = std::to_string(d);
    for (char c = 'A'; c <= 'Z'; ++c)
        named[c] = std::string(1, c);
    for (int f = 1; f <= 12; ++f)
        named[111 + f] = "F" + std::to_string(f);

    for (int32_t code = -2; code <= 300; ++code) {
        const auto it = named.find(code);
        EXPECT_EQ(HotKeyKeyName(code), it == named.end() ? "" : it->second) << code;
    }
    EXPECT_EQ(HotKeyKeyName(65 + 256), "");
    EXPECT_EQ(HotKeyKeyName(INT32_MIN), "");
}

TEST(HotKeyText, ModifiersComeInTheOrderShiftCtrlAlt)
{
    EXPECT_EQ(HotKeyText(HotKey{}), "Ctrl+Alt+P");
    EXPECT_EQ(HotKeyText(HotKey{true, true, false, 'K'}), "Ctrl+Alt+K");
    EXPECT_EQ(HotKeyText(HotKey{false, true, true, 116}), "Shift+Ctrl+F5");
    EXPECT_EQ(HotKeyText(HotKey{true, false, false, '7'}), "Alt+7");
    EXPECT_EQ(HotKeyText(HotKey{true, true, false, 32}), "Ctrl+Alt+Space");
    EXPECT_EQ(HotKeyText(HotKey{true, true, true, 40}), "Shift+Ctrl+Alt+Down");
    EXPECT_EQ(HotKeyText(HotKey{false, false, false, 123}), "F12");
    // A stored key without a name shows the modifiers alone.
    EXPECT_EQ(HotKeyText(HotKey{true, true, false, 13}), "Ctrl+Alt+");
    EXPECT_EQ(HotKeyText(HotKey{false, false, false, 0}), "");
}

TEST(HotKeyText, ShortcutTriggerUsesKeySymbolNames)
{
    struct Case {
        HotKey key;
        const char* trigger;
    };
    const Case cases[] = {
        {HotKey{}, "CTRL+ALT+p"},
        {HotKey{false, true, true, 'Z'}, "SHIFT+CTRL+z"},
        {HotKey{true, false, false, '7'}, "ALT+7"},
        {HotKey{true, true, false, 32}, "CTRL+ALT+space"},
        {HotKey{false, false, false, 123}, "F12"},
        {HotKey{true, true, true, 37}, "SHIFT+CTRL+ALT+Left"},
        // No symbol for the key: nothing is proposed rather than the modifiers alone.
        {HotKey{true, true, false, 13}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(HotKeyText(c.key));
        EXPECT_EQ(ShortcutTriggerText(c.key), c.trigger);
    }
}

}  // namespace
}  // namespace kyq
