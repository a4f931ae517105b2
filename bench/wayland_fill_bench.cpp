// Auto-fill on sway, timed with the real program in the tests' Wayland session
// (tests/wayland/WaylandSession.h: headless sway as an unprivileged user, swaybar's tray,
// Xwayland). The user's keyboard is one virtual keyboard (kyq_wayland_keys), the target a
// raw-mode foot, and the focus is read from sway's event stream as it changes.
//
// Each round: the chord bound to "KYQ --fill" -> the fill dialog has the focus; Enter ->
// the last of 200 characters (130 Chinese) is in foot's file; at once the chord again ->
// the dialog has the focus (the next hot key), and its Enter fills once more. Then the
// binding's "KYQ --fill" alone, from its start to its end.
// The fill method is the program's default, ^n^t^p^r (user name, Tab, password, Enter).
// Budgets: dialog 300 ms, fill 300 ms, next hot key 300 ms (medians).
//
// Usage: wayland_fill_bench [ROUNDS]   (as root or as a user sway runs for; about 2 s a round)
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/autofill/FillMacro.h"
#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "platform/Utf.h"
#include "support/DocumentTestSupport.h"
#include "wayland/WaylandSession.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using kyq::test::ChineseFillText;
using kyq::test::WaitUntil;
using kyq::test::WaylandSession;

constexpr char DocumentPassword[] = "Doc-pass1";

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uintmax_t FileSize(const std::filesystem::path& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// sway's IPC socket, subscribed to window events: remembers when one of the program's
// windows last got the focus, as sway sends it.
class FocusEvents {
public:
    explicit FocusEvents(const std::filesystem::path& runtime)
    {
        for (const auto& entry : std::filesystem::directory_iterator(runtime)) {
            if (entry.path().filename().string().rfind("sway-ipc.", 0) == 0)
                socketPath_ = entry.path().string();
        }
        fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (fd_ < 0 || socketPath_.empty() || socketPath_.size() >= sizeof(address.sun_path))
            return;
        std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0)
            return;
        const std::string payload = "[\"window\"]";
        if (!Send(2, payload))  // SUBSCRIBE
            return;
        ok_ = true;
        reader_ = std::thread([this] { Read(); });
    }
    ~FocusEvents()
    {
        if (fd_ >= 0)
            shutdown(fd_, SHUT_RDWR);
        if (reader_.joinable())
            reader_.join();
        if (fd_ >= 0)
            close(fd_);
    }
    bool Ok() const { return ok_; }
    // The first time after `since` that a window of the program's (app_id KYQ) got the
    // focus; waits up to `timeout`.
    bool ProgramFocusedAfter(Clock::time_point since, std::chrono::milliseconds timeout,
                             Clock::time_point& at)
    {
        return WaitUntil(
            [&] {
                std::lock_guard lock(mutex_);
                for (const auto& [when, program] : focus_) {
                    if (when >= since && program) {
                        at = when;
                        return true;
                    }
                }
                return false;
            },
            timeout);
    }

private:
    bool Send(uint32_t type, const std::string& payload)
    {
        std::string message = "i3-ipc";
        const auto length = static_cast<uint32_t>(payload.size());
        message.append(reinterpret_cast<const char*>(&length), 4);
        message.append(reinterpret_cast<const char*>(&type), 4);
        message += payload;
        return write(fd_, message.data(), message.size()) == static_cast<ssize_t>(message.size());
    }
    bool ReadExactly(char* into, size_t count)
    {
        while (count > 0) {
            const ssize_t got = read(fd_, into, count);
            if (got <= 0)
                return false;
            into += got;
            count -= static_cast<size_t>(got);
        }
        return true;
    }
    void Read()
    {
        for (;;) {
            char header[14];
            if (!ReadExactly(header, sizeof header))
                return;
            uint32_t length = 0;
            std::memcpy(&length, header + 6, 4);
            if (length > (64u << 20))
                return;
            std::string payload(length, '\0');
            if (!ReadExactly(payload.data(), length))
                return;
            const Clock::time_point now = Clock::now();
            std::erase_if(payload, [](char c) { return c == ' ' || c == '\n' || c == '\t'; });
            if (payload.find("\"change\":\"focus\"") == std::string::npos)
                continue;
            std::lock_guard lock(mutex_);
            focus_.emplace_back(now, payload.find("\"app_id\":\"KYQ\"") != std::string::npos);
        }
    }

    std::string socketPath_;
    int fd_ = -1;
    bool ok_ = false;
    std::thread reader_;
    std::mutex mutex_;
    std::vector<std::pair<Clock::time_point, bool>> focus_;
};

// The user's keyboard: kyq_wayland_keys reading commands from a FIFO and acknowledging
// each once the compositor has its keys.
class Keyboard {
public:
    explicit Keyboard(const WaylandSession& session)
    {
        const std::filesystem::path fifo = session.Home() / "bench-keys.fifo";
        acks_ = session.Home() / "bench-keys.ack";
        if (mkfifo(fifo.c_str(), 0666) != 0)
            return;
        chmod(fifo.c_str(), 0666);
        pid_ = session.Start({session.Reachable(KYQ_KEYS), fifo.string(), acks_.string()},
                             session.Home() / "bench-keys.log");
        commands_.open(fifo);
    }
    ~Keyboard()
    {
        commands_.close();
        if (pid_ > 0)
            WaylandSession::Stop(pid_);
    }
    // Sends a command ("type TEXT", "chord TEXT") and waits until its keys are in.
    bool Keys(const std::string& command)
    {
        commands_ << command << '\n' << std::flush;
        ++sent_;
        return WaitUntil(
            [&] {
                const std::string acks = ReadFile(acks_);
                return static_cast<int>(std::count(acks.begin(), acks.end(), '\n')) >= sent_;
            },
            10s);
    }
    // Writes a command without waiting for its acknowledgement.
    void Send(const std::string& command)
    {
        commands_ << command << '\n' << std::flush;
        ++sent_;
    }

private:
    std::filesystem::path acks_;
    std::ofstream commands_;
    pid_t pid_ = -1;
    int sent_ = 0;
};

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

int Fail(const std::string& what, const WaylandSession& session)
{
    std::fprintf(stderr, "wayland_fill_bench: %s\n--- the program's log ---\n%s\n", what.c_str(),
                 ReadFile(session.Home() / "kyq.log").c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    WaylandSession session;
    if (!session.Ready()) {
        std::fprintf(stderr, "wayland_fill_bench: no session: %s\n", session.Problem().c_str());
        return 1;
    }
    const std::u16string user = ChineseFillText(0);
    const std::u16string password = ChineseFillText(1);
    kyq::PasswordDocument doc;
    doc.OwnerName() = u"测试者";
    doc.DocumentPassword() = kyq::Utf8ToUtf16(DocumentPassword);
    doc.AppendEntry(kyq::test::RecordChangedToday(u"cjk", user, password));
    const std::filesystem::path document = session.Home() / "bench.kyq";
    if (!kyq::WriteDocument(doc, document.string()))
        return Fail("the document could not be written", session);
    std::filesystem::permissions(document, std::filesystem::perms::all);

    FocusEvents focus(session.WaylandSocket().parent_path());
    if (!focus.Ok())
        return Fail("sway's IPC socket did not take the subscription", session);
    Keyboard keyboard(session);
    const std::string program = session.Reachable(KYQ_PROGRAM);
    const std::vector<std::string> environment = {
        "KYQ_REGISTRY_DIR=" + (session.Home() / "registry").string()};
    const pid_t kyq = session.Start({program, document.string()}, session.Home() / "kyq.log",
                                    environment);
    if (!WaitUntil([&] { return session.Focused().find("的密码") != std::string::npos; }, 30s))
        return Fail("no password prompt", session);
    if (!keyboard.Keys(std::string("type ") + DocumentPassword + "\r") ||
        !WaitUntil([&] { return session.Focused().find("bench.kyq") != std::string::npos &&
                                session.Focused().find("的密码") == std::string::npos; },
                   15s))
        return Fail("the document did not open", session);
    std::string binding = "bindsym Ctrl+Alt+p exec env";
    for (const std::string& variable : environment)
        binding += " " + variable;
    if (!session.Sway(binding + " " + program + " --fill"))
        return Fail("sway did not take the binding", session);

    const std::filesystem::path output = session.Home() / "bench-target.txt";
    const pid_t foot = session.Start(
        {"foot", "--app-id=kyq-bench", "sh", "-c", "stty raw -echo; cat > " + output.string()},
        session.Home() / "foot.log");
    if (!WaitUntil([&] {
            return session.Focused().rfind("kyq-bench|", 0) == 0 && std::filesystem::exists(output);
        }, 30s))
        return Fail("foot did not come up", session);
    // The method is set once; the dialog keeps the last one used.
    const std::u16string filled = user + u"\t" + password + u"\r";
    const uintmax_t fillBytes = kyq::Utf16ToUtf8(filled).size();

    std::vector<double> dialogs, fills, nextDialogs;
    uintmax_t expected = 0;
    bool methodSet = false;
    for (int round = 0; round < rounds; ++round) {
        // Sway's focus back on foot, the program idle.
        std::this_thread::sleep_for(1s);
        Clock::time_point focused;
        const Clock::time_point chord = Clock::now();
        keyboard.Send("chord p");
        if (!focus.ProgramFocusedAfter(chord, 10s, focused))
            return Fail("the fill dialog did not get the focus", session);
        dialogs.push_back(Milliseconds(focused - chord));
        if (!methodSet) {
            // Tab to the fill method, Ctrl+A, the method.
            if (!keyboard.Keys(std::string("type \t\x01") +
                               kyq::Utf16ToUtf8(kyq::DefaultFillMacro)))
                return Fail("the keyboard failed", session);
            methodSet = true;
        }

        expected += fillBytes;
        const Clock::time_point enter = Clock::now();
        keyboard.Send("type \r");
        if (!WaitUntil([&] { return FileSize(output) >= expected; }, 10s))
            return Fail("the fill did not arrive", session);
        fills.push_back(Milliseconds(Clock::now() - enter));

        const Clock::time_point again = Clock::now();
        keyboard.Send("chord p");
        if (!focus.ProgramFocusedAfter(again, 10s, focused))
            return Fail("the next fill dialog did not get the focus", session);
        nextDialogs.push_back(Milliseconds(focused - again));
        expected += fillBytes;
        keyboard.Send("type \r");
        if (!WaitUntil([&] { return FileSize(output) >= expected; }, 10s))
            return Fail("the second fill did not arrive", session);
        std::printf("round %2d: dialog %4.0f ms, fill %4.0f ms, next hot key %4.0f ms\n", round,
                    dialogs.back(), fills.back(), nextDialogs.back());
    }
    // What the binding's process costs by itself: started as sway starts it, to its end
    // (the running instance has the request then).
    std::vector<double> requests;
    std::string fillCommand = "env";
    for (const std::string& variable : environment)
        fillCommand += " " + variable;
    fillCommand += " " + program + " --fill";
    for (int round = 0; round < rounds; ++round) {
        std::this_thread::sleep_for(1s);
        Clock::time_point focused;
        const Clock::time_point start = Clock::now();
        if (!session.Run(fillCommand))
            return Fail("KYQ --fill failed", session);
        requests.push_back(Milliseconds(Clock::now() - start));
        if (!focus.ProgramFocusedAfter(start, 10s, focused))
            return Fail("the fill dialog did not get the focus", session);
        expected += fillBytes;
        keyboard.Send("type \r");
        if (!WaitUntil([&] { return FileSize(output) >= expected; }, 10s))
            return Fail("the fill did not arrive", session);
    }
    std::string want;
    for (int i = 0; i < 3 * rounds; ++i)
        want += kyq::Utf16ToUtf8(filled);
    const bool exact = ReadFile(output) == want;
    std::printf("chord -> fill dialog focused: median %.0f ms (budget 300)\n", Median(dialogs));
    std::printf("Enter -> last of 200 characters (130 Chinese) in foot: median %.0f ms (budget 300)\n",
                Median(fills));
    std::printf("next hot key after that fill -> dialog focused: median %.0f ms (budget 300)\n",
                Median(nextDialogs));
    std::printf("of which KYQ --fill, process start to end: median %.0f ms\n", Median(requests));
    std::printf("every fill exact: %s\n", exact ? "yes" : "NO");
    WaylandSession::Stop(foot);
    WaylandSession::Stop(kyq);
    return exact ? 0 : 1;
}
