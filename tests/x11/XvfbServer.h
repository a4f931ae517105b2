// A private Xvfb for one X11 test program: started with -displayfd and -noreset, stopped
// with the program; the global environment points DISPLAY at it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <sys/types.h>
#include <vector>

namespace kyq::test {

class XvfbServer {
public:
    // extraArguments go to Xvfb, e.g. {"-extension", "RECORD"} to run without RECORD.
    explicit XvfbServer(const std::vector<std::string>& extraArguments = {});
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool Running() const { return !display_.empty(); }
    const std::string& DisplayName() const { return display_; }  // ":N"

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Register with ::testing::AddGlobalTestEnvironment: one server for the whole program.
class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
    static const XvfbServer* Server() { return server_; }

private:
    static inline XvfbServer* server_ = nullptr;
};

// Runs a shell command with DISPLAY already set; true when it exited with status 0.
bool RunCommand(const std::string& command);

}  // namespace kyq::test
