// Runs the built kyq-cli as a separate process: exit codes, standard streams, the password
// on standard input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CliTestSupport.h"

namespace kyq::cli {
namespace {

using testing::Exists;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

struct Outcome {
    int Status = -1;
    std::string Out, Err;
};

// Standard input comes from a file holding `input`; the streams go to files, so no pipe
// can fill up and stall either side.
Outcome Kyq(const TempDir& dir, const std::vector<std::string>& args, const std::string& input,
            const std::string& standardOutput = "")
{
    const std::string in = dir / "stdin", err = dir / "stderr";
    const std::string out = standardOutput.empty() ? dir / "stdout" : standardOutput;
    WriteFile(in, input);
    const pid_t pid = fork();
    if (pid == 0) {
        const int fdIn = open(in.c_str(), O_RDONLY);
        const int fdOut = open(out.c_str(), O_WRONLY | O_CREAT | (standardOutput.empty() ? O_TRUNC : 0), 0600);
        const int fdErr = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fdIn < 0 || fdOut < 0 || fdErr < 0)
            _exit(126);
        dup2(fdIn, 0);
        dup2(fdOut, 1);
        dup2(fdErr, 2);
        std::vector<char*> argv;
        std::string program = KYQ_CLI_PATH;
        argv.push_back(program.data());
        std::vector<std::string> copy = args;
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    Outcome o;
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        o.Status = WEXITSTATUS(status);
    if (standardOutput.empty())
        o.Out = ReadFile(out);
    o.Err = ReadFile(err);
    return o;
}

const std::string Records =
    "{\"format\":200,\"owner\":\"王五\",\"entries\":[\n"
    "{\"title\":\"Git\",\"username\":\"wang\",\"password\":\"a \\\"quoted\\\" one\",\"year\":2023,\"month\":11,\"day\":5},\n"
    "{\"title\":\"Mail邮箱\",\"username\":\"wang@example.cn\",\"password\":\"中文密码\",\"year\":2024,\"month\":2,\"day\":29}\n"
    "]}\n";

TEST(CliProcess, ImportAndExportWithThePasswordOnStandardInput)
{
    TempDir dir;
    WriteFile(dir / "in.json", Records);
    Outcome imported = Kyq(dir, {"import", dir / "in.json", "--owner", "王五", "-o", dir / "doc.kyq"},
                           "口令 with space\r\nignored second line\n");
    ASSERT_EQ(imported.Status, 0) << imported.Err;
    EXPECT_NE(imported.Out.find("2"), std::string::npos);

    Outcome exported = Kyq(dir, {"export", dir / "doc.kyq"}, "口令 with space\n");
    EXPECT_EQ(exported.Status, 0) << exported.Err;
    EXPECT_EQ(exported.Out, Records);
    EXPECT_TRUE(exported.Err.empty()) << exported.Err;  // no prompt when stdin is no terminal

    // Without a final line end, and as CSV.
    Outcome csv = Kyq(dir, {"export", dir / "doc.kyq", "--format", "csv"}, "口令 with space");
    EXPECT_EQ(csv.Status, 0) << csv.Err;
    EXPECT_EQ(csv.Out,
              "Title,UserName,Password,Year,Month,Day\r\n"
              "Git,wang,\"a \"\"quoted\"\" one\",2023,11,5\r\n"
              "Mail邮箱,wang@example.cn,中文密码,2024,2,29\r\n");

    Outcome info = Kyq(dir, {"info", dir / "doc.kyq"}, "");
    EXPECT_EQ(info.Status, 0) << info.Err;
    EXPECT_NE(info.Out.find("用户名 (owner): 王五"), std::string::npos);
}

TEST(CliProcess, ExitStatuses)
{
    TempDir dir;
    WriteFile(dir / "notes.csv", "Title,Notes\r\nA,1\r\n");
    Outcome refused = Kyq(dir, {"import", dir / "notes.csv", "--owner", "o", "-o", dir / "x.kyq"}, "pw\n");
    EXPECT_EQ(refused.Status, 1);
    EXPECT_NE(refused.Err.find("密码列"), std::string::npos) << refused.Err;
    EXPECT_FALSE(Exists(dir / "x.kyq"));

    WriteFile(dir / "ok.csv", "Title,Password\r\nA,1\r\n");
    Outcome noPassword = Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "x.kyq"}, "");
    EXPECT_EQ(noPassword.Status, 1);
    EXPECT_FALSE(Exists(dir / "x.kyq"));
    Outcome badUtf8 = Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "x.kyq"}, "\xFF\n");
    EXPECT_EQ(badUtf8.Status, 1);
    EXPECT_FALSE(Exists(dir / "x.kyq"));

    EXPECT_EQ(Kyq(dir, {}, "").Status, 2);
    EXPECT_EQ(Kyq(dir, {"export"}, "").Status, 2);
    EXPECT_EQ(Kyq(dir, {"explode", "x"}, "").Status, 2);

    WriteFile(dir / "junk.kyq", std::string("\xC8\x00\x00\x00\x05", 5));
    Outcome damaged = Kyq(dir, {"export", dir / "junk.kyq"}, "pw\n");
    EXPECT_EQ(damaged.Status, 3);
    EXPECT_EQ(damaged.Err.rfind("不支持此文件格式或此文件已损坏。\n文件名：" + (dir / "junk.kyq") + "\n", 0), 0u);
    EXPECT_TRUE(damaged.Out.empty());
    EXPECT_EQ(Kyq(dir, {"info", dir / "junk.kyq"}, "").Status, 3);

    WriteFile(dir / "exists.kyq", "old");
    EXPECT_EQ(Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "exists.kyq"}, "pw\n").Status, 1);
    EXPECT_EQ(ReadFile(dir / "exists.kyq"), "old");
    EXPECT_EQ(Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "exists.kyq", "--force"}, "pw\n").Status,
              0);
    EXPECT_NE(ReadFile(dir / "exists.kyq"), "old");
}

TEST(CliProcess, UnwritableOutputIsAFailureNotACrash)
{
    TempDir dir;
    WriteFile(dir / "ok.csv", "Title,Password\r\nA,1\r\n");
    Outcome o = Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "no-such-folder/x.kyq"}, "pw\n");
    EXPECT_EQ(o.Status, 1);
    EXPECT_NE(o.Err.find("无法写入"), std::string::npos) << o.Err;
}

TEST(CliProcess, AnOutputThatCannotBeWrittenIsAFailure)
{
    TempDir dir;
    WriteFile(dir / "ok.csv", "Title,Password\r\nA,1\r\n");
    ASSERT_EQ(Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "x.kyq"}, "pw\n").Status, 0);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", dir / "x.kyq"}, {"export", dir / "x.kyq"}, {"--help"}}) {
        Outcome full = Kyq(dir, args, "pw\n", "/dev/full");
        EXPECT_EQ(full.Status, 1) << args[0];
        EXPECT_NE(full.Err.find("无法写出结果"), std::string::npos) << full.Err;
    }
    // An import whose report cannot be written leaves no document behind.
    Outcome import = Kyq(dir, {"import", dir / "ok.csv", "--owner", "o", "-o", dir / "y.kyq"}, "pw\n", "/dev/full");
    EXPECT_EQ(import.Status, 1);
    EXPECT_NE(import.Err.find("无法写出结果"), std::string::npos) << import.Err;
    EXPECT_FALSE(Exists(dir / "y.kyq"));
}

// Runs kyq-cli on a pseudo-terminal, typing each line once the program has said something
// new; returns what appeared on the terminal.
Outcome OnTerminal(const std::vector<std::string>& args, const std::vector<std::string>& lines)
{
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        std::vector<std::string> copy = args;
        std::string program = KYQ_CLI_PATH;
        std::vector<char*> argv{program.data()};
        for (std::string& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    Outcome o;
    if (pid < 0)
        return o;
    auto readSome = [&](int timeoutMs) {
        pollfd p{master, POLLIN, 0};
        while (poll(&p, 1, timeoutMs) > 0) {
            char buffer[512];
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                return;
            o.Out.append(buffer, static_cast<size_t>(n));
            timeoutMs = 100;
        }
    };
    const std::string promptEnd = "：";
    for (const std::string& line : lines) {
        const size_t before = o.Out.size();
        auto prompted = [&] {
            return o.Out.size() > before && o.Out.size() >= promptEnd.size() &&
                   o.Out.compare(o.Out.size() - promptEnd.size(), promptEnd.size(), promptEnd) == 0;
        };
        for (int i = 0; i < 50 && !prompted(); ++i)
            readSome(100);  // wait for the prompt
        const std::string typed = line + "\n";
        if (write(master, typed.data(), typed.size()) != static_cast<ssize_t>(typed.size()))
            break;
    }
    readSome(2000);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 100 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
        readSome(100);
    if (done == 0) {  // still waiting for input: fail, do not hang
        kill(pid, SIGKILL);
        done = waitpid(pid, &status, 0);
    }
    if (done == pid && WIFEXITED(status))
        o.Status = WEXITSTATUS(status);
    close(master);
    return o;
}

TEST(CliProcess, OnATerminalThePasswordIsAskedWithoutEchoAndConfirmed)
{
    TempDir dir;
    WriteFile(dir / "in.json", R"({"entries":[{"title":"t","password":"p"}]})");
    const std::vector<std::string> import = {"import", dir / "in.json", "--owner", "o", "-o", dir / "doc.kyq"};

    Outcome differ = OnTerminal(import, {"Secret1", "secret1"});
    EXPECT_EQ(differ.Status, 1);
    EXPECT_NE(differ.Out.find("请输入新文档的密码："), std::string::npos) << differ.Out;
    EXPECT_NE(differ.Out.find("请再输入一次新密码："), std::string::npos) << differ.Out;
    EXPECT_NE(differ.Out.find("the two passwords differ"), std::string::npos) << differ.Out;
    EXPECT_EQ(differ.Out.find("ecret1"), std::string::npos) << differ.Out;
    EXPECT_FALSE(Exists(dir / "doc.kyq"));

    Outcome same = OnTerminal(import, {"Secret1", "Secret1"});
    EXPECT_EQ(same.Status, 0) << same.Out;
    EXPECT_EQ(same.Out.find("Secret1"), std::string::npos) << same.Out;

    // Export asks once, and the document opens with what was typed.
    Outcome exported = OnTerminal({"export", dir / "doc.kyq"}, {"Secret1"});
    EXPECT_EQ(exported.Status, 0) << exported.Out;
    EXPECT_NE(exported.Out.find("\"title\":\"t\""), std::string::npos) << exported.Out;
    EXPECT_EQ(exported.Out.find("请再输入一次新密码："), std::string::npos) << exported.Out;

    // Converting to sealed asks for the new password apart, twice; a slip writes nothing.
    const std::vector<std::string> convert = {"convert", dir / "doc.kyq", "-o", dir / "s.kyq", "--to", "sealed"};
    Outcome slip = OnTerminal(convert, {"Secret1", "New1", "new1"});
    EXPECT_EQ(slip.Status, 1) << slip.Out;
    EXPECT_FALSE(Exists(dir / "s.kyq"));
    Outcome converted = OnTerminal(convert, {"Secret1", "New1", "New1"});
    EXPECT_EQ(converted.Status, 0) << converted.Out;
    EXPECT_EQ(OnTerminal({"export", dir / "s.kyq"}, {"Secret1"}).Status, 4);
    EXPECT_EQ(OnTerminal({"export", dir / "s.kyq"}, {"New1"}).Status, 0);
}

// A record of marker texts through every refusal: standard error (the log included) names
// the record and field, never its text; an unauthenticated owner name reaches the terminal
// with its control characters escaped.
TEST(CliProcess, NoRecordTextReachesStandardError)
{
    TempDir dir;
    WriteFile(dir / "in.json", R"({"entries":[{"title":"MARK标题","username":"MARKuser","password":"MARK\ud83d\ude00"}]})");
    const std::string owner = "MARK\x1b]0;x\x07";
    const std::vector<std::string> import = {"import", dir / "in.json", "--owner", owner, "-o", dir / "s.kyq"};
    std::vector<Outcome> refused;
    refused.push_back(Kyq(dir, {"import", dir / "in.json", "--owner", "o", "-o", dir / "p.kyq"}, "pw\n"));
    ASSERT_EQ(Kyq(dir, [&] { auto a = import; a.push_back("--sealed"); return a; }(), "pw\n").Status, 0);
    Outcome exported = Kyq(dir, {"export", dir / "s.kyq"}, "pw\n");
    EXPECT_NE(exported.Out.find("MARK\xF0\x9F\x98\x80"), std::string::npos) << exported.Out;
    refused.push_back(Kyq(dir, {"convert", dir / "s.kyq", "-o", dir / "p.kyq", "--to", "200"}, "pw\n"));
    refused.push_back(Kyq(dir, {"export", dir / "s.kyq"}, "wrong\n"));
    for (const Outcome& o : refused) {
        EXPECT_NE(o.Status, 0);
        EXPECT_EQ(o.Err.find("MARK"), std::string::npos) << o.Err;
        EXPECT_EQ(o.Err.find("\xF0\x9F\x98\x80"), std::string::npos) << o.Err;
    }
    EXPECT_NE(refused[1].Err.find("第1条记录的密码"), std::string::npos) << refused[1].Err;
    EXPECT_FALSE(Exists(dir / "p.kyq"));

    Outcome info = Kyq(dir, {"info", dir / "s.kyq"}, "");
    EXPECT_NE(info.Out.find("MARK\\u{1B}]0;x\\u{7}"), std::string::npos) << info.Out;
    EXPECT_EQ(info.Out.find('\x1b'), std::string::npos);
}

}  // namespace
}  // namespace kyq::cli
