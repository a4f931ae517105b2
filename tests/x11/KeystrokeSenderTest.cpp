// Typing into a real Qt window on a private X server: every character must arrive as
// itself, whatever the keymap lacks, with Caps Lock on or a modifier still held.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <vector>

#include "platform/Utf.h"
#include "platform/x11/ForegroundWindow.h"
#include "platform/x11/KeystrokeSender.h"
#include "x11/TargetProcess.h"
#include "x11/XvfbServer.h"

namespace kyq {
namespace {

using test::RunCommand;
using test::TargetProcess;

[[maybe_unused]] auto* const g_xvfb =
    ::testing::AddGlobalTestEnvironment(new test::XvfbEnvironment);

std::vector<KeySym> WholeKeymap(Display* dpy)
{
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(dpy, &minKeycode, &maxKeycode);
    int perKeycode = 0;
    KeySym* map = XGetKeyboardMapping(dpy, static_cast<KeyCode>(minKeycode),
                                      maxKeycode - minKeycode + 1, &perKeycode);
    std::vector<KeySym> all(map, map + (maxKeycode - minKeycode + 1) * perKeycode);
    XFree(map);
    return all;
}

bool CapsLockOn(Display* dpy)
{
    XkbStateRec state{};
    XkbGetState(dpy, XkbUseCoreKbd, &state);
    return (state.locked_mods & LockMask) != 0;
}

bool KeyDown(Display* dpy, KeySym keysym)
{
    char keys[32] = {};
    XQueryKeymap(dpy, keys);
    const KeyCode keycode = XKeysymToKeycode(dpy, keysym);
    return (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

class KeystrokeSenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display_.IsOpen());
        output_ = std::filesystem::temp_directory_path() /
                  ("kyq-x11-typing-" + std::to_string(getpid()) + ".txt");
        target_ = std::make_unique<TargetProcess>(KYQ_X11_TARGET, output_);
        ASSERT_TRUE(target_->Ready()) << "the target window did not come up";
        ASSERT_TRUE(ForegroundWindow(display_).Activate(target_->Window()));
    }

    // Types `text` and returns what the target's two fields held on Enter.
    std::string TypeAndSubmit(const std::u16string& text, size_t expectSkipped = 0)
    {
        EXPECT_EQ(sender_.Type(text), expectSkipped);
        return target_->TakeOutput();
    }

    X11Display display_;
    KeystrokeSender sender_{display_};
    std::filesystem::path output_;
    std::unique_ptr<TargetProcess> target_;
};

TEST_F(KeystrokeSenderTest, EveryCharacterArrivesAsItself)
{
    const std::u16string user = u"张三_ü€{}+%~()[]^Zz09";
    const std::u16string password = u"密码p^w{}+%~()[]^Üé¥§ \"'<>|\\/?!@#$&*=`;:,.-";
    const std::string got = TypeAndSubmit(user + u"\t" + password + u"\r\n");
    EXPECT_EQ(got, Utf16ToUtf8(user) + "\n" + Utf16ToUtf8(password) + "\n");
}

TEST_F(KeystrokeSenderTest, LeavesTheKeyboardMapAsItWas)
{
    const std::vector<KeySym> before = WholeKeymap(display_.get());
    ASSERT_EQ(TypeAndSubmit(u"中文字符\t€ü\r"), "中文字符\n€ü\n");
    EXPECT_EQ(WholeKeymap(display_.get()), before);
}

TEST_F(KeystrokeSenderTest, MoreMissingCharactersThanSpareKeycodes)
{
    // 64 distinct characters without a key, then the first of them again.
    std::u16string user;
    for (char16_t c = u'一'; c < u'一' + 64; ++c)
        user.push_back(c);
    user += u"一x";
    const std::string got = TypeAndSubmit(user + u"\tpw\n");
    EXPECT_EQ(got, Utf16ToUtf8(user) + "\npw\n");
}

TEST_F(KeystrokeSenderTest, TargetThatDoesNotAnswerPingsGetsFixedWaits)
{
    // Take the ping out of the window's protocols: the sender cannot ask it when it is
    // done and has to give it time instead.
    Display* dpy = display_.get();
    Atom* protocols = nullptr;
    int count = 0;
    ASSERT_TRUE(XGetWMProtocols(dpy, target_->Window(), &protocols, &count));
    std::vector<Atom> kept;
    for (int i = 0; i < count; ++i) {
        if (protocols[i] != XInternAtom(dpy, "_NET_WM_PING", False))
            kept.push_back(protocols[i]);
    }
    XFree(protocols);
    ASSERT_LT(kept.size(), static_cast<size_t>(count));
    XSetWMProtocols(dpy, target_->Window(), kept.data(), static_cast<int>(kept.size()));
    XSync(dpy, False);

    EXPECT_EQ(TypeAndSubmit(u"中文ü€\t密码\r"), "中文ü€\n密码\n");
}

TEST_F(KeystrokeSenderTest, CapsLockIsOffWhileTypingAndRestoredAfterwards)
{
    ASSERT_TRUE(RunCommand("xdotool key Caps_Lock"));
    ASSERT_TRUE(CapsLockOn(display_.get()));
    const std::string got = TypeAndSubmit(u"AbC中äÄxYz\tPw!Q\r");
    EXPECT_TRUE(CapsLockOn(display_.get()));
    ASSERT_TRUE(RunCommand("xdotool key Caps_Lock"));
    EXPECT_EQ(got, "AbC中äÄxYz\nPw!Q\n");
    EXPECT_FALSE(CapsLockOn(display_.get()));
}

// Shift, Ctrl and Alt still held from the hot key would turn the characters into
// shortcuts: after the user's moment to let go they are released for him. Without any
// held, nothing is waited for (a sender that would wait an hour types at once).
TEST_F(KeystrokeSenderTest, ModifiersStillHeldAreReleasedBeforeTypingAndNoneIsWaitedFor)
{
    ASSERT_TRUE(RunCommand("xdotool keydown ctrl keydown alt"));
    ASSERT_TRUE(KeyDown(display_.get(), XK_Control_L));
    EXPECT_EQ(TypeAndSubmit(u"user中\tpass\r"), "user中\npass\n");
    EXPECT_FALSE(KeyDown(display_.get(), XK_Control_L));
    EXPECT_FALSE(KeyDown(display_.get(), XK_Alt_L));

    KeystrokeTiming patient;
    patient.modifierWait = std::chrono::hours(1);
    KeystrokeSender sender(display_, patient);
    EXPECT_EQ(sender.Type(u"a\tb\r"), 0u);
    EXPECT_EQ(target_->TakeOutput(), "a\nb\n");
}

TEST_F(KeystrokeSenderTest, ControlCodesTypeTheirKeysAndCodeZeroIsSkipped)
{
    // Code 8 is the BackSpace key (it takes the "a" back), code 0 has no key.
    const std::u16string text =
        std::u16string(u"a") + char16_t(8) + u"b\tc" + char16_t(0) + u"d\r";
    EXPECT_EQ(TypeAndSubmit(text, 1), "b\ncd\n");
}

TEST_F(KeystrokeSenderTest, LoneCarriageReturnAndLineFeedAreEachOneReturn)
{
    EXPECT_EQ(TypeAndSubmit(u"x\ty\r"), "x\ny\n");
    EXPECT_EQ(TypeAndSubmit(u"x\ty\n"), "x\ny\n");
    // "\r\n" is a single Return: the second round starts with empty fields.
    EXPECT_EQ(TypeAndSubmit(u"p\tq\r\n"), "p\nq\n");
    EXPECT_EQ(TypeAndSubmit(u"\tr\r"), "\nr\n");
}

// KYQ_TYPING_BENCH=1: type 200 mixed characters 20 times and print the time of each run.
class KeystrokeSenderBenchmark : public KeystrokeSenderTest {
protected:
    void SetUp() override
    {
        if (std::getenv("KYQ_TYPING_BENCH") == nullptr)
            GTEST_SKIP() << "set KYQ_TYPING_BENCH=1 to run";
        KeystrokeSenderTest::SetUp();
    }
};

TEST_F(KeystrokeSenderBenchmark, TwoHundredMixedCharacters)
{
    const std::u16string pieces[] = {u"ab", u"中", u"Q", u"9", u"{", u"文", u"~", u"ü",
                                     u"密", u"%", u"码", u"€", u"x", u"用", u"户", u"^"};
    std::u16string user;
    std::u16string password;
    for (int i = 0; user.size() < 99; ++i)
        user += pieces[(i * 7 + 3) % 16];
    for (int i = 0; password.size() < 99; ++i)
        password += pieces[(i * 5 + 1) % 16] + std::u16string(1, char16_t(u'一' + (i % 40)));
    user.resize(99);
    password.resize(99);
    const std::string expected = Utf16ToUtf8(user) + "\n" + Utf16ToUtf8(password) + "\n";
    for (int run = 0; run < 20; ++run) {
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(sender_.Type(user + u"\t" + password + u"\r"), 0u);
        const auto typed = std::chrono::steady_clock::now();
        ASSERT_EQ(target_->TakeOutput(), expected) << "run " << run;
        const auto arrived = std::chrono::steady_clock::now();
        std::printf("run %2d: Type() %5.0f ms, until written %5.0f ms\n", run,
                    std::chrono::duration<double, std::milli>(typed - start).count(),
                    std::chrono::duration<double, std::milli>(arrived - start).count());
    }
}

}  // namespace
}  // namespace kyq
