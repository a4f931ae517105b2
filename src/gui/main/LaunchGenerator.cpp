#include "gui/main/LaunchGenerator.h"

#include <QString>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/document/PathText.h"
#include "core/settings/Registry.h"
#include "core/workflow/CommonDialog.h"
#include "core/workflow/KyqApp.h"
#include "gui/widgets/DesktopLink.h"

namespace kyq {

namespace {

// The Linux build's name first; an installation made for the older name still counts.
constexpr const char* GeneratorFiles[] = {"ranzel", "ranzel.exe"};
constexpr char GeneratorKey[] = "Software\\Tarnwick\\Ranzel";

bool IsFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

// The generator in `folder` (ending in "/"), or "" when it holds none.
std::string GeneratorIn(const std::string& folder)
{
    for (const char* name : GeneratorFiles) {
        if (IsFile(folder + name))
            return folder + name;
    }
    return {};
}

bool Start(KyqApp& app, const std::string& path)
{
    // Not waited for and nothing taken back; a failure is said and logged there.
    return StartProgram(app, QString::fromStdString(path));
}

}  // namespace

void LaunchGenerator(KyqApp& app, CommonDialog& dialog)
{
    std::string& path = app.Session.GeneratorPath;
    if (IsFile(path) && Start(app, path))
        return;
    path.clear();
    // The recorded folder ends in a separator; one written by hand may not.
    const std::string folder =
        WithTrailingSlash(ReadTextValue(app.Registry, Hive::LocalMachine, GeneratorKey, "Path"));
    if (!folder.empty())
        path = GeneratorIn(folder);
    if (path.empty())
        path = GeneratorIn(app.ProgramFolder);
    if (!path.empty() && Start(app, path))
        return;

    // Until the user picks a program that starts, or gives up: a wrong pick (a file that
    // is not a program) must not stand in the way of the next try.
    for (;;) {
        dialog.DialogTitle = u"请指定Ranzel的文件名";
        dialog.Flags = CommonDialog::FileMustExist;
        dialog.FileName.clear();
        // Linux programs have no extension to filter on: any file may be one.
        dialog.Filter = u"可执行文件 (*)|*";
        const bool chosen = dialog.ShowOpen();
        dialog.Filter.clear();
        if (!chosen) {
            app.MsgBox(u"没有找到Ranzel，所以不能使用。\r\n请到Tarnwick工作室网站下载Ranzel。",
                       MsgButtons::OkOnly, MsgIcon::Information);
            path.clear();
            return;
        }
        path = dialog.FileName;
        dialog.FileName.clear();
        if (Start(app, path))
            return;
        path.clear();
    }
}

}  // namespace kyq
