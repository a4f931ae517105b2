#include <cstdlib>
#include "desktops/RealDesktop.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "wayland/WaylandSession.h"

namespace kyq::test {

namespace {

using namespace std::chrono_literals;

constexpr char KdePortal[] = "/usr/lib/x86_64-linux-gnu/libexec/xdg-desktop-portal-kde";
constexpr char GnomePortal[] = "/usr/libexec/xdg-desktop-portal-gnome";
constexpr char DesktopPortal[] = "/usr/libexec/xdg-desktop-portal";
constexpr char Kwin[] = "/usr/bin/kwin_wayland";
constexpr char Mutter[] = "/usr/bin/mutter";
constexpr char Socket[] = "kyq-desktop";

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// ScreenShot2 writes raw pixels into a pipe it is handed; dbus-send cannot hand one over.
constexpr char KdeScreenshot[] = R"(
import dbus, os, subprocess, sys
read, write = os.pipe()
shot = dbus.SessionBus().get_object('org.kde.KWin', '/org/kde/KWin/ScreenShot2')
info = shot.CaptureActiveScreen({'native-resolution': True}, dbus.types.UnixFd(write),
                                dbus_interface='org.kde.KWin.ScreenShot2')
os.close(write)
pixels = b''
while chunk := os.read(read, 1 << 20):
    pixels += chunk
size = '%dx%d' % (info['width'], info['height'])
subprocess.run(['convert', '-size', size, '-depth', '8', 'bgra:-', sys.argv[1]], input=pixels,
               check=True)
)";

}  // namespace

std::string RealDesktop::Missing(Kind kind)
{
    const std::vector<const char*> needed =
        kind == Kind::Kde ? std::vector<const char*>{Kwin, KdePortal, DesktopPortal}
                          : std::vector<const char*>{Mutter, GnomePortal, DesktopPortal};
    for (const char* program : needed) {
        if (access(program, X_OK) != 0)
            return std::string(program) + " is not installed (scripts/deps.sh installs it)";
    }
    return {};
}

RealDesktop::RealDesktop(Kind kind) : kind_(kind)
{
    char pattern[] = "/tmp/kyq-desktop-XXXXXX";
    if (!mkdtemp(pattern)) {
        problem_ = "no temporary folder";
        return;
    }
    root_ = pattern;
    runtime_ = root_ / "runtime";
    home_ = root_ / "home";
    std::filesystem::create_directory(runtime_);
    std::filesystem::create_directory(home_);
    chmod(runtime_.c_str(), 0700);

    busAddress_ = "unix:path=" + (runtime_ / "bus").string();
    Start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + busAddress_},
          root_ / "bus.log");
    if (!WaitUntil([&] { return std::filesystem::exists(runtime_ / "bus"); }, 20s)) {
        problem_ = "the session bus did not start";
        return;
    }
    ready_ = StartCompositor() && StartPortals();
}

RealDesktop::~RealDesktop()
{
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it)
        WaylandSession::Stop(*it);
    std::error_code error;
    // KYQ_TEST_KEEP keeps the session's logs for a look after a failure.
    if (!root_.empty() && !std::getenv("KYQ_TEST_KEEP"))
        std::filesystem::remove_all(root_, error);
}

bool RealDesktop::StartCompositor()
{
    if (kind_ == Kind::Kde) {
        // kwin_wayland carries a file capability (cap_sys_resource) that a container's
        // bounding set may lack, and then exec fails: a plain copy runs without it.
        const std::filesystem::path kwin = root_ / "kwin_wayland";
        std::error_code error;
        std::filesystem::copy_file(Kwin, kwin, error);
        Start({kwin.string(), "--virtual", "--socket", Socket, "--width", "1280", "--height",
               "800", "--no-lockscreen"},
              root_ / "compositor.log");
    } else {
        Start({Mutter, "--headless", "--wayland", "--no-x11", "--wayland-display", Socket,
               "--virtual-monitor", "1280x800"},
              root_ / "compositor.log");
    }
    const std::string service = kind_ == Kind::Kde ? "org.kde.KWin" : "org.gnome.Mutter.RemoteDesktop";
    if (!WaitUntil([&] { return std::filesystem::exists(runtime_ / Socket) && OnBus(service); },
                   60s)) {
        problem_ = "the compositor did not come up";
        return false;
    }
    return true;
}

bool RealDesktop::StartPortals()
{
    const bool kde = kind_ == Kind::Kde;
    // GNOME's consent dialog enables its Share button only when the switch's slide animation
    // ends, on the compositor's frame clock, so an Alt+S right after the Space is lost.
    // Without animations (a desktop setting many users choose) the switch flips at the key.
    if (!kde && !Run("gsettings set org.gnome.desktop.interface enable-animations false")) {
        problem_ = "gsettings could not turn the desktop's animations off";
        return false;
    }
    Start({kde ? KdePortal : GnomePortal}, root_ / "portals.log");
    const std::string backend = kde ? "org.freedesktop.impl.portal.desktop.kde"
                                    : "org.freedesktop.impl.portal.desktop.gnome";
    if (!WaitUntil([&] { return OnBus(backend); }, 60s)) {
        problem_ = "the desktop's portal did not come up";
        return false;
    }
    Start({DesktopPortal}, root_ / "portals.log");
    if (!WaitUntil([&] { return OnBus("org.freedesktop.portal.Desktop"); }, 60s)) {
        problem_ = "xdg-desktop-portal did not come up";
        return false;
    }
    return true;
}

bool RealDesktop::OnBus(const std::string& name) const
{
    const auto owner = Run("dbus-send --session --print-reply --dest=org.freedesktop.DBus "
                           "/org/freedesktop/DBus org.freedesktop.DBus.NameHasOwner string:" +
                           name);
    return owner && owner->find("boolean true") != std::string::npos;
}

std::string RealDesktop::Problem() const
{
    return problem_ + "\n--- the compositor's log ---\n" + ReadAll(root_ / "compositor.log") +
           "\n--- the portals' log ---\n" + ReadAll(root_ / "portals.log");
}

std::vector<std::string> RealDesktop::Environment(const std::vector<std::string>& extra) const
{
    const bool kde = kind_ == Kind::Kde;
    std::vector<std::string> env = {
        "PATH=/usr/local/bin:/usr/bin:/bin",
        "HOME=" + home_.string(),
        "XDG_RUNTIME_DIR=" + runtime_.string(),
        "XDG_CONFIG_HOME=" + (home_ / ".config").string(),
        "XDG_CACHE_HOME=" + (home_ / ".cache").string(),
        "XDG_DATA_HOME=" + (home_ / ".local/share").string(),
        "DBUS_SESSION_BUS_ADDRESS=" + busAddress_,
        "WAYLAND_DISPLAY=" + std::string(Socket),
        "XDG_CURRENT_DESKTOP=" + std::string(kde ? "KDE" : "GNOME"),
        "XDG_SESSION_TYPE=wayland",
        "QT_QPA_PLATFORM=wayland",
        "LANG=C.UTF-8",
    };
    if (kde) {
        env.push_back("KWIN_WAYLAND_NO_PERMISSION_CHECKS=1");
        env.push_back("KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1");
    }
    OverrideVariables(env, extra);
    return env;
}

pid_t RealDesktop::Start(const std::vector<std::string>& args, const std::filesystem::path& log,
                         const std::vector<std::string>& extra)
{
    const int output = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    const pid_t pid = Spawn(args, Environment(extra), output, false);
    close(output);
    processes_.push_back(pid);
    return pid;
}

std::optional<std::string> RealDesktop::Run(const std::string& command) const
{
    return RunForOutput(command, Environment({}), false);
}

std::optional<std::string> RealDesktop::Windows() const
{
    if (kind_ != Kind::Kde)
        return std::nullopt;
    // A script's print goes to the compositor's log: each listing is marked so that it is
    // found there whole.
    static int listings = 0;
    const std::string mark = "kyq-windows-" + std::to_string(++listings);
    const std::filesystem::path script = root_ / (mark + ".js");
    std::ofstream(script) << "var out = [];\n"
                             "var list = workspace.clientList();\n"
                             "for (var i = 0; i < list.length; ++i)\n"
                             "    out.push((list[i] === workspace.activeClient ? '*' : '-') +\n"
                             "             list[i].resourceClass + '|' + list[i].caption);\n"
                             "print('"
                          << mark << "\\n' + out.join('\\n') + '\\n" << mark << "-end');\n";
    const std::string call =
        "dbus-send --session --print-reply --dest=org.kde.KWin /Scripting org.kde.kwin.Scripting.";
    if (!Run(call + "loadScript string:" + script.string() + " string:" + mark + " >/dev/null") ||
        !Run(call + "start >/dev/null"))
        return std::nullopt;
    std::string listing;
    const bool printed = WaitUntil(
        [&] {
            const std::string log = ReadAll(root_ / "compositor.log");
            const size_t begin = log.find(mark + "\n");
            const size_t end = log.find(mark + "-end");
            if (begin == std::string::npos || end == std::string::npos)
                return false;
            listing = log.substr(begin + mark.size() + 1, end - begin - mark.size() - 1);
            return true;
        },
        10s);
    Run(call + "unloadScript string:" + mark + " >/dev/null");
    if (!printed)
        return std::nullopt;
    return listing;
}

bool RealDesktop::Screenshot(const std::filesystem::path& png) const
{
    if (kind_ != Kind::Kde)
        return false;
    const std::filesystem::path script = root_ / "screenshot.py";
    std::ofstream(script) << KdeScreenshot;
    // dbus is a package of the system's Python, not of one first on PATH.
    return Run("/usr/bin/python3 " + script.string() + " " + png.string()).has_value();
}

}  // namespace kyq::test
