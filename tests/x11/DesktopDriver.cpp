#include "x11/DesktopDriver.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "support/DocumentTestSupport.h"
#include "x11/ProgramProcess.h"
#include "x11/XvfbServer.h"

namespace kyq::test {

std::string Capture(const std::string& command)
{
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

std::vector<std::string> VisibleWindows(const std::string& pattern)
{
    std::stringstream ids(
        Capture("xdotool search --onlyvisible --name '" + pattern + "' 2>/dev/null"));
    std::vector<std::string> found;
    for (std::string id; ids >> id;)
        found.push_back(id);
    return found;
}

std::string VisibleWindow(const std::string& pattern)
{
    const std::vector<std::string> found = VisibleWindows(pattern);
    return found.empty() ? std::string() : found.front();
}

bool IsViewable(const std::string& window)
{
    return Capture("xwininfo -id " + window + " 2>/dev/null").find("IsViewable") !=
           std::string::npos;
}

std::string WindowSize(const std::string& window)
{
    std::stringstream info(Capture("xwininfo -id " + window + " 2>/dev/null"));
    std::string width, height;
    for (std::string line; std::getline(info, line);) {
        if (line.find("  Width: ") == 0)
            width = line.substr(9);
        else if (line.find("  Height: ") == 0)
            height = line.substr(10);
    }
    return width + "x" + height;
}

bool SendTo(const std::string& window, const std::string& xdotoolCommand)
{
    if (window.empty())
        return false;
    // Activation is asked of the window manager; the keys must wait until it was granted.
    RunCommand("xdotool windowactivate --sync " + window + " >/dev/null 2>&1");
    if (!WaitFor([&] { return Capture("xdotool getactivewindow 2>/dev/null").find(window) == 0; },
                 std::chrono::seconds(10)))
        return false;
    return RunCommand("xdotool " + xdotoolCommand);
}

ProgramHome::ProgramHome(const std::string& name) : scratch_(name), home_(scratch_.Path())
{
    std::filesystem::create_directories(home_ / "runtime");
    chmod((home_ / "runtime").c_str(), 0700);
    for (const auto& [variable, sub] :
         {std::pair{"HOME", ""}, std::pair{"KYQ_REGISTRY_DIR", "registry"},
          std::pair{"XDG_CONFIG_HOME", "config"}, std::pair{"XDG_DATA_HOME", "data"},
          std::pair{"XDG_CACHE_HOME", "cache"}, std::pair{"XDG_RUNTIME_DIR", "runtime"}})
        setenv(variable, (home_ / sub).c_str(), 1);
}

ProgramHome::~ProgramHome() = default;

std::string ProgramHome::Log() const
{
    return "program output:\n" + ReadText(LogFile());
}

std::string ProgramHome::MakeDocument(const std::string& name,
                                      const std::u16string& password) const
{
    PasswordDocument doc;
    doc.OwnerName() = u"测试者";
    doc.DocumentPassword() = password;
    for (const char16_t* title : {u"bank", u"mail"})
        doc.AppendEntry(RecordChangedToday(title, u"me", u"secret"));
    doc.ReorderEntries(false);
    const std::string path = (home_ / name).string();
    // A test that opens a document which was never written would fail far from the cause.
    if (const FormatResult written = WriteDocument(doc, path); !written)
        throw std::runtime_error("cannot write " + path + ": " + written.error().Detail);
    return path;
}

}  // namespace kyq::test
