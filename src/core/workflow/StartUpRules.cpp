#include "core/workflow/StartUpRules.h"

#include <climits>
#include <filesystem>
#include <system_error>

#include "core/document/PathText.h"
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

std::u16string UsageText()
{
    // Tabs, not blanks: the box's font is proportional, and tab stops line the
    // descriptions up.
    return u"参数说明： KYQ [文件名] [/?] [--fill]\r\n"
           u"  文件名\t用“Keyquill”打开文件\r\n"
           u"  /?\t显示参数说明\r\n"
           u"  --fill\t在运行中的Keyquill里打开自动填充窗口（绑定到桌面的快捷键）";
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
    return "\"" + std::string(path) + "\"";
}

}  // namespace kyq
