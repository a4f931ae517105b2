// Starts kyq_x11_target on the test's X server and waits until its window is ready.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace kyq::test {

class TargetProcess {
public:
    // Writes its fields to `output` on Enter (see kyq_x11_target.cpp).
    TargetProcess(const std::string& program, const std::filesystem::path& output);
    ~TargetProcess();
    TargetProcess(const TargetProcess&) = delete;
    TargetProcess& operator=(const TargetProcess&) = delete;

    bool Ready() const { return window_ != 0; }
    unsigned long Window() const { return window_; }

    // Waits until the target has written its output file and returns its text ("" when
    // nothing came within `timeout`). Removes the file for the next round.
    std::string TakeOutput(std::chrono::milliseconds timeout = std::chrono::seconds(5));

private:
    pid_t pid_ = -1;
    unsigned long window_ = 0;
    std::filesystem::path output_;
};

}  // namespace kyq::test
