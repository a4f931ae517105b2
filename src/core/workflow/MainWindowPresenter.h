// The main window's own rules, without a window: the load and shutdown order, what the
// close box does, which toolbar buttons need a document, when a search may start, the
// keys the find box and the tree act on, drops that wait for open dialogs, the program's
// own events (DesktopEvents), and hiding in the tray.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/workflow/AppEvent.h"
#include "core/workflow/DesktopEvents.h"

namespace kyq {

class DocumentWorkflow;
class EntryCommands;
class KyqApp;
class MainWindowView;
class PasswordTree;

// The keys the main window's own rules look at; every other key is Other.
enum class MainWindowKey { Enter, Delete, Other };

class MainWindowPresenter {
public:
    MainWindowPresenter(KyqApp& app, MainWindowView& view, PasswordTree& tree,
                        DocumentWorkflow& workflow, EntryCommands& commands)
        : app_(app),
          view_(view),
          tree_(tree),
          workflow_(workflow),
          commands_(commands),
          events_(app, view, workflow, *this)
    {
    }

    // Run once by start-up after the settings were loaded.
    void Load();
    // False when the user cancelled at the save prompt: nothing was unloaded.
    bool Unload();
    bool IsUnloaded() const { return unloaded_; }

    // 退出 (menu, tray, end of session): closes the window after the save prompt.
    void Exit();
    // The window system asks to close the window; true lets it close.
    bool CloseRequested(bool windowEnabled);
    void Minimized();

    // position counts from 1 (new, open, save, user, add, edit, delete, help).
    void ToolbarButton(int position);
    // findEnabled: whether the find label takes clicks now.
    void Find(bool findEnabled, const std::u16string& keyword);
    // plain: without Shift, Ctrl or Alt.
    void KeyInFindBox(MainWindowKey key, bool plain, bool findEnabled,
                      const std::u16string& keyword);
    void KeyInTree(MainWindowKey key, bool plain);
    // Files dropped on the window or the tree (UTF-8 paths of local files).
    void Drop(std::vector<std::string> files);

    // An event of the program's own queue (KyqApp::PostEvent) arrives here.
    void EventArrived(const AppEvent& event) { events_.Arrived(event); }
    // Events held back while a reader ran are queued again.
    void ReleaseHeldEvents() { events_.ReleaseHeld(); }

    // The tray menu's show/hide item.
    void TrayShowClicked();
    void SetHiddenInTray(bool hidden);
    bool IsHiddenInTray() const { return hiddenInTray_; }

private:
    KyqApp& app_;
    MainWindowView& view_;
    PasswordTree& tree_;
    DocumentWorkflow& workflow_;
    EntryCommands& commands_;
    DesktopEvents events_;
    bool unloaded_ = false;
    bool closingFromProgram_ = false;
    bool hiddenInTray_ = false;
};

}  // namespace kyq
