// The program against the real desktop portal in front of a scripted desktop: the hot key
// bound through the global-shortcuts portal opens the fill dialog, and a fill through the
// remote-desktop portal sends exactly the text's key symbols, or nothing without consent.
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

#include "platform/FillDesktop.h"
#include "core/autofill/GuardedFill.h"
#include "gui/GuiFixture.h"
#include "gui/autofill/HotKeyWatcherFilter.h"
#include "platform/portal/PortalDesktop.h"
#include "gui/shell/DesktopPlatform.h"
#include "platform/portal/GlobalShortcutsPortal.h"
#include "portal/PortalSession.h"

namespace kyq::test {
namespace {

constexpr int WaitMs = 30000;  // a bound for a loaded machine, not a budget

// Another program has the focus and keeps it; nothing is typed through this one.
class StillDesktop final : public FillDesktop {
public:
    FillWindow Foreground() override { return FillWindow{0x2a00007}; }
    bool Activate(const FillWindow&) override { return true; }
    bool HasFocus(const FillWindow&) override { return true; }
    size_t FirstUntypeable(std::u16string_view) override { return AllTypeable; }
    bool TypePiece(std::u16string_view, const std::function<bool()>&) override { return false; }
};

class PortalTest : public GuiTest {};

TEST_F(PortalTest, TheDesktopsShortcutOpensTheFillDialogAndFollowsTheChord)
{
    PortalSession desktop;
    ASSERT_TRUE(desktop.Failure().isEmpty()) << desktop.Failure().toStdString();
    auto owned = std::make_unique<DesktopPlatform>(*app_, *main_, *rules_, std::make_unique<StillDesktop>(),
                                                   DesktopPlatform::HotKeySource::FillRequests);
    DesktopPlatform& platform = *owned;
    platform.UseShortcutPortal(std::make_unique<GlobalShortcutsPortal>(desktop.Bus()));
    app_->SetPlatform(std::move(owned));
    platform_ = nullptr;
    main_->Form_Load();
    OpenDocument(MakeFile("p.kyq", u"o", u"pw", {Entry(u"t", u"u", u"p")}), u"pw");

    auto assigned = [&] {
        const auto state = platform.DesktopShortcut();
        return state && state->answered ? state->assigned : std::string("?");
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return assigned() != "?"; }, WaitMs));
    EXPECT_EQ(assigned(), "CTRL+ALT+p (test desktop)");
    EXPECT_EQ(platform.HotKeyFilter().FillDialog(), nullptr);

    desktop.Activate(QStringLiteral("fill"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return platform.HotKeyFilter().FillDialog(); }, WaitMs));
    EXPECT_EQ(app_->Session.FillTarget.id, 0x2a00007u);

    app_->Settings.hotKey = HotKey{false, true, true, 'K'};
    platform.HotKeyChanged();
    ASSERT_TRUE(QTest::qWaitFor([&] { return assigned() == "SHIFT+CTRL+k (test desktop)"; },
                                WaitMs))
        << assigned();
    ASSERT_TRUE(main_->Form_Unload());
}

TEST(PortalFillTest, AFillSendsTheTextsKeySymbolsOrNothingWithoutConsent)
{
    constexpr int Control = 0xffe3;
    struct Case {
        const char* name;
        bool consent;
        std::u16string text;
        FillStop stop;
        std::vector<int> keysyms;  // each pressed and released, in this order
    };
    const Case cases[] = {
        {"user name, Tab, password, Enter", true, u"ab\tZ^\r\n", FillStop::None,
         {'a', 'b', 0xff09, 'Z', '^', 0xff0d}},
        // No compositor here tells its layout: only what every layout has is typed, and a
        // character beyond that stops the fill before its first key.
        {"a character no known layout carries", true, u"ab\tZ密\r\n", FillStop::Untypeable, {}},
        {"a control code goes with Ctrl", true, u"x\x01", FillStop::None,
         {'x', -Control, 'a', Control}},
        {"consent declined", false, u"secret\r\n", FillStop::TypingRefused, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortalSession desktop(c.consent);
        ASSERT_TRUE(desktop.Failure().isEmpty()) << desktop.Failure().toStdString();
        PortalDesktop fill(desktop.Bus(), "", nullptr);
        // No window of the program is open: the target is whichever window has the focus.
        const FillOutcome outcome = TypeIntoTarget(fill, fill.Foreground(), c.text);
        EXPECT_EQ(outcome.stop, c.stop);
        EXPECT_EQ(fill.CanType(), c.consent);

        // Ctrl (negative: only its press) wraps the key after it.
        std::vector<std::pair<int, bool>> expected;
        for (int keysym : c.keysyms) {
            if (keysym < 0) {
                expected.emplace_back(-keysym, true);
                continue;
            }
            if (keysym != Control)
                expected.emplace_back(keysym, true);
            expected.emplace_back(keysym, false);
        }
        EXPECT_EQ(desktop.KeysymsSent(), expected);
    }
}

}  // namespace
}  // namespace kyq::test
