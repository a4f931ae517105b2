// Associates *.kyq with this program the freedesktop way: a MIME type package, a desktop
// entry that passes the path as the command line, and the default-application line of
// mimeapps.list, keeping whatever was the default before so that removal restores it.
#pragma once

#include <string>

#include "platform/Expected.h"

namespace kyq {

class FileAssociation {
public:
    static constexpr char MimeType[] = "application/x-keyquill";
    static constexpr char DesktopId[] = "com.example.tarnwick.Keyquill.desktop";
    static constexpr char MimePackageName[] = "keyquill.xml";

    // dataHome and configHome as the XDG base-directory rules define them
    // ($XDG_DATA_HOME or ~/.local/share, $XDG_CONFIG_HOME or ~/.config).
    FileAssociation(std::string dataHome, std::string configHome);
    static FileAssociation FromEnvironment();

    // Whether the type's default application is this program's desktop entry.
    bool IsAssociated() const;
    // Installs the MIME package and the desktop entry (Exec = programPath) and makes the
    // entry the type's default; the previous default stays listed after it. iconSvg, when
    // not empty, is installed as the "keyquill" icon of the user's icon theme folder, so
    // that the type and the entry show it also where the program is not installed. Every
    // file is tried; the first that could not be written (or mimeapps.list read) is
    // reported, and every one is logged. What was written stays.
    Expected<void> Register(const std::string& programPath, const std::string& iconSvg = {});
    // Removes this program's association and restores the previous default. When the
    // type's default belongs to another program nothing is changed. Reports and logs as
    // Register does a file that could not be read, written or removed.
    Expected<void> Unregister();

    // The installed files' contents.
    static std::string MimePackageText();
    static std::string DesktopEntryText(const std::string& programPath);
    // A program path as one argument of a desktop entry's Exec value.
    static std::string ExecArgument(const std::string& programPath);

    std::string MimePackagePath() const;
    std::string DesktopEntryPath() const;
    std::string IconPath() const;
    // The file Register edits, and the older per-user file that is read as well.
    std::string ConfigMimeAppsPath() const;
    std::string DataMimeAppsPath() const;

private:
    // The type's effective default desktop id, "" when none is set.
    std::string EffectiveDefault() const;

    std::string dataHome_;
    std::string configHome_;
};

}  // namespace kyq
