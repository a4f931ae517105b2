#include <gtest/gtest.h>

#include "platform/x11/KeybHookGrabRule.h"

namespace kyq {
namespace {

TEST(KeybHookGrabRuleTest, AMapWithoutTheKeyNeverReleasesTheGrab)
{
    const std::vector<KeyGrab> onP{{33, 0xc}, {33, 0xe}};
    const std::vector<KeyGrab> elsewhere{{45, 0xc}, {45, 0xe}};
    struct Case {
        const char* name;
        std::vector<KeyGrab> held;
        std::vector<KeyGrab> wanted;
        GrabChange change;
    };
    const Case cases[] = {
        {"same keys", onP, onP, GrabChange::Keep},
        {"the key moved", onP, elsewhere, GrabChange::Move},
        {"no key for the letter", onP, {}, GrabChange::KeepMissing},
        {"set while missing, now there", {}, onP, GrabChange::Move},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GrabAfterMapChange(c.held, c.wanted), c.change);
    }
}

}  // namespace
}  // namespace kyq
