#include "cli/PasswordInput.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string_view>
#include <termios.h>
#include <unistd.h>

#include "cli/Utf8Check.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

// A line longer than this is not a password someone typed or piped on purpose.
constexpr size_t MaxLineBytes = 1 << 20;

struct termios g_savedTerminal;
volatile sig_atomic_t g_echoOff = 0;

void RestoreEchoAndReraise(int signal)
{
    if (g_echoOff)
        tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

enum class LineStatus { Ok, End, TooLong, Error };

LineStatus ReadLine(std::string& line)
{
    line.clear();
    bool any = false;
    while (true) {
        char c = 0;
        const ssize_t got = read(STDIN_FILENO, &c, 1);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return LineStatus::Error;
        }
        if (got == 0)
            return any ? LineStatus::Ok : LineStatus::End;
        any = true;
        if (c == '\n')
            break;
        if (line.size() >= MaxLineBytes)
            return LineStatus::TooLong;
        line += c;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return LineStatus::Ok;
}

Error Failure(std::string message)
{
    return Error{std::move(message), {}, 0};
}

Expected<std::u16string> ReadOneLine(const char* prompt, bool terminal)
{
    std::string line;
    LineStatus status;
    if (terminal) {
        struct termios quiet;
        const bool canSilence = tcgetattr(STDIN_FILENO, &g_savedTerminal) == 0;
        if (canSilence) {
            quiet = g_savedTerminal;
            quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
            quiet.c_lflag |= ECHONL;
            struct sigaction action {};
            action.sa_handler = RestoreEchoAndReraise;
            sigemptyset(&action.sa_mask);
            for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
                sigaction(s, &action, nullptr);
            g_echoOff = 1;
            tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
        }
        // Only now: whatever is typed after the prompt appears is read, and not echoed.
        std::fputs(prompt, stderr);
        std::fflush(stderr);
        status = ReadLine(line);
        if (canSilence) {
            // TCSANOW: keep what was typed ahead (the confirmation, on a fast keyboard).
            tcsetattr(STDIN_FILENO, TCSANOW, &g_savedTerminal);
            g_echoOff = 0;
            for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
                std::signal(s, SIG_DFL);
        }
    } else {
        status = ReadLine(line);
    }
    switch (status) {
    case LineStatus::Ok: break;
    case LineStatus::End: return Failure("没有读到密码：标准输入是空的 (no password on standard input)");
    case LineStatus::TooLong: return Failure("密码行太长 (the password line is too long)");
    case LineStatus::Error: return Failure("读取密码失败 (cannot read the password)");
    }
    if (FirstInvalidUtf8(line) != std::string_view::npos)
        return Failure("密码不是有效的UTF-8文本 (the password is not valid UTF-8)");
    return Utf8ToUtf16(line);
}

}  // namespace

Expected<std::u16string> ReadDocumentPassword(bool confirm)
{
    const bool terminal = isatty(STDIN_FILENO) != 0;
    Expected<std::u16string> first = ReadOneLine(confirm ? "请输入新文档的密码：" : "请输入文档密码：", terminal);
    if (!first || !terminal || !confirm)
        return first;
    Expected<std::u16string> second = ReadOneLine("请再输入一次新密码：", terminal);
    if (!second)
        return second;
    // Exact comparison: a confirmation exists to catch typing slips, letter case included.
    if (*second != *first)
        return Failure("两次输入的密码不一样 (the two passwords differ)");
    return first;
}

}  // namespace kyq::cli
