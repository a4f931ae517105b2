// Where the program's read-only data lives (help pages, read-me): beside the executable in
// the build tree, under <prefix>/share/keyquill once installed.
#pragma once

#include <string>

namespace kyq {

// programFolder: the executable's folder ending in "/". Returns <programFolder>../share/keyquill/
// when that folder exists (an installed copy), else programFolder itself; always ends in "/".
std::string ProgramDataFolder(const std::string& programFolder);
// The folder of the help pages, ending in "/".
std::string HelpFolder(const std::string& programFolder);
// A name that stays inside a folder: not empty, no "/", not "." or "..".
bool IsPlainFileName(const std::string& name);
// The file of a help topic ("intro.htm"); "" when the topic is not a plain file name, so that
// a topic can never reach outside the help folder.
std::string HelpTopicPath(const std::string& programFolder, const std::string& topic);
std::string ReadmePath(const std::string& programFolder);

}  // namespace kyq
