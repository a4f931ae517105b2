#include "x11/TargetProcess.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kyq::test {

namespace {

constexpr int kReadyTimeoutMs = 15000;

}  // namespace

TargetProcess::TargetProcess(const std::string& program, const std::filesystem::path& output)
    : output_(output)
{
    std::filesystem::remove(output_);
    int fds[2];
    if (pipe(fds) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        dup2(fds[1], 1);
        close(fds[0]);
        close(fds[1]);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        execl(program.c_str(), program.c_str(), output.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string line;
    pollfd p{fds[0], POLLIN, 0};
    while (pid_ > 0 && poll(&p, 1, kReadyTimeoutMs) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        line.push_back(c);
    }
    close(fds[0]);
    if (line.rfind("ready ", 0) == 0)
        window_ = std::stoul(line.substr(6));
}

TargetProcess::~TargetProcess()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::filesystem::remove(output_);
}

std::string TargetProcess::TakeOutput(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!std::filesystem::exists(output_)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::ifstream in(output_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    std::filesystem::remove(output_);
    return text.str();
}

}  // namespace kyq::test
