#include "core/workflow/MainWindowPresenter.h"

#include <utility>

#include "core/document/FindEntries.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/EntryCommands.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowView.h"
#include "core/workflow/PasswordTree.h"

namespace kyq {

void MainWindowPresenter::Load()
{
    tree_.ResetTree(true, true);
    // Handle.dat first: a second start may find it from now on, and the hook's key events
    // need the window they report to.
    const uint64_t window = view_.NativeWindow();
    MainWindowPlatform& platform = app_.Platform();
    platform.WriteHandleFile(window);
    platform.InstallHotKeyWatcher(window);
    platform.AddTrayIcon();
}

bool MainWindowPresenter::Unload()
{
    if (unloaded_)
        return true;
    if (workflow_.CloseDocument() == DocumentWorkflow::CloseResult::Cancelled)
        return false;
    app_.SaveSettings();
    if (app_.Settings.ClearClip)
        view_.ClearClipboard();
    view_.UnloadOtherForms();
    // The load in reverse. Events still on their way find the window unloaded and do
    // nothing.
    MainWindowPlatform& platform = app_.Platform();
    platform.DeleteHandleFile();
    platform.DeleteTrayIcon();
    platform.RemoveHotKeyWatcher();
    unloaded_ = true;
    view_.OnUnloaded();
    return true;
}

void MainWindowPresenter::Exit()
{
    closingFromProgram_ = true;
    view_.CloseWindow();
    closingFromProgram_ = false;
}

bool MainWindowPresenter::CloseRequested(bool windowEnabled)
{
    if (unloaded_)
        return true;
    // The close box of a window under a dialog takes no input; with a usable tray the
    // close box hides the window there instead (when the user asked for that).
    if (!closingFromProgram_ && (!windowEnabled || app_.Platform().CloseToTray()))
        return false;
    return Unload();
}

void MainWindowPresenter::Minimized()
{
    app_.Platform().MinimizeToTray();
}

void MainWindowPresenter::ToolbarButton(int position)
{
    // Save, user card and add check for a document themselves here: their menu items are
    // greyed out without one, the toolbar buttons never are.
    const bool open = app_.Document.IsOpen();
    switch (position) {
    case 1:
        workflow_.fileNew_Click();
        break;
    case 2:
        workflow_.fileOpen_Click();
        break;
    case 3:
        if (open)
            workflow_.fileSave_Click();
        break;
    case 4:
        if (open)
            workflow_.fileUser_Click();
        break;
    case 5:
        if (open)
            commands_.passAdd_Click();
        break;
    case 6:
        commands_.passEdit_Click();
        break;
    case 7:
        commands_.passDel_Click();
        break;
    case 8:
        view_.ShowHelp();
        break;
    default:
        break;
    }
}

void MainWindowPresenter::Find(bool findEnabled, const std::u16string& keyword)
{
    if (!findEnabled || keyword.empty())
        return;
    app_.Session.FindKeyword = keyword;
    // An empty list under "choose from the list" reads as a fault: say there is no match.
    if (FindEntries(app_.Document, keyword).empty()) {
        app_.MsgBox(u"没有找到含有“" + keyword + u"”的密码。", MsgButtons::OkOnly,
                    MsgIcon::Information);
        return;
    }
    view_.ShowForm(FormId::FoundResult);
}

void MainWindowPresenter::KeyInFindBox(MainWindowKey key, bool plain, bool findEnabled,
                                       const std::u16string& keyword)
{
    if (key == MainWindowKey::Enter && plain)
        Find(findEnabled, keyword);
}

void MainWindowPresenter::KeyInTree(MainWindowKey key, bool plain)
{
    if (key == MainWindowKey::Delete && plain)
        commands_.passDel_Click();
}

void MainWindowPresenter::Drop(std::vector<std::string> files)
{
    view_.ActivateForDrop();
    auto open = [this, files = std::move(files)] { workflow_.DropFiles(files); };
    if (app_.Modal.Busy())
        view_.WhenNoDialogOpen(std::move(open));
    else
        open();
}

void MainWindowPresenter::TrayShowClicked()
{
    if (!hiddenInTray_) {
        SetHiddenInTray(true);
        view_.HideWindow();
    } else {
        SetHiddenInTray(false);
        view_.ShowWindowNormal();
    }
}

void MainWindowPresenter::SetHiddenInTray(bool hidden)
{
    hiddenInTray_ = hidden;
    // The item offers the other state.
    view_.SetTrayItemText(hidden ? u"显示窗口" : u"隐藏窗口");
    if (hidden)
        app_.Platform().HiddenInTray();
}

}  // namespace kyq
