// The typing keymap read back the way a client reads it: every key symbol sits on the key
// the typing presses for it, and no keymap outgrows what X11 clients can read.
#include <gtest/gtest.h>

#include <xkbcommon/xkbcommon.h>

#include <vector>

#include "platform/wayland/VirtualKeymap.h"

namespace kyq {
namespace {

TEST(VirtualKeymap, EverySymbolIsOnTheKeyTypedForItAndTheCountIsBounded)
{
    std::vector<unsigned long> full;
    for (unsigned long i = 0; i < kMaxVirtualKeys; ++i)
        full.push_back(0x01004e00 + i);  // 247 different Chinese characters
    std::vector<unsigned long> tooMany = full;
    tooMany.push_back(0x01009fa5);
    struct Case {
        const char* name;
        std::vector<unsigned long> keysyms;
        bool built;
    };
    const Case cases[] = {
        {"ASCII, Latin-1 and control keys", {'a', 'Z', '^', 0xfc, 0xff09, 0xff0d, 0xff08}, true},
        {"Unicode symbols", {0x01004e2d, 0x010020ac, 0x0100fffd}, true},
        {"as many as keycodes 9-255 hold", full, true},
        {"one more", tooMany, false},
    };
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    ASSERT_NE(context, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<VirtualKeymap> keymap = BuildVirtualKeymap(c.keysyms);
        ASSERT_EQ(keymap.has_value(), c.built);
        if (!keymap)
            continue;
        EXPECT_NE(keymap->controlMask, 0u);
        EXPECT_NE(keymap->altMask, 0u);
        EXPECT_NE(keymap->controlMask, keymap->altMask);
        xkb_keymap* read = xkb_keymap_new_from_string(context, keymap->text.c_str(),
                                                      XKB_KEYMAP_FORMAT_TEXT_V1,
                                                      XKB_KEYMAP_COMPILE_NO_FLAGS);
        ASSERT_NE(read, nullptr);
        EXPECT_LE(xkb_keymap_max_keycode(read), 255u);
        for (size_t i = 0; i < c.keysyms.size(); ++i) {
            // The protocol takes evdev codes; a client adds 8.
            const xkb_keycode_t keycode = VirtualKeymap::KeyOf(i) + 8;
            const xkb_keysym_t* syms = nullptr;
            ASSERT_EQ(xkb_keymap_key_get_syms_by_level(read, keycode, 0, 0, &syms), 1) << i;
            EXPECT_EQ(syms[0], c.keysyms[i]) << i;
        }
        xkb_keymap_unref(read);
    }
    xkb_context_unref(context);
}

}  // namespace
}  // namespace kyq
