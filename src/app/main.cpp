// KYQ: the password manager's program. The start-up sequence decides whether this is the
// first start or a second one handing its file over, and brings the program up.
#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>
#include <QDBusConnection>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QProcess>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/workflow/KyqApp.h"
#include "core/workflow/StartUpRules.h"
#include "platform/copy/CopyDesktop.h"
#include "platform/portal/PortalDesktop.h"
#include "platform/wlroots/WlrootsDesktop.h"
#include "platform/x11/X11Desktop.h"
#include "gui/entries/EntryForms.h"
#include "gui/main/frmMain.h"
#include "gui/shell/AppForms.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/shell/GuiResources.h"
#include "gui/shell/QtLog.h"
#include "gui/shell/QtMessageService.h"
#include "app/StartUp.h"
#include "platform/Log.h"
#include "platform/RegistryStore.h"
#include "platform/RuntimeFolder.h"
#include "platform/portal/GlobalShortcutsPortal.h"
#include "platform/qt/HandOverChannel.h"
#include "platform/portal/RemoteDesktopPortal.h"

namespace {

// The forms of the other parts, known to the main window by name.
void RegisterForms(kyq::frmMain& main, kyq::MainWindowRules& rules)
{
    kyq::RegisterAppForms(main);
    kyq::RegisterEntryForms(main, rules);
}

// Where the remote-desktop portal keeps the user's consent between sessions. The hive is
// readable by the user only.
constexpr std::string_view PortalKey = "Software\\Tarnwick\\KYQ\\Portal";
constexpr std::string_view RestoreTokenValue = "RestoreToken";

// The app_id QtWayland gives the program's windows: the desktop file's name where one is
// set, else the executable's.
std::string OwnAppId()
{
    const QString desktop = QGuiApplication::desktopFileName();
    return (desktop.isEmpty() ? QFileInfo(QCoreApplication::applicationFilePath()).baseName()
                              : desktop)
        .toStdString();
}

// One back end per desktop: the compositor's own protocols where it has them (wlroots),
// else the desktop's remote-desktop portal (GNOME, KDE), else a desktop that can only copy
// (the fill dialog says so).
std::unique_ptr<kyq::FillDesktop> MakeWaylandFillDesktop(kyq::KyqApp& app)
{
    auto wlroots = std::make_unique<kyq::WlrootsDesktop>(OwnAppId());
    if (wlroots->Available())
        return wlroots;
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!kyq::RemoteDesktopPortal::Offered(bus))
        return std::make_unique<kyq::CopyDesktop>();
    std::string token;
    if (auto stored = app.Registry.GetValue(kyq::Hive::CurrentUser, PortalKey, RestoreTokenValue);
        stored && stored->kind == kyq::RegistryValue::Kind::String)
        token = stored->text;
    return std::make_unique<kyq::PortalDesktop>(
        bus, std::move(token), [&app](const std::string& newToken) {
            if (!app.Registry.SetValue(kyq::Hive::CurrentUser, PortalKey, RestoreTokenValue,
                                       kyq::RegistryValue::String(newToken)))
                kyq::LogWarning(kyq::LogArea::Keyboard, "the remote-desktop portal's restore token could not be stored; "
                         "the desktop will ask again next time");
        });
}

// The X ids of the program's top-level windows (main window, dialogs, message boxes, menus).
std::vector<uint64_t> OwnX11Windows()
{
    std::vector<uint64_t> ids;
    for (const QWidget* widget : QApplication::topLevelWidgets()) {
        // internalWinId: a widget without a native window is not asked to create one.
        if (const WId id = widget->internalWinId())
            ids.push_back(static_cast<uint64_t>(id));
    }
    return ids;
}

std::unique_ptr<kyq::MainWindowPlatform> MakePlatform(kyq::KyqApp& app, kyq::frmMain& main,
                                                      const std::string& instanceFolder)
{
    // X11: the keyboard hook watches for the hot key. Wayland lets no program watch the
    // keys: the desktop's global-shortcuts portal or its own binding running "KYQ --fill"
    // brings the hot key, and no X11 call is made. Elsewhere
    // (offscreen, ...) the program runs without the desktop features.
    std::unique_ptr<kyq::DesktopPlatform> platform;
    const QString name = QGuiApplication::platformName();
    if (name == QLatin1String("xcb")) {
        platform = std::make_unique<kyq::DesktopPlatform>(
            app, main, std::make_unique<kyq::X11Desktop>(OwnX11Windows));
    } else if (name.startsWith(QLatin1String("wayland"))) {
        platform = std::make_unique<kyq::DesktopPlatform>(
            app, main, MakeWaylandFillDesktop(app), kyq::DesktopPlatform::HotKeySource::FillRequests);
        // Where the desktop offers global shortcuts, the hot key is bound there too.
        const QDBusConnection bus = QDBusConnection::sessionBus();
        if (kyq::GlobalShortcutsPortal::Offered(bus))
            platform->UseShortcutPortal(std::make_unique<kyq::GlobalShortcutsPortal>(bus));
    } else {
        return nullptr;
    }
    platform->SetInstanceFolder(instanceFolder);
    return platform;
}

std::optional<int64_t> SendFillRequest(const std::string& folder, uint64_t window)
{
    return kyq::SendHandOverMessage(folder, window, kyq::HandOverFillKind, 0, 0);
}

// "--fill" is a desktop's hot key: the user waits for the fill dialog. Its request goes
// over before the GUI's start (platform plugin, fonts, translations, icons), which would
// take most of that wait; only when nobody takes it does the full start follow, to say
// so in a message box.
bool FillHandedOverEarly(int& argc, char** argv)
{
    const QCoreApplication core(argc, argv);
    kyq::InstallQtLogSink();
    auto folder = kyq::SessionRuntimeFolder();
    return folder && kyq::HandFillRequestOver(*folder, SendFillRequest);
}

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    QStringList list;
    for (const std::string& argument : arguments)
        list << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(program), list);
}

// A usage or version that did not reach the terminal (a closed pipe, a full disk) is a
// failure the caller can see.
int PrintAndExit(const std::string& text)
{
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "KYQ: 无法写出 (cannot write to standard output): %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Taken before Qt removes the arguments it understands: a file may be named "-style".
    const std::string commandLine = kyq::JoinCommandLine(argc, argv);
    // Answered in the terminal before Qt looks for a display or the instance is asked.
    switch (kyq::ConsoleRequestOf(commandLine)) {
    case kyq::ConsoleRequest::Usage:
        return PrintAndExit(kyq::ConsoleUsageText());
    case kyq::ConsoleRequest::Version:
        return PrintAndExit(kyq::ConsoleVersionText("KYQ"));
    case kyq::ConsoleRequest::None:
        break;
    }
    if (kyq::IsFillSwitch(commandLine) && FillHandedOverEarly(argc, argv))
        return 0;

    QApplication qtApp(argc, argv);
    kyq::InstallQtLogSink();
    QApplication::setApplicationName(QStringLiteral("Keyquill"));
    // The program ends with the main window's unload, not with its last visible window
    // (the main window may be hidden in the tray; the splash may be the only one shown).
    QApplication::setQuitOnLastWindowClosed(false);
    kyq::InitGuiResources();
    // Message boxes and file dialogs carry the program's icon like its own windows.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/keyquill.svg")));
    // Qt's own texts (file dialogs, standard buttons, context menus) in Chinese whatever
    // the locale: the whole interface is Chinese by design.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_zh_CN"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    else
        kyq::LogWarning(kyq::LogArea::Desktop,
                        "Qt's Chinese translation qtbase_zh_CN.qm was not found in " +
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath).toStdString());

    kyq::StartUpOptions options;
    options.ProgramFolder = QCoreApplication::applicationDirPath().toStdString() + "/";
    options.RegistryFolder = kyq::RegistryStore::DefaultFolder();
    options.MakePlatform = MakePlatform;
    options.RegisterForms = RegisterForms;
    options.StartProgram = StartProgram;
    // The launcher's activation token goes with the message: on Wayland the running
    // instance needs it to bring its window forward.
    options.SendHandOver = [](const std::string& folder, uint64_t window,
                              const std::string& text) {
        return kyq::SendHandOverMessage(folder, window, kyq::HandOverOpenKind, 0, 0,
                                        QByteArray::fromStdString(text),
                                        qgetenv("XDG_ACTIVATION_TOKEN"));
    };
    options.SendFillRequest = SendFillRequest;
    options.DesktopMessages = true;
    options.QuitOnUnload = true;

    kyq::StartUp startUp(std::move(options), std::make_unique<kyq::QtMessageService>());
    if (startUp.Run(commandLine) == kyq::StartOutcome::Ended)
        return 0;
    return QApplication::exec();
}
