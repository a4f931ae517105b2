#include "x11/ProgramProcess.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kyq::test {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

ProgramProcess::ProgramProcess(const std::string& program, const std::vector<std::string>& arguments,
                               const std::filesystem::path& log)
{
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        dup2(out, 1);
        dup2(out, 2);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

ProgramProcess::~ProgramProcess()
{
    if (!Running())
        return;
    kill(pid_, SIGTERM);
    if (!WaitFor([&] { return !Running(); }, std::chrono::seconds(5))) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool ProgramProcess::Running()
{
    if (pid_ <= 0 || ended_)
        return false;
    if (waitpid(pid_, &status_, WNOHANG) == pid_)
        ended_ = true;
    return !ended_;
}

bool ProgramProcess::EndsCleanly(std::chrono::milliseconds timeout)
{
    return WaitFor([&] { return !Running(); }, timeout) && WIFEXITED(status_) &&
           WEXITSTATUS(status_) == 0;
}

void ProgramProcess::Signal(int number)
{
    if (pid_ > 0)
        kill(pid_, number);
}

}  // namespace kyq::test
