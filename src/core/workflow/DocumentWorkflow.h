// New, open, save, save as and close of the one document, the save prompt that guards
// unsaved changes, and the way a failed or cancelled open puts the previous document back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/document/DocumentFormat.h"
#include "core/workflow/DocumentUnlock.h"

namespace kyq {

class CommonDialog;
class EntryCommands;
class KyqApp;
class PasswordTree;
class WorkflowView;

class DocumentWorkflow {
public:
    DocumentWorkflow(KyqApp& app, WorkflowView& view, CommonDialog& dialog, PasswordTree& tree,
                     EntryCommands& commands)
        : app_(app), view_(view), dialog_(dialog), tree_(tree), commands_(commands)
    {
    }

    // Offers to save unsaved changes, then closes. Cancelled when the user cancelled (or
    // the save failed): the document is then still open and unchanged.
    enum class CloseResult { Closed, Cancelled };
    CloseResult CloseDocument();
    // Caption, status panel, document commands and details pane in line with Path.
    void RefreshDocumentView();
    // Puts back the document CloseDocument closed before an open (or a new document) that
    // failed or was cancelled; changes the close was told not to save are unsaved again.
    void RestorePreviousDocument();
    // A file handed over by a second start (the first item of Command.dat's text):
    // CloseDocument, then the probe. PromptOpen while its password prompt is up (the
    // sender waits for it), else Done (nothing named, cancelled, or unreadable).
    enum class HandOverStep { Done, PromptOpen };
    HandOverStep OpenHandedOver(const std::string& commandText);
    // Reads the file's header and puts up the password prompt over the disabled main
    // window; returns at once. An unreadable file is reported (with the reason when it is
    // missing or may not be read) and the previous document comes back.
    // True when the prompt is up.
    bool ProbeDocument(const std::string& path);
    // What follows the reader that the password prompt ran: on success the notices, the
    // re-order and the refresh; on failure the damaged-file message and the restore.
    void FinishRead(const FormatResult& result, bool legacyFormat);
    // The password prompt's OK: opens the probed document with the typed password (the
    // key derived through the app's KeyWork), then FinishRead and the refreshed view.
    // An empty password, or one that does not open a sealed file (or the file was
    // altered), is said and nothing of the file is shown: MayRetry(), the prompt stays.
    UnlockResult Unlock(std::u16string_view password, const ReaderYield& yield = {});

    void fileNew_Click();
    // The new-document dialog's OK, once its checks passed: an untitled, modified document
    // of that owner and password (sealed or format 200, remembered for the next one), then
    // the welcome.
    void CreateDocument(std::u16string_view owner, std::u16string_view password, bool sealed);
    // The change-password dialog's OK, once its checks passed: the new password and the
    // chosen format (remembered for the next new document); the document is modified.
    void ChangePassword(std::u16string_view fresh, bool sealed);
    // The rename dialog's OK, once its check passed: the owner name (the tree's root) of
    // the open document. False when no document is open (closed behind the dialog).
    bool RenameOwner(std::u16string_view name);
    void fileOpen_Click();
    void fileSave_Click();
    void fileSaveas_Click();
    void fileUser_Click();
    void fileClose_Click();
    // A drop on the window or the tree: the first of the files (UTF-8 paths), if any.
    void DropFiles(const std::vector<std::string>& files);

    // Writes the document to Path. A failure is reported, keeps Modified and leaves the
    // old file as it was; false then.
    bool WriteDocumentFile();
    // The same to `path`, which becomes Path (caption, LastFile) only once written. When
    // `path` is the file last read or written and another program has changed it since,
    // asks first: overwrite, save under another name, or cancel (nothing written).
    bool SaveTo(const std::string& path);
    // The save dialog, then SaveTo the chosen file; false when cancelled or failed. The
    // dialog proposes `proposal`, or the document's own name when that is empty.
    bool SaveUnderAnotherName(const std::string& proposal = {});

private:
    // Closes the password prompt when it is up.
    void ClosePasswordPrompt();
    void ShowDamagedFileMessage(const std::string& path, const FormatError& error);
    void ShowExpiredList();
    std::string OwnerFileName() const;

    KyqApp& app_;
    WorkflowView& view_;
    CommonDialog& dialog_;
    PasswordTree& tree_;
    EntryCommands& commands_;
};

}  // namespace kyq
