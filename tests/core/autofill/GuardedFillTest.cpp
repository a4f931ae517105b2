#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/autofill/FillDesktop.h"
#include "core/autofill/FillTargetRule.h"
#include "core/autofill/GuardedFill.h"

namespace kyq {
namespace {

constexpr uint64_t Target = 0x2a00007;

// A desktop whose target keeps the focus for a given number of focus checks, sends each
// run in parts of two characters (asking before each further part, as a back end that
// cuts a text into chunks does), and records every key that was sent.
class ScriptedDesktop final : public FillDesktop {
public:
    size_t focusChecksHeld = SIZE_MAX;
    size_t untypeableAt = AllTypeable;
    size_t failsAt = SIZE_MAX;  // the back end cannot send the key at this place of a piece
    bool activates = true;
    bool canType = true;
    std::u16string sent;

    bool CanType() const override { return canType; }

    uint64_t Foreground() override { return Target; }
    bool Activate(uint64_t) override { return activates; }
    bool HasFocus(uint64_t window) override
    {
        if (focusChecksHeld == 0)
            return false;  // once lost, never back
        --focusChecksHeld;
        return window == Target;
    }
    size_t FirstUntypeable(std::u16string_view) override { return untypeableAt; }
    bool TypePiece(std::u16string_view piece, const std::function<bool()>& mayGoOn) override
    {
        for (size_t i = 0; i < piece.size(); i += 2) {
            if ((i > 0 && !mayGoOn()) || failsAt < i + 2)
                return false;
            sent += piece.substr(i, 2);
        }
        return true;
    }
};

TEST(GuardedFillTest, TypingStopsForGoodWhenTheTargetLosesTheFocusOrAKeyFails)
{
    // Text: user name "alice" (3 parts), Tab, password "s3cret" (3 parts), Enter.
    const std::u16string text = u"alice\ts3cret\r\n";
    struct Case {
        const char* name;
        size_t focusChecksHeld;
        FillStop stop;
        std::u16string sent;
        size_t failsAt = SIZE_MAX;
    };
    const Case cases[] = {
        {"kept throughout", SIZE_MAX, FillStop::None, text},
        {"a key that cannot be sent", SIZE_MAX, FillStop::TypingFailed, u"al", 3},
        {"lost before the first key", 0, FillStop::WindowChanged, u""},
        {"lost inside the user name", 2, FillStop::WindowChanged, u"alic"},
        {"lost before the Tab", 3, FillStop::WindowChanged, u"alice"},
        {"lost inside the password", 6, FillStop::WindowChanged, u"alice\ts3cr"},
        {"lost just before the Enter", 7, FillStop::WindowChanged, u"alice\ts3cret"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDesktop desktop;
        desktop.focusChecksHeld = c.focusChecksHeld;
        desktop.failsAt = c.failsAt;
        const FillOutcome outcome = TypeIntoTarget(desktop, Target, false, text);
        EXPECT_EQ(outcome.stop, c.stop);
        EXPECT_EQ(desktop.sent, c.sent);
        EXPECT_EQ(FillStopMessage(outcome, text).empty(), c.stop == FillStop::None);
    }
}

TEST(GuardedFillTest, NothingIsTypedWhenTheFillCannotGoWhollyIntoItsTarget)
{
    struct Case {
        const char* name;
        uint64_t target;
        bool own;
        size_t untypeableAt;
        bool activates;
        FillStop stop;
        bool canType = true;
    };
    const Case cases[] = {
        {"no target recorded", 0, false, FillDesktop::AllTypeable, true, FillStop::NoTarget},
        {"the program's own window", Target, true, FillDesktop::AllTypeable, true,
         FillStop::OwnWindow},
        {"a character without a key", Target, false, 8, true, FillStop::Untypeable},
        {"target cannot be activated", Target, false, FillDesktop::AllTypeable, false,
         FillStop::NotActivated},
        {"the desktop refused typing", Target, false, FillDesktop::AllTypeable, false,
         FillStop::TypingRefused, false},
    };
    const std::u16string text = u"alice\tpw\x0000\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDesktop desktop;
        desktop.untypeableAt = c.untypeableAt;
        desktop.activates = c.activates;
        desktop.canType = c.canType;
        const FillOutcome outcome = TypeIntoTarget(desktop, c.target, c.own, text);
        EXPECT_EQ(outcome.stop, c.stop);
        EXPECT_TRUE(desktop.sent.empty());
        const std::u16string message = FillStopMessage(outcome, text);
        EXPECT_FALSE(message.empty());
        // A character that cannot be typed is named by its code point (and place).
        EXPECT_EQ(message.find(u"U+0000") != std::u16string::npos, c.stop == FillStop::Untypeable);
    }
}

TEST(GuardedFillTest, TheTargetIsTheWindowOfTheFirstPressAndNeverTheProgramsOwnOrAFullscreenOne)
{
    struct Case {
        bool fillPending;
        bool foregroundIsOwn;
        bool fullscreen;
        HotKeyPressStep step;
    };
    const Case cases[] = {
        {false, false, false, HotKeyPressStep::RecordAndShow},
        {false, true, false, HotKeyPressStep::Ignore},
        {true, false, false, HotKeyPressStep::BringForward},
        {true, true, false, HotKeyPressStep::BringForward},
        {false, false, true, HotKeyPressStep::Fullscreen},
        {true, false, true, HotKeyPressStep::BringForward},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fillPending << c.foregroundIsOwn << c.fullscreen);
        EXPECT_EQ(StepForHotKey(c.fillPending, c.foregroundIsOwn, c.fullscreen), c.step);
        if (c.fullscreen)
            continue;
        EXPECT_EQ(MayRecordFillTarget(c.fillPending, c.foregroundIsOwn),
                  c.step == HotKeyPressStep::RecordAndShow);
    }
}

}  // namespace
}  // namespace kyq
