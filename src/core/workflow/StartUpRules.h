// The rules of the program's start that need no window: the command line taken as one file
// name, the usage and warning texts, the installed major version and the newer version's
// launch, and the name a second start hands over.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kyq {

// The arguments after the program's name joined with single blanks: the whole command line
// is one file name, however the shell split it.
std::string JoinCommandLine(int argc, const char* const* argv);

// True when "/?" occurs anywhere in the command line, or the whole of it is -h or --help.
bool HasHelpSwitch(std::string_view commandLine);

// "--fill", the whole command line: the running instance is to open its fill dialog for the
// window that has the focus (the hot key where the desktop lets programs bind none
// themselves; the user binds this command to the chord in the desktop's settings).
bool IsFillSwitch(std::string_view commandLine);
inline constexpr char16_t NoInstanceForFillText[] =
    u"Keyquill没有在运行，无法自动填充。请先启动Keyquill并打开密码文件，再按快捷键。";

// The lines shown for "/?", joined by CR LF.
std::u16string UsageText();

// What a command line asks for that needs neither a display nor the instance: "-h",
// "--help" or "--version" as the whole of it. Decided before the GUI starts, so that it
// also answers in a terminal without a display.
enum class ConsoleRequest { None, Usage, Version };
ConsoleRequest ConsoleRequestOf(std::string_view commandLine);
// The usage for standard output: UTF-8, each line ending in LF, every option named.
std::string ConsoleUsageText();
// "<program> (Keyquill) <major>.<minor>.<build>" and LF, the version the package carries.
std::string ConsoleVersionText(std::string_view program);
// The warning for a command line that names no file: the line, a blank line, the usage.
std::u16string InvalidCommandText(std::string_view commandLine);
inline constexpr char16_t NewerVersionQuestion[] =
    u"此计算机上安装有更高版本的Keyquill，你要退出此版本并运行新版本吗？";

// The major number of an installed version text ("2.01.0026" -> 2): the decimal digits at
// the start of the text before its first "."; 0 when there are none. Numbers too large
// for an int count as the largest int.
int InstalledMajorVersion(std::string_view version);

// How the newer installed version is started: its program in the recorded folder, with the
// command line as its one argument (none when empty), so that it sees the same file name.
struct ProgramLaunch {
    std::string Program;
    std::vector<std::string> Arguments;
};
ProgramLaunch NewerVersionLaunch(std::string_view installedPath, std::string_view commandLine);

// An existing regular file named by the command line, as an absolute path; "" when the
// command line names no such file. Relative names are taken from the current folder.
std::string ExistingFileOf(std::string_view commandLine);

// Command.dat's text for a handed-over file: the name in double quotes, so that the
// receiver's item rule keeps commas and blanks; a name holding a double quote itself
// cannot be quoted and goes as it is.
std::string HandOverCommandText(std::string_view path);

}  // namespace kyq
