#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/FillDesktop.h"
#include "core/autofill/FillTargetRule.h"
#include "core/autofill/GuardedFill.h"

namespace kyq {
namespace {

constexpr FillWindow Target{0x2a00007};

// A desktop whose target keeps the focus for a given number of focus checks, sends each
// run in parts of two characters (asking right before each part, as a back end that cuts
// a text into chunks does), and records every key that was sent.
class ScriptedDesktop final : public FillDesktop {
public:
    size_t focusChecksHeld = SIZE_MAX;
    size_t untypeableAt = AllTypeable;
    size_t failsAt = SIZE_MAX;  // the back end cannot send the key at this place of a piece
    bool activates = true;
    bool canType = true;
    bool gone = false;  // once the focus is lost, the window has closed
    std::u16string sent;

    bool CanType() const override { return canType; }

    FillWindow Foreground() override { return Target; }
    bool Activate(const FillWindow&) override { return activates; }
    bool StillThere(const FillWindow&) override { return !gone; }
    bool HasFocus(const FillWindow& window) override
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
            if (!mayGoOn() || failsAt < i + 2)
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
        bool gone = false;
        bool cutInside = false;  // part of the piece where it stopped may have gone in
    };
    const Case cases[] = {
        {"kept throughout", SIZE_MAX, FillStop::None, text},
        {"a key that cannot be sent", SIZE_MAX, FillStop::TypingFailed, u"al", 3, false, true},
        {"lost before the first key", 0, FillStop::WindowChanged, u""},
        {"lost inside the user name", 3, FillStop::WindowChanged, u"alic", SIZE_MAX, false, true},
        {"lost before the Tab", 4, FillStop::WindowChanged, u"alice"},
        {"lost inside the password", 9, FillStop::WindowChanged, u"alice\ts3cr", SIZE_MAX, false,
         true},
        {"lost just before the Enter", 10, FillStop::WindowChanged, u"alice\ts3cret"},
        {"closed just before the Enter", 10, FillStop::WindowClosed, u"alice\ts3cret",
         SIZE_MAX, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDesktop desktop;
        desktop.focusChecksHeld = c.focusChecksHeld;
        desktop.failsAt = c.failsAt;
        desktop.gone = c.gone;
        const FillOutcome outcome = TypeIntoTarget(desktop, Target, text);
        EXPECT_EQ(outcome.stop, c.stop);
        EXPECT_EQ(desktop.sent, c.sent);
        EXPECT_EQ(outcome.cutInside, c.cutInside);
        const std::u16string message = FillStopMessage(outcome);
        EXPECT_EQ(message.empty(), c.stop == FillStop::None);
        // The user learns what went in, never what it was.
        EXPECT_EQ(message.find(u"s3"), std::u16string::npos);
        EXPECT_EQ(message.find(u"al"), std::u16string::npos);
    }
}

TEST(GuardedFillTest, NothingIsTypedWhenTheFillCannotGoWhollyIntoItsTarget)
{
    struct Case {
        const char* name;
        FillWindow target;
        size_t untypeableAt;
        bool activates;
        FillStop stop;
        bool canType = true;
    };
    const Case cases[] = {
        {"no target recorded", {}, FillDesktop::AllTypeable, true, FillStop::NoTarget},
        {"the program's own window", {Target.id, true}, FillDesktop::AllTypeable, true,
         FillStop::OwnWindow},
        {"a character without a key", Target, 8, true, FillStop::Untypeable},
        {"target cannot be activated", Target, FillDesktop::AllTypeable, false,
         FillStop::NotActivated},
        {"the desktop refused typing", Target, FillDesktop::AllTypeable, false,
         FillStop::TypingRefused, false},
    };
    const std::u16string text = u"alice\tpw\x0000\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedDesktop desktop;
        desktop.untypeableAt = c.untypeableAt;
        desktop.activates = c.activates;
        desktop.canType = c.canType;
        const FillOutcome outcome = TypeIntoTarget(desktop, c.target, text);
        EXPECT_EQ(outcome.stop, c.stop);
        EXPECT_TRUE(desktop.sent.empty());
        const std::u16string message = FillStopMessage(outcome);
        EXPECT_FALSE(message.empty());
        // A character that cannot be typed is named by its place, never by itself.
        EXPECT_EQ(message.find(u"第9个字符") != std::u16string::npos, c.stop == FillStop::Untypeable);
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
