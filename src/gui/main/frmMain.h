// The main window: menu bar, toolbar, find panel, password tree, details panel and status
// bar, its layout rules, its load sequence and the program's shutdown.
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
#include "core/workflow/WorkflowView.h"
#include "gui/main/MainMenus.h"

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMimeData;
class QStatusBar;
class QTimer;
class QToolBar;
class QTreeView;

namespace kyq {

class KyqApp;
class OwnedDialog;
class PasswordTreeModel;

class frmMain : public QMainWindow, public WorkflowView {
    Q_OBJECT
public:
    explicit frmMain(KyqApp& app);
    ~frmMain() override;

    KyqApp& App() const { return app_; }

    // The commands and the logic behind them, which the forms registered by the other
    // folders drive; the controls themselves are this window's own.
    MainMenus Menus;
    CommonDialog Dialog;
    PasswordTree Tree;
    EntryCommands Commands;
    DocumentWorkflow Workflow;

    // Gives the focus to the password tree (after a search picked a record).
    void FocusTree();

    // Panels count from 1.
    void SetStatusPanel(int panel, const std::u16string& text);
    std::u16string StatusPanel(int panel) const;

    // Load sequence; run once by start-up after the settings were loaded.
    void Form_Load();
    // Shutdown. False when the user cancelled at the save prompt: nothing was unloaded.
    bool Form_Unload();
    bool IsUnloaded() const { return unloaded_; }
    void Form_Resize();

    void fileExit_Click();
    void toolPass_Click();
    void toolOption_Click();
    void helpAbout_Click();
    void helpHelp_Click();
    void helpRead_Click();
    // position counts from 1 (new, open, save, user, add, edit, delete, help).
    void Toolbar_ButtonClick(int position);
    void lblFind_Click();
    void txtKey_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    void TV1_KeyDown(int key, Qt::KeyboardModifiers modifiers);
    // Form_OLEDragDrop and TV1_OLEDragDrop.
    void OLEDragDrop(const QMimeData* data);

    // The hover look of lblFind: red and underlined while on, blue otherwise.
    void SetFindHover(bool on);
    bool FindHover() const { return findHover_; }

    // Window messages that arrived while a reader ran are held back; this posts them again.
    void ReleaseHeldMessages();
    // The tray menu's show/hide item.
    void TrayShow_Click();
    // Whether the window is hidden with only the tray icon left; the tray menu follows.
    void SetHiddenInTray(bool hidden);
    bool IsHiddenInTray() const { return hiddenInTray_; }

    // The forms of the other folders register a factory by id; ShowForm then disables this
    // window and shows the form modeless over it. Without a factory it does nothing and
    // returns false.
    using FormFactory = std::function<OwnedDialog*(frmMain&)>;
    void RegisterForm(FormId form, FormFactory factory);
    // Shows a form made by the caller the same way.
    void ShowOwnedForm(OwnedDialog* form);
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
    std::u16string RowText(int position) const override;
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
    bool IsMenuShortcut(const QKeyEvent& key) const;
    void BuildControls();
    void BuildToolbar();
    void ConnectHandlers();
    void PlaceFixedControls();

    // Controls, named as the handlers refer to them; tests find them by these names.
    QWidget* Client = nullptr;  // the client area below the menu bar
    QToolBar* Toolbar = nullptr;
    std::array<QAction*, 8> ToolbarButtons{};
    QFrame* Frame2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* txtKey = nullptr;
    QLabel* lblFind = nullptr;
    QTreeView* TV1 = nullptr;
    PasswordTreeModel* TreeModel = nullptr;
    QFrame* Frame1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtTitle = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtName = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* txtPass = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* txtDate = nullptr;
    std::array<QFrame*, 4> Line{};
    QStatusBar* Status = nullptr;
    std::array<QLabel*, 3> StatusPanels{};
    QTimer* Timer1 = nullptr;

    KyqApp& app_;
    std::vector<WindowMessage> heldMessages_;
    std::map<FormId, FormFactory> factories_;
    bool findHover_ = false;
    bool hiddenInTray_ = false;
    bool closingFromProgram_ = false;
    bool unloaded_ = false;
    bool inResize_ = false;
};

}  // namespace kyq
