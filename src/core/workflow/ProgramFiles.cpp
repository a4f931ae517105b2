#include "core/workflow/ProgramFiles.h"

#include <filesystem>
#include <system_error>

#include "core/document/PathText.h"

namespace kyq {

std::string ProgramDataFolder(const std::string& programFolder)
{
    const std::string folder = WithTrailingSlash(programFolder);
    const std::string installed = folder + "../share/keyquill";
    std::error_code error;
    if (!std::filesystem::is_directory(installed, error))
        return folder;
    // Resolved the way the file system does, so a symbolic link on the way cannot make
    // the text differ from the folder that was found.
    const std::filesystem::path resolved = std::filesystem::canonical(installed, error);
    return error ? installed + "/" : WithTrailingSlash(resolved.string());
}

std::string HelpFolder(const std::string& programFolder)
{
    return ProgramDataFolder(programFolder) + "help/";
}

bool IsPlainFileName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

std::string HelpTopicPath(const std::string& programFolder, const std::string& topic)
{
    return IsPlainFileName(topic) ? HelpFolder(programFolder) + topic : std::string();
}

std::string ReadmePath(const std::string& programFolder)
{
    return ProgramDataFolder(programFolder) + "readme.txt";
}

}  // namespace kyq
