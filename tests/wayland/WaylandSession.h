// A Wayland desktop as a user has one, for the tests: headless sway (it refuses to run as
// root, so under root everything runs as the unprivileged user "nobody") with its own 0700
// runtime folder and home, a session bus, swaybar's tray (a StatusNotifierWatcher) and
// Xwayland. Every client a test starts runs as that user with the session's environment.
#pragma once

#include <chrono>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kyq::test {

class WaylandSession {
public:
    // Starts the bus, then sway, and waits until sway answers, the tray's watcher is on the
    // bus and Xwayland runs; Ready() says whether all of that happened.
    WaylandSession();
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    bool Ready() const { return ready_; }
    // What went wrong on the way up, and the compositor's log.
    std::string Problem() const;

    // A folder the session's user may write, removed with the session.
    const std::filesystem::path& Home() const { return home_; }
    // `program` as the session's user can start it: the build tree may lie below a folder
    // only root may enter (a checkout in root's home), and then a copy in the session's own
    // folder stands in for it.
    std::string Reachable(const std::string& program) const;
    const std::string& XDisplay() const { return xDisplay_; }
    // The compositor's socket as an absolute path (for a client with another runtime folder).
    std::filesystem::path WaylandSocket() const { return runtime_ / waylandDisplay_; }

    // Starts `args` as the session's user, its output appended to `log`, with the session's
    // environment plus `extra` ("NAME=value"). The process is ended with the session at
    // the latest.
    pid_t Start(const std::vector<std::string>& args, const std::filesystem::path& log,
                 const std::vector<std::string>& extra = {}) const;
    // Runs a shell command line as the session's user to its end: its standard output, or
    // nullopt when it failed.
    std::optional<std::string> Run(const std::string& command,
                                   const std::vector<std::string>& extra = {}) const;
    // A sway command ("bindsym ...", "fullscreen enable"); true when sway took it.
    bool Sway(const std::string& command) const;
    // The focused window as "app_id|title" (an X11 window's class for its app_id); "" when
    // no window has the focus.
    std::string Focused() const;
    // Every window as "con_id|app_id|title", one a line.
    std::string Windows() const;
    // Ends a process started with Start: SIGTERM, then SIGKILL after 5 s.
    static void Stop(pid_t pid);

private:
    std::vector<std::string> Environment(const std::vector<std::string>& extra) const;

    std::filesystem::path root_;  // the runtime folder and home live here
    std::filesystem::path runtime_;
    std::filesystem::path home_;
    std::string waylandDisplay_;
    std::string busAddress_;
    std::string xDisplay_;
    std::string problem_;
    pid_t bus_ = -1;
    pid_t sway_ = -1;
    bool ready_ = false;
};

// Starts `args` with exactly `env`, its output to `output`, ended with the test at the
// latest; asSessionUser: as the unprivileged session user (under root), from "/".
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            int output, bool asSessionUser);
// Runs a shell command line to its end: its standard output, or nullopt when it failed.
std::optional<std::string> RunForOutput(const std::string& command,
                                        const std::vector<std::string>& env, bool asSessionUser);

// Each NAME=VALUE of `extra` replaces the variable of that name in `env` (getenv takes the
// first one), or is added.
void OverrideVariables(std::vector<std::string>& env, const std::vector<std::string>& extra);

// Polls `condition` until it holds or `timeout` has passed.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

}  // namespace kyq::test
