#include "core/workflow/StartUpRules.h"

#include <climits>
#include <filesystem>
#include <system_error>

#include "core/document/PathText.h"
#include "core/settings/AppSettings.h"
#include "platform/Utf.h"

namespace kyq {

std::string JoinCommandLine(int argc, const char* const* argv)
{
    std::string line;
    for (int i = 1; i < argc && argv && argv[i]; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

bool HasHelpSwitch(std::string_view commandLine)
{
    if (commandLine.find("/?") != std::string_view::npos)
        return true;
    // What every Linux program takes as a request for its usage.
    const size_t first = commandLine.find_first_not_of(' ');
    const size_t last = commandLine.find_last_not_of(' ');
    if (first == std::string_view::npos)
        return false;
    const std::string_view word = commandLine.substr(first, last - first + 1);
    return word == "-h" || word == "--help";
}

bool IsFillSwitch(std::string_view commandLine)
{
    return commandLine == "--fill";
}

namespace {

// Every option the program takes, in the order the usage names them; the box and the
// terminal show the same rows.
struct UsageRow {
    std::string_view Option;
    std::string_view Meaning;
    std::string_view English;
};
constexpr UsageRow UsageRows[] = {
    {"文件名", "用“Keyquill”打开文件", "open the file"},
    {"/?", "显示参数说明", "show this usage in a message box"},
    {"-h, --help", "在终端上显示参数说明", "print this usage and exit"},
    {"--version", "在终端上显示版本", "print the version and exit"},
    {"--fill", "在运行中的Keyquill里打开自动填充窗口（绑定到桌面的快捷键）",
     "open the fill dialog of the running instance; bind it to the desktop's hot key"},
};
constexpr std::string_view UsageLine = "KYQ [文件名] [/?] [-h | --help] [--version] [--fill]";

// Columns a UTF-8 text takes in a terminal: one per character, two for the CJK ones
// (all of them three-byte sequences).
size_t ScreenWidth(std::string_view text)
{
    size_t width = 0;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) != 0x80)
            width += (byte & 0xF0) == 0xE0 ? 2 : 1;
    }
    return width;
}

}  // namespace

std::u16string UsageText()
{
    // Tabs, not blanks: the box's font is proportional, and tab stops line the
    // descriptions up.
    std::u16string text = u"参数说明： " + Utf8ToUtf16(UsageLine);
    for (const UsageRow& row : UsageRows)
        text += u"\r\n  " + Utf8ToUtf16(row.Option) + u"\t" + Utf8ToUtf16(row.Meaning);
    return text;
}

ConsoleRequest ConsoleRequestOf(std::string_view commandLine)
{
    const size_t first = commandLine.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return ConsoleRequest::None;
    const std::string_view word =
        commandLine.substr(first, commandLine.find_last_not_of(' ') - first + 1);
    if (word == "-h" || word == "--help")
        return ConsoleRequest::Usage;
    if (word == "--version")
        return ConsoleRequest::Version;
    return ConsoleRequest::None;
}

std::string ConsoleUsageText()
{
    // Bilingual like kyq-cli's, and laid out the way help2man reads a usage.
    std::string text = "Usage: " + std::string(UsageLine) + "\n\n";
    text += "参数说明 (options):\n";
    for (const UsageRow& row : UsageRows) {
        // A terminal's font is fixed: the option column is padded to its width on screen.
        const size_t width = ScreenWidth(row.Option);
        text += "  " + std::string(row.Option) + std::string(width < 14 ? 14 - width : 1, ' ') +
                std::string(row.Meaning) + "\n" + std::string(16, ' ') + "(" +
                std::string(row.English) + ")\n";
    }
    text += "\n整个命令行被当作一个文件名，不需要加引号。\n"
            "(The whole command line is one file name; no quotes are needed.)\n";
    return text;
}

std::string ConsoleVersionText(std::string_view program)
{
    return std::string(program) + " (Keyquill) " + std::to_string(ProgramMajor) + "." +
           std::to_string(ProgramMinor) + "." + std::to_string(ProgramBuild) + "\n";
}

std::u16string InvalidCommandText(std::string_view commandLine)
{
    return u"无效的命令或找不到此文件：" + Utf8ToUtf16(commandLine) + u"\r\n\r\n" + UsageText();
}

int InstalledMajorVersion(std::string_view version)
{
    const std::string_view major = version.substr(0, version.find('.'));
    long long value = 0;
    for (const char c : major) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

ProgramLaunch NewerVersionLaunch(std::string_view installedPath, std::string_view commandLine)
{
    ProgramLaunch launch;
    // The record keeps its trailing "/"; one written by hand may lack it.
    launch.Program = WithTrailingSlash(installedPath) + "KYQ";
    if (!commandLine.empty())
        launch.Arguments.emplace_back(commandLine);
    return launch;
}

std::string ExistingFileOf(std::string_view commandLine)
{
    if (commandLine.empty())
        return {};
    std::error_code error;
    const std::filesystem::path path(commandLine);
    if (!std::filesystem::is_regular_file(path, error))
        return {};
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error)
        return {};
    return absolute.lexically_normal().string();
}

std::string HandOverCommandText(std::string_view path)
{
    if (path.find('"') != std::string_view::npos)
        return std::string(path);
    // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "literal" + string.
    std::string text = "\"";
    text += path;
    text += '"';
    return text;
}

}  // namespace kyq
