// The main window: menu bar, toolbar, find panel, password tree, details panel and status
// bar, and their wiring to the rules (MainWindowPresenter and the workflow objects).
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/workflow/CommonDialog.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/EntryCommands.h"
#include "core/workflow/MessageChain.h"
#include "core/workflow/PasswordTree.h"
#include "core/workflow/MainWindowPresenter.h"
#include "core/workflow/MainWindowView.h"
#include "gui/main/MainMenus.h"
#include "gui/main/MainWindowControls.h"

class QKeyEvent;
class QMimeData;

namespace kyq {

class KyqApp;
class OwnedDialog;

class frmMain : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    explicit frmMain(KyqApp& app);
    ~frmMain() override;

    KyqApp& App() const { return app_; }

private:
    // Declared ahead of the commands that are built over its actions.
    MainMenus Menus;

public:
    // The commands and the logic behind them, which the forms registered by the other
    // folders drive; the controls themselves are this window's own.
    CommonDialog Dialog;
    PasswordTree Tree;
    EntryCommands Commands;
    DocumentWorkflow Workflow;
    MainWindowPresenter Presenter;

    // Gives the focus to the password tree (after a search picked a record).
    void FocusTree();
    // The tray icon's pop-up menu at the pointer, with showing the window as its default.
    void ShowTrayMenu();
    // The tray menu itself, for a tray host that draws it (default item set).
    QMenu* TrayMenu();

    // Panels count from 1.
    void SetStatusPanel(int panel, const std::u16string& text);

    // Load sequence; run once by start-up after the settings were loaded.
    void Form_Load() { Presenter.Load(); }
    // Shutdown. False when the user cancelled at the save prompt: nothing was unloaded.
    bool Form_Unload() { return Presenter.Unload(); }
    bool IsUnloaded() const { return Presenter.IsUnloaded(); }
    void fileExit_Click() { Presenter.Exit(); }
    void ReleaseHeldMessages() { Presenter.ReleaseHeldMessages(); }
    void TrayShow_Click() { Presenter.TrayShowClicked(); }
    void SetHiddenInTray(bool hidden) { Presenter.SetHiddenInTray(hidden); }
    bool IsHiddenInTray() const { return Presenter.IsHiddenInTray(); }

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
    bool event(QEvent* event) override;
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
    void Repost(const WindowMessage& message) override;
    void RepostWhenNoDialogOpen(const WindowMessage& message) override;
    void RunLater(std::function<void()> work) override;
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

    MainWindowControls ui_;
    KyqApp& app_;
    std::map<FormId, FormFactory> factories_;
    bool findHover_ = false;
    bool inResize_ = false;
};

}  // namespace kyq
