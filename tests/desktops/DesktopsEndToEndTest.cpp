// The program on the real KDE Plasma and GNOME desktops (RealDesktop.h) with fresh settings:
// a start's "KYQ --fill" or, on KDE, the chord bound through the GlobalShortcuts portal opens
// the fill dialog while the target (kyq_x11_target, which logs its focus) has the keyboard,
// and its Enter types the record there through the RemoteDesktop portal: an ASCII record
// exactly, a record the keyboard layout cannot type whole or not at all and the user told,
// GNOME's consent answered (it types) or declined (nothing, and the user told).
// mutter alone lists no windows to anyone: the program's own side of its Wayland connection
// (WAYLAND_DEBUG on its standard error) says which of its windows has the keyboard, and its
// log what the user was told.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/document/AnyFormat.h"
#include "core/document/SealedFormat.h"
#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "desktops/RealDesktop.h"
#include "platform/Utf.h"
#include "support/DocumentTestSupport.h"
#include "wayland/WaylandSession.h"

namespace kyq {
namespace {

using namespace std::chrono_literals;
using test::RealDesktop;
using test::RecordChangedToday;
using test::WaitUntil;
using Kind = RealDesktop::Kind;

constexpr char DocumentPassword[] = "Doc-pass1";
// What the target writes for a record filled with the default method (^n^t^p^r).
constexpr char AsciiFill[] = "alice\nPw-1;x\n";
constexpr char16_t UnusualPassword[] = u"Ab1;é密x";
// The program's own-window refusal, which a start's fill must never meet.
constexpr char OwnWindowRefusal[] = "本程序自己的窗口不能作为填写目标";

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The title of the program's window that has the keyboard, from the protocol log of its
// Wayland connection ("" when none has): surfaces become toplevels, toplevels get titles,
// the keyboard enters and leaves surfaces.
std::string FocusedTitle(const std::string& protocolLog)
{
    static const std::regex xdgSurface(R"re(get_xdg_surface\(new id xdg_surface@(\d+), wl_surface@(\d+)\))re");
    static const std::regex toplevel(R"re(xdg_surface@(\d+)\.get_toplevel\(new id xdg_toplevel@(\d+)\))re");
    static const std::regex title(R"re(-> xdg_toplevel@(\d+)\.set_title\("(.*)"\))re");
    static const std::regex enter(R"re(wl_keyboard@\d+\.enter\(\d+, wl_surface@(\d+),)re");
    static const std::regex leave(R"re(wl_keyboard@\d+\.leave\(\d+, wl_surface@)re");
    std::map<std::string, std::string> surfaceOfXdg, surfaceOfToplevel, titleOfSurface;
    std::string focused;
    std::istringstream lines(protocolLog);
    std::smatch m;
    for (std::string line; std::getline(lines, line);) {
        if (std::regex_search(line, m, xdgSurface))
            surfaceOfXdg[m[1]] = m[2];
        else if (std::regex_search(line, m, toplevel))
            surfaceOfToplevel[m[2]] = surfaceOfXdg[m[1]];
        else if (std::regex_search(line, m, title))
            titleOfSurface[surfaceOfToplevel[m[1]]] = m[2];
        else if (std::regex_search(line, m, enter))
            focused = m[1];
        else if (std::regex_search(line, m, leave))
            focused.clear();
    }
    return focused.empty() ? "" : titleOfSurface[focused];
}

// A target window: what it receives goes to `output` on Enter, its focus and edits to
// `events`.
struct Target {
    std::filesystem::path output;
    std::filesystem::path events;
    std::string Events() const { return ReadFile(events); }
    size_t FocusOuts() const { return Count(Events(), "focus out"); }
};

class DesktopsEndToEnd : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        if (const std::string missing = RealDesktop::Missing(GetParam()); !missing.empty())
            GTEST_SKIP() << "this desktop cannot run here: " << missing;
        desktop_ = std::make_unique<RealDesktop>(GetParam());
        ASSERT_TRUE(desktop_->Ready()) << desktop_->Problem();
        const std::string keys = GetParam() == Kind::Kde ? KYQ_KDE_KEYS : KYQ_GNOME_KEYS;
        if (keys.empty())
            GTEST_SKIP() << "no test keyboard for this desktop (plasma-wayland-protocols missing "
                            "at build time)";
        const std::filesystem::path fifo = desktop_->Home() / "keys.fifo";
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        acks_ = desktop_->Home() / "keys.ack";
        desktop_->Start({keys, fifo.string(), acks_.string()}, desktop_->Home() / "keys.log");
        keys_ = std::make_unique<std::ofstream>(fifo);  // waits for the reader

        PasswordDocument doc;
        doc.OwnerName() = u"测试者";
        doc.DocumentPassword() = Utf8ToUtf16(DocumentPassword);
        doc.AppendEntry(RecordChangedToday(u"ascii", u"alice", u"Pw-1;x"));
        doc.AppendEntry(RecordChangedToday(u"unusual", u"bob", UnusualPassword));
        document_ = desktop_->Home() / "login.kyq";
        // Sealed, so that a key the desktop loses on the way into the prompt is a wrong
        // password said as such, not a format-200 document read into other texts.
        doc.FormatVersion = SealedFormatNumber;
        ASSERT_TRUE(SaveDocument(doc, document_.string(), KeyCost{1, 8192}));
    }

    void TearDown() override
    {
        if (desktop_ && HasFailure()) {
            std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            std::replace(name.begin(), name.end(), '/', '-');
            const std::filesystem::path shot =
                std::filesystem::temp_directory_path() / ("kyq-desktops-" + name + ".png");
            if (desktop_->Screenshot(shot))
                std::printf("the screen at the failure: %s\n", shot.c_str());
        }
        keys_.reset();
        desktop_.reset();
    }

    // Keys on the test's keyboard ("type TEXT" or "press KEY...", kyq_kde_keys), once the
    // compositor has them.
    bool Keys(const std::string& command)
    {
        *keys_ << command << '\n' << std::flush;
        ++sent_;
        return WaitUntil([&] { return Count(ReadFile(acks_), "\n") >= sent_; }, 10s) &&
               ReadFile(acks_).find("failed") == std::string::npos;
    }

    std::vector<std::string> ProgramEnvironment() const
    {
        return {"KYQ_REGISTRY_DIR=" + (desktop_->Home() / "registry").string(),
                "WAYLAND_DEBUG=client"};
    }
    std::filesystem::path Log() const { return desktop_->Home() / "kyq.log"; }
    // The program's log without the protocol's lines.
    std::string ProgramLog() const
    {
        std::istringstream lines(ReadFile(Log()));
        std::string log = "\n--- the program's log ---\n";
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("[", 0) != 0)
                log += line + "\n";
        }
        return log + "--- its window with the keyboard: " + Focused() + "\n";
    }
    std::string Focused() const { return FocusedTitle(ReadFile(Log())); }

    // A new target window, which the desktop gives the keyboard.
    Target StartTarget()
    {
        const std::string n = std::to_string(++targets_);
        Target target{desktop_->Home() / ("target-" + n + ".txt"),
                      desktop_->Home() / ("target-" + n + ".events")};
        desktop_->Start({KYQ_TARGET, target.output.string(), target.events.string()},
                        desktop_->Home() / "targets.log");
        EXPECT_TRUE(WaitUntil([&] { return target.Events().find("focus in") != std::string::npos; },
                              30s))
            << "the target window did not get the keyboard";
        return target;
    }

    // The program with its document open: its password prompt has the keyboard, the
    // password and Enter open the document.
    void StartProgram()
    {
        desktop_->Start({KYQ_PROGRAM, document_.string()}, Log(), ProgramEnvironment());
        ASSERT_TRUE(WaitUntil([&] { return Focused().find("的密码") != std::string::npos; }, 60s))
            << "no password prompt with the keyboard" << ProgramLog();
        const auto prompt = [&] { return Focused().find("的密码") != std::string::npos; };
        const auto opened = [&] { return Focused().find("login.kyq") != std::string::npos && !prompt(); };
        for (int attempt = 0; attempt < 3; ++attempt) {
            const size_t toldBefore = Count(ReadFile(Log()), "message box");
            ASSERT_TRUE(Keys(std::string("type ") + DocumentPassword + "\r"));
            ASSERT_TRUE(WaitUntil(
                [&] { return opened() || Count(ReadFile(Log()), "message box") > toldBefore; }, 60s))
                << "the document did not open" << ProgramLog();
            if (opened())
                return;
            // The desktop lost a key: the box says the password is wrong; again.
            ASSERT_TRUE(WaitUntil([&] { return !prompt() && !Focused().empty(); }, 30s));
            ASSERT_TRUE(Keys("type \r"));
            ASSERT_TRUE(WaitUntil(prompt, 30s)) << ProgramLog();
        }
        FAIL() << "the password did not arrive whole in three tries" << ProgramLog();
    }

    // What a desktop's hot-key binding runs.
    void StartFill()
    {
        desktop_->Start({KYQ_PROGRAM, "--fill"}, desktop_->Home() / "fill-starts.log",
                        ProgramEnvironment());
    }

    std::unique_ptr<RealDesktop> desktop_;
    std::unique_ptr<std::ofstream> keys_;
    std::filesystem::path acks_;
    std::filesystem::path document_;
    size_t sent_ = 0;
    int targets_ = 0;
};

enum class Consent { NotAsked, Accept, Decline };

struct FillRow {
    const char* name;
    int record;  // in the fill dialog's list
    Consent consent;  // GNOME's answer; KDE asks no one
    // Exactly this arrives; empty: nothing may arrive and the user is told, or (whole) the
    // record arrives whole.
    std::string expected;
    std::string whole;
};

TEST_P(DesktopsEndToEnd, AFillStartOpensTheDialogAndItsEnterTypesWholeOrNothingAndTellsTheUser)
{
    const bool gnome = GetParam() == Kind::Gnome;
    const std::string unusualWhole = "bob\n" + Utf16ToUtf8(UnusualPassword) + "\n";
    // GNOME asks at the first fill, and an accepted session then lives as long as the
    // program: the consent is declined first, so that the next fill asks again.
    std::vector<FillRow> rows;
    if (gnome)
        rows.push_back({"first start, consent declined", 0, Consent::Decline, "", ""});
    rows.push_back({"an ASCII record", 0, gnome ? Consent::Accept : Consent::NotAsked, AsciiFill, ""});
    rows.push_back({"a record the layout cannot type", 1, Consent::NotAsked, "", unusualWhole});

    StartProgram();
    ASSERT_FALSE(HasFailure());
    for (const FillRow& row : rows) {
        SCOPED_TRACE(row.name);
        // A window started after the program's own has the keyboard, as the user's login
        // form has when the hot key comes.
        const Target target = StartTarget();
        ASSERT_FALSE(HasFailure()) << ProgramLog();
        const size_t toldBefore = Count(ReadFile(Log()), "message box");
        const auto told = [&] { return Count(ReadFile(Log()), "message box") > toldBefore; };
        StartFill();
        ASSERT_TRUE(WaitUntil([&] { return target.FocusOuts() >= 1 && !Focused().empty(); }, 30s))
            << "nothing of the program's took the keyboard from the target" << ProgramLog();
        // The fill dialog, not a refusal, has it.
        ASSERT_TRUE(WaitUntil([&] { return Focused() == "选择填写的密码" || told(); }, 30s))
            << ProgramLog();
        ASSERT_EQ(Focused(), "选择填写的密码") << ProgramLog();
        EXPECT_EQ(ReadFile(Log()).find(OwnWindowRefusal), std::string::npos) << ProgramLog();
        for (int down = 0; down < row.record; ++down)
            ASSERT_TRUE(Keys("press Down"));
        ASSERT_TRUE(Keys("type \r"));

        if (row.consent != Consent::NotAsked) {
            // The desktop's consent dialog takes the keyboard once more, unless the program
            // refused before asking.
            ASSERT_TRUE(WaitUntil([&] { return target.FocusOuts() >= 2 || told(); }, 30s))
                << "no consent dialog" << ProgramLog();
            if (!told() && row.consent == Consent::Accept) {
                ASSERT_TRUE(Keys("type \t "));
                ASSERT_TRUE(Keys("press Alt s"));
            } else if (!told()) {
                ASSERT_TRUE(Keys("type \x1b"));
            }
        }
        if (!row.expected.empty()) {
            EXPECT_TRUE(WaitUntil([&] { return ReadFile(target.output) == row.expected; }, 30s))
                << "received: " << ReadFile(target.output) << ProgramLog();
            continue;
        }
        // Whole or nothing: either the record arrives whole, or the user is told and the
        // target was not touched.
        ASSERT_TRUE(WaitUntil(
            [&] {
                return (!row.whole.empty() && ReadFile(target.output) == row.whole) || told();
            },
            30s))
            << "received: " << ReadFile(target.output) << "; events: " << target.Events()
            << ProgramLog();
        if (!row.whole.empty() && ReadFile(target.output) == row.whole)
            continue;
        EXPECT_EQ(Count(target.Events(), "edited"), 0u)
            << "a part arrived: " << ReadFile(target.output) << ProgramLog();
        EXPECT_EQ(ReadFile(target.output), "");
        // Enter closes the box once it has the keyboard; before, it would reach the target.
        ASSERT_TRUE(WaitUntil([&] { return !Focused().empty() && Focused() != "选择填写的密码"; },
                              30s))
            << "the message box did not get the keyboard" << ProgramLog();
        ASSERT_TRUE(Keys("type \r"));
    }
}

TEST_P(DesktopsEndToEnd, TheChordBoundAtStartOpensTheFillDialog)
{
    if (GetParam() != Kind::Kde)
        GTEST_SKIP() << "GNOME 43 has no GlobalShortcuts portal: its users bind KYQ --fill";
    StartProgram();
    ASSERT_FALSE(HasFailure());
    const Target target = StartTarget();
    ASSERT_FALSE(HasFailure());
    // The default chord, Ctrl+Alt+P, pressed on the keyboard; pressed again while the
    // program may still be binding it.
    ASSERT_TRUE(WaitUntil(
        [&] {
            return Keys("press Ctrl Alt p") &&
                   WaitUntil([&] { return Focused() == "选择填写的密码"; }, 2s);
        },
        30s))
        << "the chord opened nothing; the desktop's windows: "
        << desktop_->Windows().value_or("?") << ProgramLog();
    // Binding asked for no settings window of the desktop's.
    const auto windows = desktop_->Windows();
    ASSERT_TRUE(windows.has_value());
    EXPECT_EQ(windows->find("systemsettings"), std::string::npos) << *windows;
    ASSERT_TRUE(Keys("type \r"));
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(target.output) == AsciiFill; }, 30s))
        << "received: " << ReadFile(target.output) << ProgramLog();
}

INSTANTIATE_TEST_SUITE_P(, DesktopsEndToEnd, ::testing::Values(Kind::Kde, Kind::Gnome),
                         [](const auto& info) {
                             return std::string(info.param == Kind::Kde ? "Kde" : "Gnome");
                         });

}  // namespace
}  // namespace kyq
