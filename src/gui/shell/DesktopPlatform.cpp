#include "gui/shell/DesktopPlatform.h"

#include "platform/FillDesktop.h"
#include "core/autofill/HotKeyText.h"
#include "core/workflow/HandOverDelivery.h"
#include "core/workflow/KyqApp.h"
#include "gui/autofill/HotKeyWatcherFilter.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"
#include "gui/shell/ShellMessageFilter.h"
#include "gui/shell/TrayIcon.h"
#include "platform/HandOverFiles.h"
#include "platform/HookMessage.h"
#include "platform/Log.h"
#include "platform/Utf.h"
#include "platform/portal/GlobalShortcutsPortal.h"
#include "platform/qt/HandOverChannel.h"
#include "platform/wayland/ForeignToplevels.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/KeybHook.h"
#include "platform/x11/KeyboardHookLoader.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileInfo>
#include <QApplication>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace kyq {

namespace {
// The one shortcut the program binds at the desktop.
constexpr const char* PortalShortcutId = "fill";
}  // namespace

DesktopPlatform::DesktopPlatform(KyqApp& app, frmMain& main, MainWindowRules& rules,
                                 std::unique_ptr<FillDesktop> fillDesktop,
                                 HotKeySource hotKeySource)
    : app_(app),
      fillDesktop_(std::move(fillDesktop)),
      hotKeySource_(hotKeySource),
      hotKeyFilter_(fillDesktop_ ? std::make_unique<HotKeyWatcherFilter>(app_, *fillDesktop_)
                                 : nullptr),
      main_(main),
      rules_(rules)
{
    if (!fillDesktop_)
        throw std::invalid_argument("DesktopPlatform needs a fill desktop");
    hotKeyFilter_->SetTrayMessage([this](const std::u16string& text) {
        return tray_ && tray_->ShowMessage(QString::fromStdU16String(text));
    });
}

DesktopPlatform::~DesktopPlatform()
{
    // Filters leave the chain in the reverse order of their installation.
    shellFilter_.reset();
    // The watcher (and a fill dialog it opened) goes before the desktop it types through.
    hotKeyFilter_.reset();
}

// --- Hot key and auto-fill ---

void DesktopPlatform::InstallHotKeyWatcher(MessageChain& chain, uint64_t window)
{
    hotKeyFilter_->ClearModifiers();
    if (hotKeySource_ == HotKeySource::FillRequests) {
        hotKeyFilter_->Install(chain);
        if (shortcutPortal_) {
            portalBound_ = true;
            BindPortalShortcut(false);
        }
        return;
    }
    if (!hookLoader_)
        hookLoader_ = std::make_unique<KeyboardHookLoader>(app_.ProgramFolder);
    hookActive_ = hookLoader_->Set(static_cast<unsigned long>(window), KeyboardHookMessage);
    hotKeyFilter_->Install(chain);
    HotKeyChanged();
}

void DesktopPlatform::UseShortcutPortal(std::unique_ptr<GlobalShortcutsPortal> portal)
{
    shortcutPortal_ = std::move(portal);
    if (!shortcutPortal_)
        return;
    // The same path as a desktop binding's "KYQ --fill": the running instance records the
    // target and opens the fill dialog.
    QObject::connect(shortcutPortal_.get(), &GlobalShortcutsPortal::activated,
                     shortcutPortal_.get(), [this](const QString& id) {
                         if (portalBound_ && id == QLatin1String(PortalShortcutId))
                             app_.PostMessage(WindowMessage{WM_FILL_REQUEST, 0, 0});
                     });
    QObject::connect(shortcutPortal_.get(), &GlobalShortcutsPortal::assignmentChanged,
                     shortcutPortal_.get(), [this] {
                         const std::string assigned =
                             shortcutPortal_->AssignedTrigger().toStdString();
                         if (shortcutPortal_->AssignedTrigger().isEmpty())
                             LogWarning(LogArea::Keyboard,
                                        "the desktop assigned no global shortcut to the fill "
                                        "dialog (proposed " +
                                            ShortcutTriggerText(app_.Settings.hotKey) + ")");
                         if (shortcutChanged_)
                             shortcutChanged_();
                     });
}

void DesktopPlatform::BindPortalShortcut(bool userAsked)
{
    shortcutPortal_->Bind(QLatin1String(PortalShortcutId), QStringLiteral("打开填写密码窗口"),
                          QString::fromStdString(ShortcutTriggerText(app_.Settings.hotKey)),
                          userAsked);
    if (shortcutChanged_)
        shortcutChanged_();
}

std::optional<MainWindowPlatform::DesktopShortcutState> DesktopPlatform::DesktopShortcut() const
{
    if (!shortcutPortal_)
        return std::nullopt;
    return DesktopShortcutState{shortcutPortal_->Answered(),
                                shortcutPortal_->AssignedTrigger().toStdString()};
}

void DesktopPlatform::WatchDesktopShortcut(std::function<void()> changed)
{
    shortcutChanged_ = std::move(changed);
}

void DesktopPlatform::HotKeyChanged()
{
    // Only a chord chosen in the options comes here once the watcher runs.
    if (shortcutPortal_ && portalBound_)
        BindPortalShortcut(true);
    const bool wasBusy = hotKeyBusy_;
    hotKeyBusy_ = false;
    keyMissing_ = false;
    if (!hookActive_)
        return;
    const HotKey& key = app_.Settings.hotKey;
    const unsigned modifiers = (key.Shift ? KEYBHOOK_SHIFT : 0) | (key.Ctrl ? KEYBHOOK_CTRL : 0) |
                               (key.Alt ? KEYBHOOK_ALT : 0);
    const int result = hookLoader_->Grab(static_cast<unsigned>(key.Main), modifiers);
    hotKeyBusy_ = result == KEYBHOOK_GRAB_BUSY;
    if (hotKeyBusy_ && !wasBusy) {
        LogWarning(LogArea::Keyboard,
                   "another X client holds a grab of the hot key " + HotKeyText(key) +
                       "; the hot key still works, but that client receives the chord too; "
                       "it is taken as soon as that client lets it go");
    }
    keyMissing_ = result == KEYBHOOK_GRAB_NO_KEY;
    if (keyMissing_) {
        LogWarning(LogArea::Keyboard, "the keyboard map has no key for the hot key " +
                                          HotKeyText(key) +
                                          "; it is taken once a map has one");
    }
    if (hotKeyBusy_) {
        if (!grabRetry_) {
            grabRetry_ = std::make_unique<QTimer>();
            grabRetry_->setInterval(2000);
            QObject::connect(grabRetry_.get(), &QTimer::timeout, [this] {
                if (!grabPaused_)
                    HotKeyChanged();
            });
        }
        grabRetry_->start();
    } else if (grabRetry_) {
        grabRetry_->stop();
    }
    // Taken all the same, to learn whether another program holds it; given up again
    // while the options dialog wants it.
    if (grabPaused_)
        hookLoader_->Grab(0, 0);
}

bool DesktopPlatform::HotKeyKeyMissing() const
{
    if (!hookActive_)
        return false;
    // While paused the chord is not set, and the answer of its last setting stands.
    return grabPaused_ ? keyMissing_ : hookLoader_->GrabState() == KEYBHOOK_GRAB_NO_KEY;
}

void DesktopPlatform::SetHotKeyGrabPaused(bool paused)
{
    if (paused == grabPaused_)
        return;
    grabPaused_ = paused;
    if (!hookActive_)
        return;
    if (paused)
        hookLoader_->Grab(0, 0);
    else
        HotKeyChanged();
}

void DesktopPlatform::RemoveHotKeyWatcher(MessageChain& /*chain*/)
{
    portalBound_ = false;
    if (hookLoader_)
        hookLoader_->Release();
    hookActive_ = false;
    hotKeyBusy_ = false;
    grabRetry_.reset();
    hotKeyFilter_->Remove();
}

// --- Single instance: Handle.dat and the hand-over channel ---

void DesktopPlatform::SetInstanceFolder(std::string folder)
{
    instanceFolder_ = std::move(folder);
}

void DesktopPlatform::WriteHandleFile(uint64_t window)
{
    if (instanceFolder_.empty())
        return;
    if (!handOverServer_) {
        handOverServer_ = std::make_unique<HandOverServer>();
        HandOverServer* server = handOverServer_.get();
        QObject::connect(server, &HandOverServer::messageReceived, server,
                         [this, server](quint64 id, qint64 message, qint64, qint64,
                                        const QByteArray& text, const QByteArray& activation) {
                             // A fill request is answered at once: the binding that
                             // sent it waits for nothing the user does in the dialog.
                             if (message == WM_FILL_REQUEST) {
                                 server->Reply(id, 0);
                                 app_.PostMessage(WindowMessage{WM_FILL_REQUEST, 0, 0});
                                 return;
                             }
                             // Only the hand-over is taken from another process. Its id
                             // rides in lParam (which the handler does not otherwise
                             // use) so that the reply finds the sender that waits.
                             if (message != WM_HANDOVER ||
                                 id > static_cast<quint64>(std::numeric_limits<int32_t>::max())) {
                                 server->Reply(id, 0);
                                 return;
                             }
                             const auto token = static_cast<int32_t>(id);
                             KeepHandOverText(token, text.toStdString());
                             app_.PostMessage(WindowMessage{WM_HANDOVER, 0, token});
                             RaiseAfterHandOver(activation);
                         });
    }
    HandOverPublishSteps steps;
    steps.RemoveStaleFile = [this] { (void)RemoveHandleFile(instanceFolder_); };
    steps.Listen = [this, window] { return handOverServer_->Listen(instanceFolder_, window); };
    steps.WriteFile = [this, window] { return kyq::WriteHandleFile(instanceFolder_, window); };
    if (const Expected<void> published = PublishHandOver(steps); !published) {
        LogWarning(LogArea::Desktop, "no hand-overs from other starts: " + published.error().Detail);
        app_.MsgBoxWithDetails(Utf8ToUtf16(published.error().Message),
                               Utf8ToUtf16(published.error().Detail), MsgButtons::OkOnly,
                               MsgIcon::Warning);
    }
}

void DesktopPlatform::DeleteHandleFile()
{
    if (instanceFolder_.empty())
        return;
    (void)RemoveHandleFile(instanceFolder_);  // a failure is logged
    if (handOverServer_)
        handOverServer_->Close();
}

bool DesktopPlatform::TakingHandOvers() const
{
    return handOverServer_ && handOverServer_->IsListening();
}

void DesktopPlatform::KeepHandOverText(int32_t token, std::string text)
{
    handOverTexts_[token] = std::move(text);
}

void DesktopPlatform::RaiseAfterHandOver(const QByteArray& activationToken)
{
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        return;
    // The toolkit hands this token to the compositor at the window's next activation,
    // which the hand-over's showing of the window asks for.
    if (!activationToken.isEmpty())
        qputenv("XDG_ACTIVATION_TOKEN", activationToken);
    // After the hand-over has shown the window (queued behind it; a splash may still hold
    // it back, and then the splash brings the window itself).
    QTimer::singleShot(0, &main_, [this, given = !activationToken.isEmpty()] {
        // A window of ours with the focus (the password prompt of the file handed over)
        // keeps it.
        if (!main_.isVisible() || QApplication::activeWindow())
            return;
        if (auto connection = WaylandConnection::Connect(); connection &&
                                                             connection->ToplevelManager()) {
            ForeignToplevels toplevels(*connection);
            const std::string appId =
                QFileInfo(QCoreApplication::applicationFilePath()).baseName().toStdString();
            if (toplevels.ActivateNamed(appId, main_.windowTitle().toStdString(),
                                        std::chrono::seconds(2)))
                return;
        }
        if (!given)
            std::fprintf(stderr, "Keyquill: the main window cannot be brought forward: the start "
                                 "handed over no activation token (XDG_ACTIVATION_TOKEN) and the "
                                 "compositor offers no foreign-toplevel activation\n");
    });
}

// --- Tray icon, shell message filter, closing and minimising to the tray ---

void DesktopPlatform::AddTrayIcon()
{
    if (!tray_) {
        tray_ = std::make_unique<TrayIcon>();
        // Like the window's messages, a click waits while a document is being read.
        tray_->SetHandler([this](int32_t mouseEvent) {
            rules_.Presenter.RunOutsideReader([this, mouseEvent] {
                // A Wayland host that draws no menu of its own still clicks: a menu with no
                // window of ours to open over would map as a window of its own, so the
                // window comes out of the tray first.
                if ((mouseEvent == TrayIcon::LeftButtonDown ||
                     mouseEvent == TrayIcon::RightButtonDown) &&
                    main_.IsHiddenInTray() &&
                    QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
                    main_.SetHiddenInTray(false);
                    ShellMessageFilter::ShowMainWindow(main_);
                }
                if (shellFilter_ && shellFilter_->Installed())
                    shellFilter_->TrayNotification(mouseEvent);
            });
        });
    }
    // An X11 tray leaves the menu to us, opened at the pointer; a Wayland host draws it.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        tray_->ExportMenu(main_.TrayMenu());
    tray_->Add(main_.windowIcon());
}

void DesktopPlatform::DeleteTrayIcon()
{
    if (tray_)
        tray_->Remove();
}

void DesktopPlatform::InstallShellMessageFilter(MessageChain& chain)
{
    if (!shellFilter_) {
        shellFilter_ =
            std::make_unique<ShellMessageFilter>(app_, main_, rules_.Workflow, fillDesktop_.get());
        ShellMessageFilter::HandOverTexts texts;
        texts.Peek = [this](int32_t token) {
            const auto it = handOverTexts_.find(token);
            return it == handOverTexts_.end() ? std::string() : it->second;
        };
        texts.Take = [this](int32_t token) {
            std::string text;
            if (auto node = handOverTexts_.extract(token))
                text = std::move(node.mapped());
            return text;
        };
        shellFilter_->SetHandOverTexts(std::move(texts));
        shellFilter_->SetFillPending([this] { return hotKeyFilter_->FillPending(); });
        shellFilter_->SetHandOverFinished([this](int32_t token) {
            if (token > 0 && handOverServer_)
                handOverServer_->Reply(static_cast<quint64>(token), 0);
        });
    }
    shellFilter_->Install(chain);
}

void DesktopPlatform::RemoveShellMessageFilter(MessageChain& /*chain*/)
{
    // Only taken out of the chain: the removal may run inside the filter's own message.
    if (shellFilter_)
        shellFilter_->Remove();
}

bool DesktopPlatform::CloseToTray()
{
    if (!app_.Settings.CloseMin || !tray_ || !tray_->Usable())
        return false;
    HideToTray();
    return true;
}

bool DesktopPlatform::MinimizeToTray()
{
    if (!tray_ || !tray_->Usable())
        return false;
    frmMain* main = &main_;
    // After the state change has run its course: whoever minimised may still show the
    // window minimised (QWidget::showMinimized does), which would undo an earlier hide.
    QTimer::singleShot(0, main, [this, main] {
        if (!main->isMinimized())
            return;
        // The minimised state stays until the window is shown again (showNormal):
        // clearing it on a hidden window maps the window again under X11, leaving a
        // frame the program no longer paints.
        HideToTray();
    });
    return true;
}

bool DesktopPlatform::TrayUsable() const
{
    return tray_ && tray_->Usable();
}

void DesktopPlatform::HideToTray()
{
    main_.hide();
    main_.SetHiddenInTray(true);
}

void DesktopPlatform::WatchTrayWhileHidden()
{
    if (!trayWatch_) {
        // No signal says that the notification area has gone; a look once a second while
        // the window hides there costs nothing noticeable.
        trayWatch_ = std::make_unique<QTimer>();
        trayWatch_->setInterval(1000);
        QObject::connect(trayWatch_.get(), &QTimer::timeout, trayWatch_.get(), [this] {
            if (!main_.IsHiddenInTray() || main_.IsUnloaded()) {
                trayWatch_->stop();
                return;
            }
            if (TrayUsable())
                return;
            trayWatch_->stop();
            LogWarning(LogArea::Desktop,
                       "the notification area has gone: the main window is shown again");
            main_.SetHiddenInTray(false);
            ShellMessageFilter::ShowMainWindow(main_);
        });
    }
    trayWatch_->start();
}

}  // namespace kyq
