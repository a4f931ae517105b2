#include "x11/XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kyq::test {

namespace {

constexpr int kStartTimeoutMs = 10000;

}  // namespace

XvfbServer::XvfbServer(const std::vector<std::string>& extraArguments)
{
    int fds[2];
    if (pipe(fds) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        close(fds[0]);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        const std::string fd = std::to_string(fds[1]);
        std::vector<std::string> args = {"Xvfb",  "-displayfd", fd,          "-screen", "0",
                                         "1280x1024x24", "-nolisten", "tcp", "-noreset"};
        args.insert(args.end(), extraArguments.begin(), extraArguments.end());
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp("Xvfb", argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
        close(fds[0]);
        return;
    }
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, kStartTimeoutMs) > 0) {
        char c = 0;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number.push_back(c);
    }
    close(fds[0]);
    if (!number.empty())
        display_ = ":" + number;
}

XvfbServer::~XvfbServer()
{
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

void XvfbEnvironment::SetUp()
{
    server_ = new XvfbServer();
    ASSERT_TRUE(server_->Running()) << "Xvfb did not start";
    setenv("DISPLAY", server_->DisplayName().c_str(), 1);
}

void XvfbEnvironment::TearDown()
{
    delete server_;
    server_ = nullptr;
}

bool RunCommand(const std::string& command)
{
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace kyq::test
