#include "core/workflow/DocumentWorkflow.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/workflow/CommandLineItem.h"
#include "core/workflow/CommonDialog.h"
#include "core/workflow/CredentialCheck.h"
#include "core/workflow/DocumentUnlock.h"

#include "core/document/Expiry.h"
#include "core/document/PathText.h"
#include "core/document/SameText.h"
#include "core/document/SealedFormat.h"
#include "core/workflow/EntryCommands.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/PasswordTree.h"
#include "core/workflow/ReaderRun.h"
#include "core/workflow/WorkflowView.h"
#include "platform/Log.h"
#include "platform/Utf.h"

namespace kyq {

namespace {

constexpr char16_t OpenFilter[] = u"Keyquill文档 (*.kyq)|*.kyq|所有文件 (*.*)|*.*";

std::u16string WriteFailureReason(const FormatError& error)
{
    std::u16string reason;
    switch (error.Kind) {
    case FormatErrorKind::Unstorable:
        reason = u"文档中有Keyquill文档格式无法保存的内容。";
        break;
    case FormatErrorKind::CannotDerive:
        reason = u"无法计算文档的密钥。";
        break;
    case FormatErrorKind::CannotWrite:
    default:
        reason = u"文件无法写入（可能是没有写入权限、磁盘已满或文件夹不存在）。";
        break;
    }
    if (!error.Message.empty())
        reason += u"\n（" + Utf8ToUtf16(error.Message) + u"）";
    return reason;
}

// What became of the document and of what stood at its path, after a failed save there.
std::u16string UnsavedNote(const std::filesystem::file_status& before)
{
    if (std::filesystem::is_directory(before))
        return u"\n那里现在是一个同名的文件夹，没有写入任何内容，文档中的改动仍未保存。";
    if (std::filesystem::exists(before))
        return u"\n原有的文件没有改动，文档中的改动仍未保存。";
    return u"\n文档中的改动仍未保存。";
}

// The first "name (n).ext" beside `path` that nothing uses yet.
std::string FreePathBeside(const std::string& path)
{
    std::error_code ignored;
    for (int n = 2; n < 1000; ++n) {
        std::string candidate = NumberedPath(path, n);
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, ignored)))
            return candidate;
    }
    return path;
}

}  // namespace

DocumentWorkflow::CloseResult DocumentWorkflow::CloseDocument()
{
    PasswordDocument& doc = app_.Document;
    DocumentSession& session = app_.DocSession;
    ClosePasswordPrompt();
    session.SnapshotModified = false;
    session.UnsavedAtClose = false;
    if (doc.Modified) {
        const MsgAnswer answer =
            app_.MsgBox(u"将改动保存到" + DisplayNameOfPath(doc.Path) + u"吗？",
                        MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgAnswer::Yes) {
            if (doc.IsUntitled()) {
                const std::optional<std::string> target =
                    dialog_.AskDocumentSavePath(u"另存为...", OwnerFileName());
                if (!target)
                    return CloseResult::Cancelled;
                view_.ClearFindBox();
                session.SnapshotModified = true;
                // Closing after a failed save would throw the changes away: stay open.
                if (!SaveTo(*target))
                    return CloseResult::Cancelled;
            } else {
                session.SnapshotModified = true;
                if (!WriteDocumentFile())
                    return CloseResult::Cancelled;
            }
        } else if (answer == MsgAnswer::No) {
            // "Not now", not "forget them": an open that does not happen brings them back.
            session.UnsavedAtClose = true;
            doc.Modified = false;
        } else {
            return CloseResult::Cancelled;
        }
    }
    session.PreviousPath = doc.Path;
    commands_.TakeUndoSnapshot();
    doc.Path.clear();
    ++session.Serial;
    // Only the snapshot keeps the key now, for a cancelled open to bring back.
    doc.SealKey.reset();
    RefreshDocumentView();
    return CloseResult::Closed;
}

void DocumentWorkflow::ClosePasswordPrompt()
{
    if (!app_.DocSession.PasswordPromptOpen)
        return;
    view_.ClosePasswordPrompt();
    app_.DocSession.PasswordPromptOpen = false;
}

void DocumentWorkflow::RefreshDocumentView()
{
    PasswordDocument& doc = app_.Document;
    if (!doc.IsOpen()) {
        view_.SetDocumentCommandsEnabled(false);
        view_.SetUndoEnabled(false);
        tree_.ResetTree(true, true);
        view_.SetStatusText(u"未打开文件");
        view_.SetCaption(u"Keyquill");
    } else {
        if (!doc.IsUntitled()) {
            app_.Settings.LastFile = doc.Path;
            app_.Settings.InitDir = FolderOfPath(doc.Path);
            app_.SaveSettings();
        }
        view_.SetDocumentCommandsEnabled(true);
        view_.SetCaption(u"Keyquill - " + DisplayNameOfPath(doc.Path));
        view_.SetStatusText(StatusPanelText(doc.Path, doc.EntryCount()));
    }
    view_.ShowDetails({});
}

void DocumentWorkflow::RestorePreviousDocument()
{
    PasswordDocument& doc = app_.Document;
    ClosePasswordPrompt();
    doc.Path = app_.DocSession.PreviousPath;
    doc.ProbedBytes = {};
    tree_.ResetTree(true, true);
    if (doc.IsOpen()) {
        commands_.ExchangeWithUndoSnapshot(true);
        doc.Modified = app_.DocSession.UnsavedAtClose;
        RefreshDocumentView();
    }
}

DocumentWorkflow::HandOverStep DocumentWorkflow::OpenHandedOver(const std::string& commandText)
{
    const std::string name = FirstCommandItem(commandText);
    if (name.empty() || CloseDocument() == CloseResult::Cancelled)
        return HandOverStep::Done;
    return ProbeDocument(name) ? HandOverStep::PromptOpen : HandOverStep::Done;
}

bool DocumentWorkflow::ProbeDocument(const std::string& path)
{
    PasswordDocument& doc = app_.Document;
    doc.Path = path;
    app_.Settings.InitDir = FolderOfPath(path);
    const FormatResult probe = ProbeHeader(doc, path);
    if (!probe) {
        ShowDamagedFileMessage(path, probe.error());
        RestorePreviousDocument();
        return false;
    }
    doc.Modified = false;
    // The tree shows the owner the prompt greets, and nothing of the records yet.
    tree_.ResetTree(false, true);
    app_.DocSession.PasswordPromptOpen = true;
    view_.ShowPasswordPrompt();
    return true;
}

void DocumentWorkflow::FinishRead(const FormatResult& result, bool legacyFormat)
{
    PasswordDocument& doc = app_.Document;
    // The prompt has done its part: what follows (expired passwords, a damaged file) must
    // not show over a prompt that still looks as if it waited for the password.
    view_.ClosePasswordPrompt();
    app_.DocSession.PasswordPromptOpen = false;
    if (!result) {
        ShowDamagedFileMessage(doc.Path, result.error());
        RestorePreviousDocument();
        return;
    }
    // The previous document was kept for an open that might not happen; it did.
    app_.DocSession.DropUndoSnapshot();
    if (legacyFormat)
        app_.MsgBox(LegacyFormatNotice, MsgButtons::OkOnly, MsgIcon::Information);
    ShowExpiredList();
    RefreshDocumentView();
    tree_.ReorderEntries(false);
    doc.Modified = false;
    view_.SetUndoEnabled(false);
}

UnlockResult DocumentWorkflow::Unlock(std::u16string_view password, const ReaderYield& yield)
{
    // Nothing may act on the document while the reader runs: it lets events through, and
    // what they ask for waits until the end.
    const ReaderRun reading(app_.Session);
    PasswordDocument& doc = app_.Document;
    const ExpiryContext expiry = ExpiryContextForToday(app_.Settings.Days);
    const UnlockResult result = UnlockDocument(doc, password, expiry, yield, app_.KeyWork);
    switch (result.Outcome) {
    case UnlockOutcome::EmptyPassword:
        app_.MsgBox(EmptyPasswordMessage, MsgButtons::OkOnly, MsgIcon::Information, u"错误");
        return result;
    case UnlockOutcome::WrongPassword:
        LogWarning(LogArea::Documents, "cannot open " + doc.Path + ": " + result.Failure->Detail);
        app_.MsgBox(std::u16string(WrongPasswordMessage) + u"请重新输入密码。", MsgButtons::OkOnly, MsgIcon::Warning);
        return result;
    case UnlockOutcome::Opened:
        FinishRead({}, result.LegacyFormat);
        break;
    case UnlockOutcome::Unreadable:
    case UnlockOutcome::Damaged:
        FinishRead(*result.Failure, result.LegacyFormat);
        break;
    }
    RefreshDocumentView();
    return result;
}

void DocumentWorkflow::fileNew_Click()
{
    if (CloseDocument() == CloseResult::Cancelled)
        return;
    view_.ShowForm(FormId::NewOne);
}

void DocumentWorkflow::CreateDocument(std::u16string_view owner, std::u16string_view password, bool sealed)
{
    PasswordDocument& doc = app_.Document;
    doc.ResetEntries();
    doc.OwnerName() = owner;
    doc.DocumentPassword() = password;
    doc.FormatVersion = sealed ? SealedFormatNumber : CurrentFormatNumber;
    doc.SealKey.reset();
    app_.Settings.Sealed = sealed;
    tree_.ResetTree(false, true);
    app_.MsgBox(u"欢迎您使用Keyquill！", MsgButtons::OkOnly, MsgIcon::Information);
    doc.Path = PasswordDocument::NewDocumentPath;
    RefreshDocumentView();
    doc.Modified = true;
}

void DocumentWorkflow::ChangePassword(std::u16string_view fresh, bool sealed)
{
    ApplyPasswordChange(app_.Document, fresh, sealed);
    app_.Settings.Sealed = sealed;
    // Modified before the success message: a close while it is up offers to save.
    app_.Document.Modified = true;
}

bool DocumentWorkflow::RenameOwner(std::u16string_view name)
{
    PasswordDocument& doc = app_.Document;
    if (!doc.IsOpen())
        return false;
    doc.OwnerName() = name;
    tree_.RebuildTree();
    RefreshDocumentView();
    doc.Modified = true;
    return true;
}

void DocumentWorkflow::fileOpen_Click()
{
    if (CloseDocument() == CloseResult::Cancelled)
        return;
    CommonDialog& dialog = dialog_;
    dialog.Filter = OpenFilter;
    dialog.DialogTitle = u"打开文件...";
    dialog.Flags = CommonDialog::FileMustExist;
    dialog.FileName.clear();
    if (!dialog.ShowOpen()) {
        RestorePreviousDocument();
        return;
    }
    tree_.ResetTree(true, true);
    app_.Document.Path = dialog.FileName;
    // The probe clears Modified when the prompt comes up; a failed one has brought the
    // previous document back with the flag it must keep.
    ProbeDocument(app_.Document.Path);
}

void DocumentWorkflow::fileSave_Click()
{
    PasswordDocument& doc = app_.Document;
    if (!doc.IsOpen())
        return;
    if (doc.IsUntitled()) {
        if (const std::optional<std::string> target =
                dialog_.AskDocumentSavePath(u"保存文档", OwnerFileName()))
            SaveTo(*target);
        return;
    }
    WriteDocumentFile();
}

void DocumentWorkflow::fileSaveas_Click()
{
    if (!app_.Document.IsOpen())
        return;
    SaveUnderAnotherName();
}

bool DocumentWorkflow::SaveUnderAnotherName(const std::string& proposal)
{
    const PasswordDocument& doc = app_.Document;
    const std::string name = !proposal.empty() ? proposal
                             : doc.IsUntitled()  ? OwnerFileName()
                                                 : doc.Path;
    const std::optional<std::string> target = dialog_.AskDocumentSavePath(u"另存为...", name);
    return target && SaveTo(*target);
}

void DocumentWorkflow::fileUser_Click()
{
    view_.ShowForm(FormId::frmUser);
}

void DocumentWorkflow::fileClose_Click()
{
    // Nothing brings this document back: its key and password go now, not at the next open.
    if (CloseDocument() == CloseResult::Closed)
        app_.DocSession.ForgetClosedDocument(app_.Document);
}

void DocumentWorkflow::DropFiles(const std::vector<std::string>& files)
{
    if (CloseDocument() == CloseResult::Cancelled)
        return;
    // Only the first file counts; data without files has closed the document all the same.
    if (!files.empty())
        ProbeDocument(files.front());
}

bool DocumentWorkflow::WriteDocumentFile()
{
    return SaveTo(app_.Document.Path);
}

bool DocumentWorkflow::SaveTo(const std::string& path)
{
    PasswordDocument& doc = app_.Document;
    // Another program (a sync client, another machine) may have put a version of its own
    // there since the file was read or saved: writing over it unasked would lose that one.
    if (doc.OnDisk.Known() && doc.OnDisk.Path == path) {
        std::string what;
        if (CompareWithDisk(doc.OnDisk, &what) == FileChange::Changed) {
            LogWarning(LogArea::Documents, path + " was changed by another program since it was read or saved: " + what);
            const MsgAnswer answer =
                app_.MsgBox(u"文件“" + DisplayNameOfPath(path) +
                                u"”在本程序读取或上次保存之后，已被其他程序（例如同步软件或另一台电脑）改动或替换。\n\n"
                                u"另存为：把文档保存为另一个文件，两个版本都保留。\n"
                                u"覆盖：用本程序中的文档替换它，磁盘上的那个版本将丢失。\n"
                                u"取消：不保存，什么也不写入。\n\n文件名：" +
                                Utf8ToUtf16(path),
                            MsgButtons::OverwriteSaveAsCancel, MsgIcon::Warning);
            // Both versions are to be kept: the other one's name is taken.
            if (answer == MsgAnswer::No)
                return SaveUnderAnotherName(FreePathBeside(path));
            if (answer != MsgAnswer::Yes)
                return false;
        }
    }
    std::error_code ignored;
    const std::filesystem::file_status before = std::filesystem::status(path, ignored);
    FileStamp written;
    const FormatResult result =
        SaveDocument(doc, path, app_.SealedKeyCost, app_.KeyWork, &written);
    if (!result) {
        LogWarning(LogArea::Documents, "cannot save " + path + ": " + result.error().Detail);
        // The window keeps naming the file that really holds the document.
        app_.MsgBox(u"无法保存文档“" + DisplayNameOfPath(path) + u"”：" +
                        WriteFailureReason(result.error()) + u"\n文件名：" + Utf8ToUtf16(path) +
                        UnsavedNote(before),
                    MsgButtons::OkOnly, MsgIcon::Warning);
        return false;
    }
    const bool renamed = path != doc.Path;
    doc.Path = path;
    doc.OnDisk = std::move(written);
    doc.Modified = false;
    app_.Settings.LastFile = path;
    app_.Settings.InitDir = FolderOfPath(path);
    app_.SaveSettings();
    if (renamed) {
        RefreshDocumentView();
        // The tree keeps its selection: its record stays in the details pane.
        tree_.ShowSelectedEntry();
    }
    return true;
}

void DocumentWorkflow::ShowDamagedFileMessage(const std::string& path, const FormatError& error)
{
    std::u16string text =
        std::u16string(DamagedFileMessage) + u"\n" + FileNameLabel + Utf8ToUtf16(path);
    // A file that is missing or may not be read is no damaged file: say what stood in the
    // way.
    if ((error.Kind == FormatErrorKind::CannotOpen || error.Kind == FormatErrorKind::CannotDerive) &&
        !error.Message.empty())
        text += u"\n" + Utf8ToUtf16(error.Message);
    LogWarning(LogArea::Documents, "cannot open " + path + ": " +
                                       (error.Detail.empty() ? "damaged" : error.Detail));
    app_.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Information);
}

void DocumentWorkflow::ShowExpiredList()
{
    const PasswordDocument& doc = app_.Document;
    if (doc.ExpiredTitles.empty())
        return;
    std::u16string text = u"以下密码已过期，请更换：";
    for (const std::u16string& title : doc.ExpiredTitles)
        text += u"\r\n" + title;
    app_.MsgBox(text, MsgButtons::OkOnly, MsgIcon::Information, u"消息");
}

std::string DocumentWorkflow::OwnerFileName() const
{
    return Utf16ToUtf8(app_.Document.OwnerName()) + ".kyq";
}

}  // namespace kyq
