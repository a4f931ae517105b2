#include "wayland/WaylandSession.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace kyq::test {

namespace {

// sway will not run as root; the tests then run the whole session as this user.
constexpr uid_t SessionUser = 65534;
constexpr gid_t SessionGroup = 65534;

bool Privileged()
{
    return geteuid() == 0;
}

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void ChownToSessionUser(const std::filesystem::path& path)
{
    if (Privileged() && chown(path.c_str(), SessionUser, SessionGroup) != 0)
        std::perror(("chown " + path.string()).c_str());
}

// In the child after fork: the session's user, no inherited groups.
void BecomeSessionUser()
{
    if (!Privileged())
        return;
    if (setgroups(0, nullptr) != 0 || setgid(SessionGroup) != 0 || setuid(SessionUser) != 0)
        _exit(126);
}

}  // namespace

void OverrideVariables(std::vector<std::string>& env, const std::vector<std::string>& extra)
{
    for (const std::string& variable : extra) {
        const std::string name = variable.substr(0, variable.find('=') + 1);
        std::erase_if(env, [&](const std::string& e) { return e.rfind(name, 0) == 0; });
        env.push_back(variable);
    }
}

pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
            int output, bool asSessionUser)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    setpgid(0, 0);
    const int devNull = open("/dev/null", O_RDONLY);
    dup2(devNull, 0);
    dup2(output, 1);
    dup2(output, 2);
    if (asSessionUser) {
        // The test's own folder (the build tree) may be closed to the session's user; a
        // shell or terminal that cannot read its working folder misbehaves.
        if (chdir("/") != 0)
            _exit(126);
        BecomeSessionUser();
    }
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
}

std::optional<std::string> RunForOutput(const std::string& command,
                                        const std::vector<std::string>& env, bool asSessionUser)
{
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t pid = Spawn({"/bin/sh", "-c", command}, env, pipeFds[1], asSessionUser);
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
        if (n > 0)
            output.append(buffer, static_cast<size_t>(n));
    }
    close(pipeFds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return output;
}

namespace {

int OpenLog(const std::filesystem::path& log)
{
    const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    ChownToSessionUser(log);
    return fd;
}

constexpr char SwayConfig[] = R"(# The tests' desktop: one headless output, a bar with a tray.
output HEADLESS-1 resolution 1280x800
xwayland force
focus_on_window_activation focus
default_border normal
bar {
    position top
    status_command while :; do echo keyquill-tests; sleep 3600; done
    tray_output *
}
)";

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::string WaylandSession::Reachable(const std::string& program) const
{
    if (Run("test -x '" + program + "'"))
        return program;
    const std::filesystem::path bin = root_ / "bin";
    std::error_code error;
    std::filesystem::create_directories(bin, error);
    chmod(bin.c_str(), 0755);
    const std::filesystem::path copy = bin / std::filesystem::path(program).filename();
    std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing,
                               error);
    chmod(copy.c_str(), 0755);
    return copy.string();
}

WaylandSession::WaylandSession()
{
    char pattern[] = "/tmp/kyq-wayland-XXXXXX";
    if (!mkdtemp(pattern)) {
        problem_ = "no temporary folder";
        return;
    }
    root_ = pattern;
    chmod(root_.c_str(), 0755);  // the session's user must reach its folders inside
    runtime_ = root_ / "runtime";
    home_ = root_ / "home";
    std::filesystem::create_directory(runtime_);
    std::filesystem::create_directory(home_);
    chmod(runtime_.c_str(), 0700);
    chmod(home_.c_str(), 0755);
    ChownToSessionUser(runtime_);
    ChownToSessionUser(home_);
    {
        std::ofstream(home_ / "sway.config") << SwayConfig;
    }
    ChownToSessionUser(home_ / "sway.config");

    busAddress_ = "unix:path=" + (runtime_ / "bus").string();
    const int busLog = OpenLog(root_ / "bus.log");
    bus_ = Spawn({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + busAddress_},
                 Environment({}), busLog, true);
    close(busLog);
    if (!WaitUntil([&] { return std::filesystem::exists(runtime_ / "bus"); },
                   std::chrono::seconds(20))) {
        problem_ = "the session bus did not start: " + ReadAll(root_ / "bus.log");
        return;
    }

    const int swayLog = OpenLog(root_ / "sway.log");
    sway_ = Spawn({"sway", "-c", (home_ / "sway.config").string()},
                  Environment({"WLR_BACKENDS=headless", "WLR_LIBINPUT_NO_DEVICES=1",
                               "WLR_RENDERER=pixman"}),
                  swayLog, true);
    close(swayLog);
    // The compositor's socket: the first wayland-N in the runtime folder.
    const bool socket = WaitUntil(
        [&] {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(runtime_, error)) {
                const std::string name = entry.path().filename().string();
                if (name.rfind("wayland-", 0) == 0 && name.find('.') == std::string::npos) {
                    waylandDisplay_ = name;
                    return true;
                }
            }
            return false;
        },
        std::chrono::seconds(20));
    if (!socket) {
        problem_ = "sway did not start";
        return;
    }
    if (!WaitUntil([&] { return Run("swaymsg -t get_version >/dev/null").has_value(); },
                   std::chrono::seconds(20))) {
        problem_ = "sway does not answer";
        return;
    }
    if (!WaitUntil(
            [&] {
                const auto owner = Run(
                    "dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                    "/org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner "
                    "string:org.kde.StatusNotifierWatcher");
                return owner && owner->find("boolean true") != std::string::npos;
            },
            std::chrono::seconds(20))) {
        problem_ = "swaybar's tray did not come up";
        return;
    }
    // sway passes Xwayland's display to what it starts.
    const std::filesystem::path displayFile = home_ / "x-display";
    Sway("exec 'printf %s \"$DISPLAY\" > " + displayFile.string() + "'");
    if (!WaitUntil(
            [&] {
                xDisplay_ = ReadAll(displayFile);
                return !xDisplay_.empty() &&
                       Run("xdotool getdisplaygeometry >/dev/null 2>&1",
                           {"DISPLAY=" + xDisplay_})
                           .has_value();
            },
            std::chrono::seconds(20))) {
        problem_ = "Xwayland did not start";
        return;
    }
    ready_ = true;
}

WaylandSession::~WaylandSession()
{
    Stop(sway_);
    Stop(bus_);
    std::error_code error;
    if (!root_.empty())
        std::filesystem::remove_all(root_, error);
}

std::string WaylandSession::Problem() const
{
    return problem_ + "\n--- sway's log ---\n" + ReadAll(root_ / "sway.log");
}

std::vector<std::string> WaylandSession::Environment(const std::vector<std::string>& extra) const
{
    std::vector<std::string> env = {
        "PATH=/usr/local/bin:/usr/bin:/bin",
        "HOME=" + home_.string(),
        "XDG_RUNTIME_DIR=" + runtime_.string(),
        "XDG_CONFIG_HOME=" + (home_ / ".config").string(),
        "XDG_CACHE_HOME=" + (home_ / ".cache").string(),
        "XDG_DATA_HOME=" + (home_ / ".local/share").string(),
        "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
        "LANG=C.UTF-8",
    };
    if (!waylandDisplay_.empty())
        env.push_back("WAYLAND_DISPLAY=" + waylandDisplay_);
    if (!xDisplay_.empty())
        env.push_back("DISPLAY=" + xDisplay_);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(runtime_, error)) {
        if (entry.path().filename().string().rfind("sway-ipc.", 0) == 0)
            env.push_back("SWAYSOCK=" + entry.path().string());
    }
    OverrideVariables(env, extra);
    return env;
}

pid_t WaylandSession::Start(const std::vector<std::string>& args, const std::filesystem::path& log,
                            const std::vector<std::string>& extra) const
{
    const int output = OpenLog(log);
    const pid_t pid = Spawn(args, Environment(extra), output, true);
    close(output);
    return pid;
}

std::optional<std::string> WaylandSession::Run(const std::string& command,
                                               const std::vector<std::string>& extra) const
{
    return RunForOutput(command, Environment(extra), true);
}

bool WaylandSession::Sway(const std::string& command) const
{
    std::string quoted;
    for (const char c : command)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return Run("swaymsg -- '" + quoted + "' >/dev/null").has_value();
}

std::string WaylandSession::Focused() const
{
    const auto focused = Run(
        "swaymsg -r -t get_tree | python3 -c '\n"
        "import json, sys\n"
        "def walk(node):\n"
        "    if node.get(\"focused\") and node.get(\"type\") in (\"con\", \"floating_con\"):\n"
        "        props = node.get(\"window_properties\") or {}\n"
        "        print((node.get(\"app_id\") or props.get(\"class\") or \"\") + \"|\" + (node.get(\"name\") or \"\"), end=\"\")\n"
        "    for child in node.get(\"nodes\", []) + node.get(\"floating_nodes\", []):\n"
        "        walk(child)\n"
        "walk(json.load(sys.stdin))'");
    return focused.value_or("");
}

std::string WaylandSession::Windows() const
{
    const auto windows = Run(
        "swaymsg -r -t get_tree | python3 -c '\n"
        "import json, sys\n"
        "def walk(node):\n"
        "    if node.get(\"type\") in (\"con\", \"floating_con\") and node.get(\"pid\"):\n"
        "        props = node.get(\"window_properties\") or {}\n"
        "        print(str(node[\"id\"]) + \"|\" + (node.get(\"app_id\") or props.get(\"class\") or \"\") + \"|\" + (node.get(\"name\") or \"\"))\n"
        "    for child in node.get(\"nodes\", []) + node.get(\"floating_nodes\", []):\n"
        "        walk(child)\n"
        "walk(json.load(sys.stdin))'");
    return windows.value_or("");
}

void WaylandSession::Stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    const bool ended = WaitUntil(
        [&] { return waitpid(pid, &status, WNOHANG) == pid; }, std::chrono::seconds(5));
    if (!ended) {
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace kyq::test
