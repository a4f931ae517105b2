// The application object: the one document, the settings, the fill history and the other
// process-wide state, created by main and handed to every form by reference.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/FillDesktop.h"
#include "core/document/AnyFormat.h"
#include "core/document/PasswordDocument.h"
#include "core/settings/AppSettings.h"
#include "core/settings/FillHistory.h"
#include "core/workflow/AppEvent.h"
#include "core/workflow/DocumentSession.h"
#include "core/workflow/MainWindowPlatform.h"
#include "core/workflow/MessageService.h"
#include "core/workflow/ModalGate.h"
#include "platform/Expected.h"
#include "platform/RegistryStore.h"

namespace kyq {

class KyqApp {
public:
    // programFolder: the executable's folder ending in "/". registryFolder: where the
    // registry hives live (RegistryStore::DefaultFolder() in the program). messages: the
    // message boxes and file dialogs (Qt ones in the program, scripted ones in tests).
    KyqApp(std::string programFolder, const std::filesystem::path& registryFolder,
           std::unique_ptr<MessageService> messages);
    KyqApp(const KyqApp&) = delete;
    KyqApp& operator=(const KyqApp&) = delete;
    ~KyqApp();

    PasswordDocument Document;
    // The undo snapshot and what else the workflow keeps beside the document.
    DocumentSession DocSession;
    AppSettings Settings;
    FillHistory History;
    RegistryStore Registry;
    const std::string ProgramFolder;

    // What the program is doing right now, shared between the forms; each field says who
    // writes it (everyone else only reads).
    struct SessionState {
        // The window auto-fill types into: the hot-key watcher, and the tray on a click.
        FillWindow FillTarget;
        // Entries index of the record selected in the tree, 0 for none: the tree rules.
        int SelectedIndex = 0;
        // The record the edit dialog works on: the edit command, before it opens it.
        int EditIndex = 0;
        // Keyword of the last search: the find box, before it opens the results.
        std::u16string FindKeyword;
        // Where the password generator was found ("" = not yet): the generator launcher.
        std::string GeneratorPath;
        // Whether the options dialog is closed: the options dialog.
        bool OptionsClosed = true;
        // A document reader or a key derivation is at work and lets events through:
        // ReaderRun, nothing else.
        bool ReaderRunning = false;
    };
    SessionState Session;

    // What a new sealed key costs (tests lower it), and how a derivation is run: the
    // window runs it on another thread so that it keeps painting; empty runs it in place.
    KeyCost SealedKeyCost = DefaultKeyCost;
    BlockingWork KeyWork;

    // The modal windows open now; message boxes and file dialogs count themselves here.
    ModalGate Modal;

    // The one queue of the program's own events: each reaches the main window's rules
    // later, from the event loop, in the order posted. Nothing happens until the main
    // window exists.
    void PostEvent(AppEvent event) const;
    // Runs an event through the main window's rules now (the desktop waits for the answer).
    void HandleEventNow(const AppEvent& event) const;
    // post: queues the event (a GUI's queued call); handle: the rules themselves.
    void SetEventReceiver(std::function<void(AppEvent)> post,
                          std::function<void(const AppEvent&)> handle);

    MessageService& Messages() const { return *messages_; }
    // A message box; the title defaults to "Keyquill".
    MsgAnswer MsgBox(const std::u16string& text, MsgButtons buttons = MsgButtons::OkOnly,
                     MsgIcon icon = MsgIcon::None, const std::u16string& title = ProductTitle);
    MsgAnswer MsgBoxWithDetails(const std::u16string& text, const std::u16string& details,
                                MsgButtons buttons, MsgIcon icon,
                                const std::u16string& title = ProductTitle);

    MainWindowPlatform& Platform() const { return *platform_; }
    void SetPlatform(std::unique_ptr<MainWindowPlatform> platform);

    void LoadSettings();
    // Write the settings (the fill history). The store logs a failure; the user is told of
    // it once, until a write succeeds again: every open and save writes them, and one
    // message says all there is to say.
    void SaveSettings();
    void SaveFillHistory();
    // A fill's macro goes to the top of the history, which is written at once. A failure is
    // returned, not told: the caller tells it (SettingsWritten) when nothing stands in
    // the way of the user any more.
    Expected<void> RememberFillMacro(const std::u16string& macro);
    // The same for a settings write made some other way (the migration at start-up).
    void SettingsWritten(const Expected<void>& written);

private:
    std::unique_ptr<MessageService> messages_;
    std::unique_ptr<MainWindowPlatform> platform_;
    std::function<void(AppEvent)> postEvent_;
    std::function<void(const AppEvent&)> handleEvent_;
    bool settingsFailureTold_ = false;
};

}  // namespace kyq
