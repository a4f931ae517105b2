#include "gui/main/LaunchGenerator.h"

#include <QString>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/settings/Registry.h"
#include "core/workflow/CommonDialog.h"
#include "core/workflow/KyqApp.h"
#include "gui/widgets/DesktopLink.h"

namespace kyq {

namespace {

constexpr char GeneratorFile[] = "ranzel.exe";
constexpr char GeneratorKey[] = "Software\\Tarnwick\\Ranzel";

bool IsFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

void Start(KyqApp& app, const std::string& path)
{
    // Not waited for and nothing taken back.
    StartProgram(app, QString::fromStdString(path));
}

}  // namespace

void LaunchGenerator(KyqApp& app, CommonDialog& dialog)
{
    std::string& path = app.Session.GeneratorPath;
    if (IsFile(path)) {
        Start(app, path);
        return;
    }
    path = ReadTextValue(app.Registry, Hive::LocalMachine, GeneratorKey, "Path");
    if (!path.empty()) {
        // The recorded folder ends in a separator; one written by hand may not.
        if (path.back() != '/')
            path += '/';
        path += GeneratorFile;
    }
    if (!IsFile(path))
        path = app.ProgramFolder + GeneratorFile;
    if (IsFile(path)) {
        Start(app, path);
        return;
    }

    dialog.DialogTitle = u"请指定Ranzel的文件名";
    dialog.Flags = CommonDialog::FileMustExist;
    dialog.FileName.clear();
    dialog.Filter = u"可执行文件(*.exe)|*.exe|所有文件|*.*";
    const bool chosen = dialog.ShowOpen();
    if (!chosen) {
        dialog.Filter.clear();
        app.MsgBox(u"没有找到Ranzel，所以不能使用。\r\n请到Tarnwick工作室网站下载Ranzel。",
                   MsgButtons::OkOnly, MsgIcon::Information);
        path.clear();
        return;
    }
    path = dialog.FileName;
    dialog.FileName.clear();
    dialog.Filter.clear();
    Start(app, path);
}

}  // namespace kyq
