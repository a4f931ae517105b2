#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/keysym.h>

#include "platform/x11/KeybHookKeyMap.h"

namespace kyq {
namespace {

TEST(KeybHookKeyMap, LettersDigitsAndFunctionKeys)
{
    EXPECT_EQ(VirtualKeyFromKeysym(XK_a), 65u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_z), 90u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_P), 80u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_0), 48u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_9), 57u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_F1), 112u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_F12), 123u);
    // Shifted symbols are not what the hook looks at: they have no code of their own.
    EXPECT_EQ(VirtualKeyFromKeysym(XK_ampersand), 0u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_adiaeresis), 0u);
    EXPECT_EQ(VirtualKeyFromKeysym(NoSymbol), 0u);
}

TEST(KeybHookKeyMap, BothSidesOfAModifierGiveTheGenericCode)
{
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Shift_L), 16u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Shift_R), 16u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Control_L), 17u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Control_R), 17u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Alt_L), 18u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Alt_R), 18u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_ISO_Level3_Shift), 18u);
}

TEST(KeybHookKeyMap, NavigationEditingAndPunctuation)
{
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Left), 37u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Up), 38u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Right), 39u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Down), 40u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_space), 32u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Tab), 9u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_ISO_Left_Tab), 9u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Return), 13u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Escape), 27u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_BackSpace), 8u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Delete), 46u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Insert), 45u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Home), 36u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_End), 35u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Prior), 33u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Next), 34u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_Caps_Lock), 20u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_semicolon), 186u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_equal), 187u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_comma), 188u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_minus), 189u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_period), 190u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_slash), 191u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_grave), 192u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_bracketleft), 219u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_backslash), 220u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_bracketright), 221u);
    EXPECT_EQ(VirtualKeyFromKeysym(XK_apostrophe), 222u);
}

TEST(KeybHookKeyMap, KeypadFollowsNumLock)
{
    EXPECT_EQ(VirtualKeyForKey(XK_KP_End, XK_KP_1, true), 97u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_End, XK_KP_1, false), 35u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Insert, XK_KP_0, true), 96u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Up, XK_KP_8, false), 38u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Begin, XK_KP_5, false), 12u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Delete, XK_KP_Decimal, true), 110u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Delete, XK_KP_Separator, true), 110u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Delete, XK_KP_Decimal, false), 46u);
    // Operators and Enter do not depend on it.
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Add, XK_KP_Add, true), 107u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Divide, XK_KP_Divide, false), 111u);
    EXPECT_EQ(VirtualKeyForKey(XK_KP_Enter, NoSymbol, true), 13u);
    // Ordinary keys ignore Num Lock and their second symbol.
    EXPECT_EQ(VirtualKeyForKey(XK_7, XK_ampersand, true), 55u);
    EXPECT_EQ(VirtualKeyForKey(XK_q, XK_Q, false), 81u);
}

}  // namespace
}  // namespace kyq
