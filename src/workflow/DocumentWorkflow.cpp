#include "workflow/DocumentWorkflow.h"

#include <QAction>
#include <QLineEdit>
#include <QLabel>

#include "app/KyqApp.h"
#include "document/Asking.h"
#include "document/Expiry.h"
#include "document/NewOne.h"
#include "document/SameText.h"
#include "platform/Utf.h"
#include "workflow/PathText.h"
#include "workflow/frmMain.h"

namespace kyq {

namespace {

constexpr char16_t DocumentFilter[] = u"Keyquill文档 (*.kyq)|*.kyq";
constexpr char16_t OpenFilter[] = u"Keyquill文档 (*.kyq)|*.kyq|所有文件 (*.*)|*.*";

std::u16string WriteFailureReason(const FormatResult& result)
{
    std::u16string reason;
    switch (result.kind) {
    case FormatErrorKind::Unstorable:
        reason = u"文档中有Keyquill文档格式无法保存的内容。";
        break;
    case FormatErrorKind::CannotWrite:
    default:
        reason = u"文件无法写入（可能是没有写入权限、磁盘已满或文件夹不存在）。";
        break;
    }
    if (!result.reason.empty())
        reason += u"\n（" + Utf8ToUtf16(result.reason) + u"）";
    return reason;
}

}  // namespace

bool DocumentWorkflow::CloseDocument()
{
    PasswordDocument& doc = app_.Document;
    if (doc.PasswordPromptOpen) {
        if (OwnedDialog* prompt = main_.FindForm(QStringLiteral("Asking")))
            prompt->Unload();
        doc.PasswordPromptOpen = false;
    }
    doc.SnapshotModified = false;
    if (doc.Modified) {
        const MsgAnswer answer =
            app_.MsgBox(u"将改动保存到" + DisplayNameOfPath(doc.Path) + u"吗？",
                        MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgAnswer::Yes) {
            if (doc.Path == PasswordDocument::NewDocumentPath) {
                CommonDialog& dialog = main_.Dialog;
                dialog.Filter = DocumentFilter;
                dialog.DialogTitle = u"另存为...";
                dialog.FileName = OwnerFileName();
                dialog.Flags = CommonDialog::OverwritePrompt;
                if (!dialog.ShowSave()) {
                    dialog.FileName.clear();
                    return true;
                }
                const std::string target = dialog.FileName;
                dialog.FileName.clear();
                main_.txtKey->clear();
                doc.SnapshotModified = true;
                // Closing after a failed save would throw the changes away: stay open.
                if (!SaveTo(target))
                    return true;
            } else {
                doc.SnapshotModified = true;
                if (!WriteDocumentFile())
                    return true;
            }
        } else if (answer == MsgAnswer::No) {
            doc.Modified = false;
        } else {
            return true;
        }
    }
    doc.PreviousPath = doc.Path;
    main_.Commands.TakeUndoSnapshot();
    doc.Path.clear();
    RefreshDocumentView();
    return false;
}

void DocumentWorkflow::RefreshDocumentView()
{
    PasswordDocument& doc = app_.Document;
    if (doc.Path.empty()) {
        SetDocumentCommandsEnabled(false);
        main_.Menus.passUndo->setEnabled(false);
        main_.Tree.ResetTree(true, true);
        main_.SetStatusPanel(1, u"未打开文件");
        main_.setWindowTitle(QStringLiteral("Keyquill"));
    } else {
        if (!SameText(Utf8ToUtf16(doc.Path), u"nul")) {
            app_.Settings.LastFile = doc.Path;
            app_.Settings.InitDir = FolderOfPath(doc.Path);
            app_.SaveSettings();
        }
        SetDocumentCommandsEnabled(true);
        main_.setWindowTitle(QStringLiteral("Keyquill - ") +
                             QString::fromStdU16String(DisplayNameOfPath(doc.Path)));
        main_.SetStatusPanel(1, StatusPanelText(doc.Path, doc.EntryCount()));
    }
    main_.txtTitle->clear();
    main_.txtName->clear();
    main_.txtPass->clear();
    main_.txtDate->clear();
}

void DocumentWorkflow::RestorePreviousDocument()
{
    PasswordDocument& doc = app_.Document;
    doc.Path = doc.PreviousPath;
    main_.Tree.ResetTree(true, true);
    if (!doc.Path.empty()) {
        main_.Commands.ExchangeWithUndoSnapshot(true);
        doc.Modified = doc.SnapshotModified;
        RefreshDocumentView();
    }
}

void DocumentWorkflow::SetDocumentCommandsEnabled(bool enabled)
{
    main_.Menus.passAdd->setEnabled(enabled);
    main_.Menus.passDelAll->setEnabled(enabled);
    main_.Menus.fileSave->setEnabled(enabled);
    main_.Menus.fileSaveas->setEnabled(enabled);
    main_.Menus.fileUser->setEnabled(enabled);
    main_.Menus.fileClose->setEnabled(enabled);
    main_.txtKey->setEnabled(enabled);
    main_.lblFind->setEnabled(enabled);
}

void DocumentWorkflow::OpenFromPath(const std::string& path)
{
    if (!CloseDocument())
        ProbeDocument(path);
}

void DocumentWorkflow::ProbeDocument(const std::string& path)
{
    PasswordDocument& doc = app_.Document;
    doc.Path = path;
    app_.Settings.InitDir = FolderOfPath(path);
    const FormatResult probe = ProbeHeader(doc, path);
    if (!probe) {
        ShowDamagedFileMessage(path);
        RestorePreviousDocument();
        return;
    }
    doc.Modified = false;
    main_.ShowOwnedForm(new Asking(app_, main_));
}

void DocumentWorkflow::FinishRead(const FormatResult& result, bool legacyFormat)
{
    PasswordDocument& doc = app_.Document;
    if (!result) {
        ShowDamagedFileMessage(doc.Path);
        RestorePreviousDocument();
        return;
    }
    if (legacyFormat)
        app_.MsgBox(LegacyFormatNotice, MsgButtons::OkOnly, MsgIcon::Information);
    ShowExpiredList();
    RefreshDocumentView();
    main_.Tree.ReorderEntries(false);
    doc.Modified = false;
    main_.Menus.passUndo->setEnabled(false);
}

void DocumentWorkflow::fileNew_Click()
{
    if (CloseDocument())
        return;
    main_.ShowOwnedForm(new NewOne(app_, main_));
}

void DocumentWorkflow::fileOpen_Click()
{
    if (CloseDocument())
        return;
    CommonDialog& dialog = main_.Dialog;
    dialog.Filter = OpenFilter;
    dialog.DialogTitle = u"打开文件...";
    dialog.Flags = CommonDialog::FileMustExist;
    dialog.FileName.clear();
    if (!dialog.ShowOpen()) {
        RestorePreviousDocument();
        return;
    }
    main_.Tree.ResetTree(true, true);
    app_.Document.Path = dialog.FileName;
    ProbeDocument(app_.Document.Path);
    app_.Document.Modified = false;
}

void DocumentWorkflow::fileSave_Click()
{
    PasswordDocument& doc = app_.Document;
    if (doc.Path.empty())
        return;
    if (doc.Path == PasswordDocument::NewDocumentPath) {
        CommonDialog& dialog = main_.Dialog;
        dialog.Filter = DocumentFilter;
        dialog.DialogTitle = u"保存文档";
        dialog.FileName = OwnerFileName();
        dialog.Flags = CommonDialog::OverwritePrompt;
        if (!dialog.ShowSave())
            return;
        std::string target = dialog.FileName;
        // A bare file name lands in the dialog's folder. (A file right under "/" has an
        // empty folder too, but is no bare name.)
        if (target.find('/') == std::string::npos)
            target = dialog.InitDir + "/" + target;
        SaveTo(target);
        return;
    }
    WriteDocumentFile();
}

void DocumentWorkflow::fileSaveas_Click()
{
    PasswordDocument& doc = app_.Document;
    if (doc.Path.empty())
        return;
    CommonDialog& dialog = main_.Dialog;
    dialog.Filter = DocumentFilter;
    dialog.DialogTitle = u"另存为...";
    dialog.FileName = doc.Path == PasswordDocument::NewDocumentPath ? OwnerFileName() : doc.Path;
    dialog.Flags = CommonDialog::OverwritePrompt;
    if (!dialog.ShowSave())
        return;
    const std::string target = dialog.FileName;
    dialog.FileName.clear();
    SaveTo(target);
}

void DocumentWorkflow::fileUser_Click()
{
    main_.ShowForm(QStringLiteral("frmUser"));
}

void DocumentWorkflow::fileClose_Click()
{
    CloseDocument();
}

void DocumentWorkflow::DropFiles(const std::vector<std::string>& files)
{
    if (CloseDocument())
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
    const FormatResult result = WriteDocument(doc, path);
    if (!result) {
        // The window keeps naming the file that really holds the document.
        app_.MsgBox(u"无法保存文档“" + DisplayNameOfPath(path) + u"”：" +
                        WriteFailureReason(result) + u"\n文件名：" + Utf8ToUtf16(path) +
                        u"\n原有的文件没有改动，文档中的改动仍未保存。",
                    MsgButtons::OkOnly, MsgIcon::Warning);
        return false;
    }
    const bool renamed = path != doc.Path;
    doc.Path = path;
    doc.Modified = false;
    app_.Settings.LastFile = path;
    app_.Settings.InitDir = FolderOfPath(path);
    app_.SaveSettings();
    if (renamed)
        RefreshDocumentView();
    return true;
}

void DocumentWorkflow::ShowDamagedFileMessage(const std::string& path)
{
    app_.MsgBox(std::u16string(DamagedFileMessage) + u"\n" + FileNameLabel + Utf8ToUtf16(path),
                MsgButtons::OkOnly, MsgIcon::Information);
}

void DocumentWorkflow::ShowExpiredList()
{
    const PasswordDocument& doc = app_.Document;
    if (doc.ExpiredList != ExpiredListStart)
        app_.MsgBox(doc.ExpiredList, MsgButtons::OkOnly, MsgIcon::Information, u"消息");
}

std::string DocumentWorkflow::OwnerFileName() const
{
    return Utf16ToUtf8(app_.Document.OwnerName()) + ".kyq";
}

}  // namespace kyq
