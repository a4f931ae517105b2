// How a document path is shown: its folder, its display name and the status-panel text.
// Paths are UTF-8 with "/" as the separator.
#pragma once

#include <string>
#include <string_view>

namespace kyq {

// The part before the last "/", without it; "" when there is none ("/a.kyq" gives "").
std::string FolderOfPath(std::string_view path);
// "无标题" for exactly "nul"; otherwise the text after the last "/" (the whole path without one).
std::u16string DisplayNameOfPath(std::string_view path);
// The folder with one "/" at its end, added where it lacks one; "" stays "" (no folder is
// not the root).
std::string WithTrailingSlash(std::string_view folder);
// The folder without the "/" at its end; the root "/" stays itself.
std::string WithoutTrailingSlash(std::string_view folder);
// `path` with " (n)" before its extension: "/d/a.kyq" and 2 give "/d/a (2).kyq"; a name
// without an extension (or a leading-dot name) gets it at its end.
std::string NumberedPath(std::string_view path, int n);
// "文件" + DisplayNameOfPath(path) + "共有" + count + "个密码。"
std::u16string StatusPanelText(std::string_view path, int count);

}  // namespace kyq
