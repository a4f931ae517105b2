// The main window: menu bar, toolbar, find panel, password tree, details panel and status
// bar, and their wiring to the rules behind them (MainWindowRules, which the application's
// assembly owns and attaches).
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/workflow/MainWindowView.h"
#include "gui/main/MainMenus.h"
#include "gui/main/MainWindowControls.h"

class QKeyEvent;
class QMimeData;

namespace kyq {

class KyqApp;
class OwnedDialog;
struct MainWindowRules;

class frmMain : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    // Builds the controls; the window does nothing until Attach gave it its rules.
    explicit frmMain(KyqApp& app);
    ~frmMain() override;

    KyqApp& App() const { return app_; }
    // The rules this window drives and shows: made over this window (their view) by the
    // assembly, which keeps them for as long as the window lives.
    void Attach(MainWindowRules& rules);

    // Gives the focus to the password tree (after a search picked a record).
    void FocusTree();
    // The tray icon's pop-up menu at the pointer, with showing the window as its default.
    void ShowTrayMenu() override;
    void BringWindowForward() override;
    // The tray menu itself, for a tray host that draws it (default item set).
    QMenu* TrayMenu();

    // Panels count from 1.
    void SetStatusPanel(int panel, const std::u16string& text);

    // Load sequence; run once by start-up after the settings were loaded.
    void Form_Load();
    // Shutdown. False when the user cancelled at the save prompt: nothing was unloaded.
    bool Form_Unload();
    bool IsUnloaded() const;
    void fileExit_Click();
    void ReleaseHeldEvents();
    void TrayShow_Click();
    void SetHiddenInTray(bool hidden);
    bool IsHiddenInTray() const;

    // The hover look of lblFind: red and underlined while on, blue otherwise.
    bool FindHover() const { return findHover_; }

    // The forms of the other folders register a factory by id; ShowForm then disables this
    // window and shows the form modeless over it. Without a factory it does nothing and
    // returns false.
    using FormFactory = std::function<OwnedDialog*(frmMain&)>;
    void RegisterForm(FormId form, FormFactory factory);
    // The loaded form of that name owned by this program, or null.
    OwnedDialog* FindForm(const QString& name) const;
    // Shutdown step: unloads every other form, in the program's fixed order.
    void UnloadForms();

    // The start-up splash, which belongs to start-up: what tells whether it is up (and what
    // it opens) and what closes it.
    void SetSplash(std::function<SplashState()> state, std::function<void(bool)> close);

    // The view the workflow drives.
    void SetCaption(const std::u16string& caption) override;
    void SetStatusText(const std::u16string& text) override;
    void SetDocumentCommandsEnabled(bool enabled) override;
    void SetRecordCommandsEnabled(bool enabled) override;
    void SetUndoEnabled(bool enabled) override;
    void ShowTree(const std::u16string& root, std::vector<std::u16string> rows) override;
    int SelectedPosition() const override;
    void SelectPosition(int position) override;
    void ShowDetails(const std::array<std::u16string, 4>& texts) override;
    void ClearFindBox() override;
    bool ShowForm(FormId form) override;
    void ShowPasswordPrompt() override;
    void ClosePasswordPrompt() override;

signals:
    // The shutdown has run to its end (after the save prompt, when there was one).
    void Unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The view the main window's own rules drive.
    uint64_t NativeWindow() override;
    void UnloadOtherForms() override { UnloadForms(); }
    void ClearClipboard() override;
    void OnUnloaded() override { emit Unloaded(); }
    void CloseWindow() override { close(); }
    SplashState Splash() override;
    void CloseSplash(bool openItsDocument) override;
    bool WhenPasswordPromptCloses(std::function<void()> closed) override;
    void WhenNoDialogOpen(std::function<void()> action) override;
    void ActivateForDrop() override;
    void ShowHelp() override;
    void HideWindow() override { hide(); }
    void ShowWindowNormal() override;
    void SetTrayItemText(const std::u16string& text) override;

    bool IsMenuShortcut(const QKeyEvent& key) const;
    void ConnectHandlers();
    void Form_Resize();
    void SetFindHover(bool on);
    void FindFromBox();
    void DropData(const QMimeData* data);

    MainMenus Menus;
    MainWindowControls ui_;
    KyqApp& app_;
    MainWindowRules* rules_ = nullptr;
    std::map<FormId, FormFactory> factories_;
    std::function<SplashState()> splashState_;
    std::function<void(bool)> closeSplash_;
    QPointer<OwnedDialog> passwordPrompt_;
    bool findHover_ = false;
    bool inResize_ = false;
};

}  // namespace kyq
