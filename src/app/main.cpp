// KYQ: the password manager's program. Creates the application object and the main window,
// loads the settings and opens the document named on the command line (or the last one).
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <string>

#include "app/AppForms.h"
#include "app/DesktopPlatform.h"
#include "app/GuiResources.h"
#include "app/KyqApp.h"
#include "app/QtMessageService.h"
#include "app/X11MessageFilter.h"
#include "autofill/FillHistory.h"
#include "autofill/X11FillDesktop.h"
#include "entries/EntryForms.h"
#include "platform/Utf.h"
#include "workflow/PathText.h"
#include "workflow/frmMain.h"

namespace {

constexpr char16_t UsageText[] =
    u"参数说明： KYQ.exe [文件名] [/?]\r\n  文件名  用“Keyquill”打开文件\r\n  /?      显示参数说明";

// The whole argument text as one file name, as the program takes it.
std::string CommandLine(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

bool IsFile(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Keyquill"));
    kyq::InitGuiResources();

    const std::string programFolder = QCoreApplication::applicationDirPath().toStdString() + "/";
    kyq::KyqApp app(programFolder, kyq::RegistryStore::DefaultFolder(),
                    std::make_unique<kyq::QtMessageService>());
    app.Document.PreviousPath.clear();
    const std::string commandLine = CommandLine(argc, argv);

    // The hot key, auto-fill and the other desktop features where the desktop is X11;
    // elsewhere the program runs without them.
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        app.SetPlatform(std::make_unique<kyq::DesktopPlatform>(
            app, std::make_unique<kyq::X11FillDesktop>()));
    }

    app.LoadSettings();
    kyq::frmMain mainWindow(app);
    kyq::RegisterAppForms(mainWindow);
    kyq::RegisterEntryForms(mainWindow);
    mainWindow.Form_Load();
    app.SaveSettings();
    kyq::LoadFillHistory(app.History, app.Registry);
    kyq::SaveFillHistory(app.History, app.Registry);
    app.Platform().InstallShellMessageFilter(app.WindowMessages);

    kyq::X11MessageFilter x11Messages(
        app, [&mainWindow] { return static_cast<uint32_t>(mainWindow.winId()); },
        kyq::X11MessageFilter::InternMessageAtom());
    qtApp.installNativeEventFilter(&x11Messages);

    std::string pending;
    if (!commandLine.empty()) {
        if (IsFile(commandLine)) {
            app.Settings.InitDir = kyq::FolderOfPath(commandLine);
            mainWindow.Workflow.CloseDocument();
            pending = commandLine;
        } else {
            if (commandLine.find("/?") != std::string::npos) {
                app.MsgBox(UsageText, kyq::MsgButtons::OkOnly, kyq::MsgIcon::Information);
            } else {
                app.MsgBox(u"无效的命令或找不到此文件：" + kyq::Utf8ToUtf16(commandLine) +
                               u"\r\n\r\n" + UsageText,
                           kyq::MsgButtons::OkOnly, kyq::MsgIcon::Warning);
            }
            return 0;
        }
    } else if (!app.Settings.LastFile.empty() && app.Settings.AutoLoad &&
               IsFile(app.Settings.LastFile)) {
        mainWindow.Workflow.CloseDocument();
        pending = app.Settings.LastFile;
    }

    mainWindow.show();
    if (!pending.empty()) {
        QTimer::singleShot(0, &mainWindow,
                           [&mainWindow, pending] { mainWindow.Workflow.ProbeDocument(pending); });
    }
    const int result = QApplication::exec();
    qtApp.removeNativeEventFilter(&x11Messages);
    return result;
}
