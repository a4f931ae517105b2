// The real KDE Plasma or GNOME desktop, headless, for the tests: its compositor
// (kwin_wayland --virtual, mutter --headless) on a virtual 1280x800 output, the desktop's
// portal and xdg-desktop-portal, all on a private session bus with a 0700 runtime folder
// of their own. Runs as whoever runs the tests (both compositors accept root).
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace kyq::test {

class RealDesktop {
public:
    enum class Kind { Kde, Gnome };

    // Starts the bus, the compositor and the portals and waits until each answers; Ready()
    // says whether all of that happened, Problem() what did not and the logs.
    explicit RealDesktop(Kind kind);
    ~RealDesktop();
    RealDesktop(const RealDesktop&) = delete;
    RealDesktop& operator=(const RealDesktop&) = delete;

    // Empty when the desktop's packages are there; else why the desktop cannot be had here.
    static std::string Missing(Kind kind);

    bool Ready() const { return ready_; }
    std::string Problem() const;
    Kind Which() const { return kind_; }
    // A folder for the test's files, removed with the desktop.
    const std::filesystem::path& Home() const { return home_; }

    // Starts `args` in the desktop's environment plus `extra` ("NAME=value", replacing the
    // desktop's), its output appended to `log`; ended with the desktop at the latest.
    pid_t Start(const std::vector<std::string>& args, const std::filesystem::path& log,
                const std::vector<std::string>& extra = {});
    // Runs a shell command line to its end: its standard output, or nullopt when it failed.
    std::optional<std::string> Run(const std::string& command) const;

    // KDE only: every window as "*class|caption" (the active one) or "-class|caption", one a
    // line, as the compositor's scripting sees them; nullopt when it did not answer.
    std::optional<std::string> Windows() const;
    // The screen as a PNG file at `png` (KDE only: mutter alone has no screenshot service
    // without PipeWire); for a person to look at, never for a test's verdict.
    bool Screenshot(const std::filesystem::path& png) const;

private:
    std::vector<std::string> Environment(const std::vector<std::string>& extra) const;
    bool StartCompositor();
    bool StartPortals();
    bool OnBus(const std::string& name) const;

    Kind kind_;
    std::filesystem::path root_;
    std::filesystem::path runtime_;
    std::filesystem::path home_;
    std::string busAddress_;
    std::string problem_;
    std::vector<pid_t> processes_;  // ended in reverse order
    bool ready_ = false;
};

}  // namespace kyq::test
