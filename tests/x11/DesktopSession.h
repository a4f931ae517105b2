// A desktop as a user has one, on the test's X server: the openbox window manager and a
// trayer notification area, started after Xvfb and stopped before it. Tests of what a user
// lives through (minimise to the tray, quit with the save prompt, dialogs that overlap) run
// here, because a bare X server hides the faults a window manager brings out.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sys/types.h>

#include "x11/XvfbServer.h"

namespace kyq::test {

class DesktopSession {
public:
    // Starts both on $DISPLAY and waits until openbox manages windows and the tray's
    // selection has an owner; Ready() says whether that happened.
    DesktopSession();
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    bool Ready() const { return ready_; }
    // The notification area going away (its panel quit) and coming back.
    void StopTray();
    bool StartTray();

private:
    pid_t windowManager_ = -1;
    pid_t tray_ = -1;
    bool ready_ = false;
};

// Register with ::testing::AddGlobalTestEnvironment: Xvfb plus the desktop for the whole
// test program.
class DesktopEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
    DesktopSession& Desktop() const { return *desktop_; }

private:
    std::unique_ptr<XvfbServer> server_;
    std::unique_ptr<DesktopSession> desktop_;
};

}  // namespace kyq::test
