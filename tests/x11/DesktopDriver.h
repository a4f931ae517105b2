// What an end-to-end test of the real program does on its X server, the way a user would:
// a private home for the program's files and settings, windows found by their titles,
// keys and clicks through xdotool, and a document written for the test.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/RuntimeFolder.h"
#include "support/ScratchFolder.h"

namespace kyq::test {

// Output of a shell command (DISPLAY is already the test's server).
std::string Capture(const std::string& command);

// Visible windows whose title matches `pattern` (an extended regular expression).
std::vector<std::string> VisibleWindows(const std::string& pattern);
// The first of them, "" when there is none.
std::string VisibleWindow(const std::string& pattern);
bool IsViewable(const std::string& window);
// Width and height of the window's inside, "WxH".
std::string WindowSize(const std::string& window);

// Gives `window` the focus (through the window manager), then runs the xdotool command.
bool SendTo(const std::string& window, const std::string& xdotoolCommand);

// A folder standing for the user's home: settings, runtime and cache folders inside it,
// the environment pointed at them for the programs the test starts. Removed at the end.
class ProgramHome {
public:
    explicit ProgramHome(const std::string& name);
    ~ProgramHome();
    ProgramHome(const ProgramHome&) = delete;
    ProgramHome& operator=(const ProgramHome&) = delete;

    const std::filesystem::path& Path() const { return home_; }
    // Where Handle.dat lives for a program started on $DISPLAY.
    std::filesystem::path InstanceFolder() const
    {
        return home_ / "runtime" / "Tarnwick-KYQ" / CurrentSessionFolderName();
    }
    std::filesystem::path LogFile() const { return home_ / "kyq.log"; }
    std::string Log() const;

    // A document owned by "测试者" with the records "bank" and "mail", changed today.
    std::string MakeDocument(const std::string& name, const std::u16string& password) const;

private:
    ScratchFolder scratch_;
    std::filesystem::path home_;
};

}  // namespace kyq::test
