// Starts a program of ours on the test's X server the way a user would ("KYQ file"), with
// its output in a log, and ends it with the test; plus the small waits such tests need.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kyq::test {

// Polls `condition` until it holds or `timeout` has passed.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// The whole file as text ("" when it cannot be read).
std::string ReadText(const std::filesystem::path& path);

class ProgramProcess {
public:
    // Output and errors are appended to `log`; QT_QPA_PLATFORM is xcb.
    ProgramProcess(const std::string& program, const std::vector<std::string>& arguments,
                   const std::filesystem::path& log);
    // A program still running is asked to end (SIGTERM, its normal shutdown), then killed
    // after 5 s.
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Running();
    // True when the process ended within `timeout` with exit status 0.
    bool EndsCleanly(std::chrono::milliseconds timeout);
    void Signal(int number);

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool ended_ = false;
};

}  // namespace kyq::test
