#include "gui/widgets/DesktopLink.h"

#include <QDesktopServices>
#include <QProcess>

#include "core/workflow/KyqApp.h"
#include "platform/Log.h"

namespace kyq {

bool OpenWithDesktop(KyqApp& app, const QUrl& url)
{
    if (QDesktopServices::openUrl(url))
        return true;
    const QString shown = url.isLocalFile() ? url.toLocalFile() : url.toString();
    LogWarning(LogArea::Desktop, "no program of the desktop opened " + url.toString().toStdString() +
                                     " (xdg-open missing or refused it)");
    app.MsgBox(u"无法打开“" + shown.toStdU16String() + u"”：桌面上没有能打开它的程序。",
               MsgButtons::OkOnly, MsgIcon::Warning);
    return false;
}

bool StartProgram(KyqApp& app, const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    if (process.startDetached())
        return true;
    LogWarning(LogArea::Desktop, "could not start " + program.toStdString() + ": " +
                                     process.errorString().toStdString());
    app.MsgBox(u"无法启动“" + program.toStdU16String() + u"”：" +
                   (process.error() == QProcess::FailedToStart ? u"文件不存在或不可执行。"
                                                              : u"系统拒绝了。"),
               MsgButtons::OkOnly, MsgIcon::Warning);
    return false;
}

}  // namespace kyq
