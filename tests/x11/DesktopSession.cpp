#include "x11/DesktopSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "x11/ProgramProcess.h"

namespace kyq::test {

namespace {

pid_t StartQuietly(std::vector<std::string> args)
{
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        const int devNull = open("/dev/null", O_RDWR);
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

void Stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// openbox sets _NET_SUPPORTING_WM_CHECK on the root window once it manages windows.
bool WindowManagerRunning(Display* display)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                          XA_WINDOW, &type, &format, &count, &after, &data);
    const bool found = status == Success && type == XA_WINDOW && count == 1;
    if (data)
        XFree(data);
    return found;
}

bool TrayRunning(Display* display)
{
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False)) != None;
}

}  // namespace

DesktopSession::DesktopSession()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    windowManager_ = StartQuietly({"openbox", "--sm-disable"});
    const bool managed = WaitFor([&] { return WindowManagerRunning(display); },
                                 std::chrono::seconds(20));
    XCloseDisplay(display);
    ready_ = managed && StartTray();
}

DesktopSession::~DesktopSession()
{
    Stop(tray_);
    Stop(windowManager_);
}

void DesktopSession::StopTray()
{
    Stop(tray_);
    tray_ = -1;
}

bool DesktopSession::StartTray()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    // The tray sits at the top edge, as a panel does, so windows placed by openbox keep
    // clear of it.
    tray_ = StartQuietly({"trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel",
                          "--width", "120", "--height", "24", "--SetDockType", "true"});
    const bool tray = WaitFor([&] { return TrayRunning(display); }, std::chrono::seconds(20));
    XCloseDisplay(display);
    return tray;
}

void DesktopEnvironment::SetUp()
{
    server_ = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server_->Running()) << "Xvfb did not start";
    setenv("DISPLAY", server_->DisplayName().c_str(), 1);
    desktop_ = std::make_unique<DesktopSession>();
    ASSERT_TRUE(desktop_->Ready()) << "openbox or trayer did not start";
}

void DesktopEnvironment::TearDown()
{
    desktop_.reset();
    server_.reset();
}

}  // namespace kyq::test
