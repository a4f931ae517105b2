// The open/save/close rules, the tree rules and the entry commands without a window: a
// recording view stands in for the main window and the scripted service answers the
// boxes and file dialogs. These run under the sanitizers too.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/document/AnyFormat.h"
#include "core/document/DocumentFormat.h"
#include "core/document/SealedFormat.h"
#include "core/workflow/CommonDialog.h"
#include "core/workflow/CredentialCheck.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/EntryCommands.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/PasswordTree.h"
#include "core/workflow/WorkflowView.h"
#include "support/DocumentTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedMessageService.h"

namespace kyq::test {
namespace {

namespace fs = std::filesystem;

// The main window as the rules see it.
struct RecordingView final : WorkflowView {
    std::u16string Status, Root;
    std::vector<std::u16string> Rows;
    bool DocumentCommands = false, RecordCommands = false, Undo = false;
    int Selected = 0;
    std::array<std::u16string, 4> Details;
    std::vector<FormId> Forms;
    int PromptsShown = 0, PromptsClosed = 0;

    void SetCaption(const std::u16string&) override {}
    void SetStatusText(const std::u16string& text) override { Status = text; }
    void SetDocumentCommandsEnabled(bool on) override { DocumentCommands = on; }
    void SetRecordCommandsEnabled(bool on) override { RecordCommands = on; }
    void SetUndoEnabled(bool on) override { Undo = on; }
    void ShowTree(const std::u16string& root, std::vector<std::u16string> rows) override
    {
        Root = root;
        Rows = std::move(rows);
        Selected = 0;
    }
    int SelectedPosition() const override { return Selected; }
    void SelectPosition(int position) override { Selected = position; }
    void ShowDetails(const std::array<std::u16string, 4>& texts) override { Details = texts; }
    void ClearFindBox() override {}
    bool ShowForm(FormId form) override
    {
        Forms.push_back(form);
        return true;
    }
    void ShowPasswordPrompt() override { ++PromptsShown; }
    void ClosePasswordPrompt() override { ++PromptsClosed; }
};

class DocumentRules : public ::testing::Test {
protected:
    static constexpr LocalDate Today{2026, 12, 8};

    DocumentRules()
    {
        fs::create_directories(folder_ / "registry");
        auto messages = std::make_unique<ScriptedMessageService>();
        boxes_ = messages.get();
        app_ = std::make_unique<KyqApp>(folder_.string() + "/", folder_ / "registry",
                                        std::move(messages));
        dialog_ = std::make_unique<CommonDialog>(*app_);
        tree_ = std::make_unique<PasswordTree>(*app_, view_);
        commands_ = std::make_unique<EntryCommands>(*app_, view_, *tree_, [] { return Today; });
        workflow_ = std::make_unique<DocumentWorkflow>(*app_, view_, *dialog_, *tree_, *commands_);
        workflow_->RefreshDocumentView();
    }

    std::string File(const std::string& name) const { return (folder_ / name).string(); }
    std::string MakeFile(const std::string& name)
    {
        const PasswordDocument doc = MakeDocument(
            u"ann", u"pw", {Record(u"b", u"bob", u"pb"), Record(u"A", u"ann", u"pa")});
        EXPECT_TRUE(WriteDocument(doc, File(name)));
        return File(name);
    }
    // What the password prompt's OK does: the reader, then the rest of the open.
    UnlockOutcome AnswerPrompt(const std::u16string& password)
    {
        app_->Settings.Days = 32767;
        return workflow_->Unlock(password).Outcome;
    }
    void Open(const std::string& path)
    {
        boxes_->Files.push_back(path);
        workflow_->fileOpen_Click();
        ASSERT_EQ(view_.PromptsShown, 1);
        view_.PromptsShown = 0;
        AnswerPrompt(u"pw");
    }

    ScratchFolder scratch_{"kyq-rules"};
    const fs::path folder_ = scratch_.Path();
    ScriptedMessageService* boxes_ = nullptr;
    std::unique_ptr<KyqApp> app_;
    RecordingView view_;
    std::unique_ptr<CommonDialog> dialog_;
    std::unique_ptr<PasswordTree> tree_;
    std::unique_ptr<EntryCommands> commands_;
    std::unique_ptr<DocumentWorkflow> workflow_;
};

// Each row of the state table: which document is open and how the window looks in it.
TEST_F(DocumentRules, EachStateShowsItsDocumentStatusAndCommands)
{
    // No document.
    EXPECT_FALSE(app_->Document.IsOpen());
    EXPECT_EQ(view_.Status, u"未打开文件");
    EXPECT_EQ(view_.Root, u"未打开任何文件");
    EXPECT_FALSE(view_.DocumentCommands);

    // Opening: the prompt is up for the chosen file.
    const std::string a = MakeFile("a.kyq");
    boxes_->Files.push_back(a);
    workflow_->fileOpen_Click();
    EXPECT_EQ(view_.PromptsShown, 1);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");

    // File document.
    AnswerPrompt(u"pw");
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(view_.Status, u"文件a.kyq共有2个密码。");
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"A", u"b"}));
    EXPECT_TRUE(view_.DocumentCommands);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(app_->Settings.LastFile, a);

    view_.SelectPosition(3);  // "b": its details are in view after a save as
    boxes_->Files.push_back(File("a2.kyq"));
    workflow_->fileSaveas_Click();
    EXPECT_EQ(view_.Details[1], u"bob");
    // Untitled document (the new-document dialog's OK sets it up like this).
    workflow_->fileNew_Click();
    EXPECT_EQ(view_.Forms, std::vector<FormId>{FormId::NewOne});
    app_->Document.ResetEntries();
    app_->Document.Path = PasswordDocument::NewDocumentPath;
    workflow_->RefreshDocumentView();
    EXPECT_EQ(view_.Status, u"文件无标题共有0个密码。");
    EXPECT_EQ(app_->Settings.LastFile, File("a2.kyq"));  // a new document is no last file

    // Save as leaves the untitled state for a file document.
    const std::string b = File("b.kyq");
    boxes_->Files.push_back(b);
    workflow_->fileSaveas_Click();
    EXPECT_EQ(app_->Document.Path, b);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(view_.Status, u"文件b.kyq共有0个密码。");
    EXPECT_TRUE(fs::exists(b));

    // Close: back to no document.
    EXPECT_EQ(workflow_->CloseDocument(), DocumentWorkflow::CloseResult::Closed);
    EXPECT_FALSE(app_->Document.IsOpen());
    EXPECT_FALSE(view_.DocumentCommands);
    EXPECT_EQ(boxes_->Unexpected, 0);
}

// What each file command asks the file dialog for; a cancel changes nothing.
TEST_F(DocumentRules, EachFileCommandAsksForItsDialogAndACancelChangesNothing)
{
    const std::string a = MakeFile("a.kyq");
    struct Case {
        const char* what;
        bool untitled;
        void (DocumentWorkflow::*command)();
        bool save;
        std::u16string title;
        std::string fileName;  // "=path": the document's own path
        int flags;
    };
    const Case cases[] = {
        {"open", false, &DocumentWorkflow::fileOpen_Click, false, u"打开文件...", "",
         CommonDialog::FileMustExist},
        {"save untitled", true, &DocumentWorkflow::fileSave_Click, true, u"保存文档", "ann.kyq",
         CommonDialog::OverwritePrompt},
        {"save as untitled", true, &DocumentWorkflow::fileSaveas_Click, true, u"另存为...",
         "ann.kyq", CommonDialog::OverwritePrompt},
        {"save as", false, &DocumentWorkflow::fileSaveas_Click, true, u"另存为...", "=path",
         CommonDialog::OverwritePrompt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Open(a);
        if (c.untitled)
            app_->Document.Path = PasswordDocument::NewDocumentPath;
        app_->Document.Modified = true;
        const std::string path = app_->Document.Path;
        boxes_->FileRequests.clear();
        boxes_->Files.push_back(std::nullopt);  // the dialog is cancelled
        boxes_->Answers = {MsgAnswer::Cancel};  // the save prompt of the open, if any
        (workflow_.get()->*c.command)();
        if (c.what == std::string("open")) {
            EXPECT_TRUE(boxes_->FileRequests.empty());  // called off at the save prompt
            boxes_->Answers = {MsgAnswer::No};
            workflow_->fileOpen_Click();
        }
        ASSERT_EQ(boxes_->FileRequests.size(), 1u);
        const FileDialogRequest& request = boxes_->FileRequests[0];
        EXPECT_EQ(request.Save, c.save);
        EXPECT_EQ(request.DialogTitle, c.title);
        EXPECT_EQ(request.FileName, c.fileName == "=path" ? path : c.fileName);
        EXPECT_EQ(request.Flags, c.flags);
        EXPECT_EQ(app_->Document.Path, path);
        boxes_->Answers = {MsgAnswer::No};
        (void)workflow_->CloseDocument();
    }
    EXPECT_EQ(boxes_->Unexpected, 0);
}

// Every way an open or a close can be called off leaves the document as it was.
TEST_F(DocumentRules, CancelsAndFailuresKeepOrRestoreTheDocument)
{
    const std::string a = MakeFile("a.kyq");
    Open(a);
    app_->Document.Modified = true;

    // Cancel at the save prompt: still open, still modified.
    boxes_->Answers = {MsgAnswer::Cancel};
    EXPECT_EQ(workflow_->CloseDocument(), DocumentWorkflow::CloseResult::Cancelled);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_TRUE(app_->Document.Modified);

    // No, then cancel the open dialog: the document comes back, its changes still unsaved.
    boxes_->Answers = {MsgAnswer::No};
    boxes_->Files.push_back(std::nullopt);
    workflow_->fileOpen_Click();
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"A", u"b"}));
    app_->Document.Modified = false;

    // Cancel of the password prompt: the same.
    boxes_->Files.push_back(MakeFile("other.kyq"));
    workflow_->fileOpen_Click();
    EXPECT_EQ(view_.PromptsShown, 1);
    workflow_->RestorePreviousDocument();
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"A", u"b"}));

    // A file that is not there: the damaged-file message names why, the document stays.
    boxes_->Boxes.clear();
    boxes_->Files.push_back(File("missing.kyq"));
    workflow_->fileOpen_Click();
    ASSERT_EQ(boxes_->Boxes.size(), 1u);
    EXPECT_EQ(boxes_->Boxes[0].Text.rfind(u"不支持此文件格式或此文件已损坏。", 0), 0u);
    EXPECT_NE(boxes_->Boxes[0].Text.find(u"不存在"), std::u16string::npos);
    EXPECT_EQ(app_->Document.Path, a);

    // Damaged content: the message alone, no reason line.
    const std::string junk = File("junk.kyq");
    WriteBytes(junk, std::vector<uint8_t>{1, 2, 3, 4, 5});
    boxes_->Boxes.clear();
    boxes_->Files.push_back(junk);
    workflow_->fileOpen_Click();
    ASSERT_EQ(boxes_->Boxes.size(), 1u);
    EXPECT_EQ(boxes_->Boxes[0].Text, u"不支持此文件格式或此文件已损坏。\n文件名：" +
                                         std::u16string(junk.begin(), junk.end()));
    EXPECT_EQ(app_->Document.Path, a);

    // A save that fails keeps the path and the flag; closing after it stays open. The
    // message speaks of an old file only where there was one.
    app_->Document.Modified = true;
    boxes_->Boxes.clear();
    boxes_->Files.push_back(File("no/such/folder/x.kyq"));
    workflow_->fileSaveas_Click();
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_TRUE(app_->Document.Modified);
    ASSERT_EQ(boxes_->Boxes.size(), 1u);
    EXPECT_EQ(boxes_->Boxes[0].Text.find(u"原有的文件"), std::u16string::npos);
    boxes_->Answers = {MsgAnswer::Yes};
    fs::permissions(a, fs::perms::owner_read);  // no write bit: refused even for root
    EXPECT_EQ(workflow_->CloseDocument(), DocumentWorkflow::CloseResult::Cancelled);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(boxes_->Unexpected, 0);
}

TEST_F(DocumentRules, UndoAlwaysLeavesTheDocumentModifiedSoCloseAsks)
{
    const std::string a = MakeFile("a.kyq");
    Open(a);
    view_.SelectPosition(2);  // "A"
    boxes_->Answers = {MsgAnswer::Yes};
    commands_->passDel_Click();
    EXPECT_EQ(view_.Rows, std::vector<std::u16string>{u"b"});
    EXPECT_EQ(view_.Status, u"文件a.kyq共有1个密码。");
    workflow_->fileSave_Click();
    EXPECT_FALSE(app_->Document.Modified);

    commands_->passUndo_Click();
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"A", u"b"}));
    EXPECT_TRUE(app_->Document.Modified);
    // Nothing is selected in the rebuilt tree: count, details and record commands follow.
    EXPECT_EQ(view_.Status, u"文件a.kyq共有2个密码。");
    EXPECT_EQ(view_.Details, (std::array<std::u16string, 4>{}));
    EXPECT_FALSE(view_.RecordCommands);

    // Quitting asks; Yes writes the record back into the file.
    boxes_->Answers = {MsgAnswer::Yes};
    EXPECT_EQ(workflow_->CloseDocument(), DocumentWorkflow::CloseResult::Closed);
    PasswordDocument reread;
    reread.Path = a;
    ASSERT_TRUE(ProbeHeader(reread, a));
    ASSERT_TRUE(OpenProbedDocument(reread, u"pw", ExpiryContextForToday(60000)));
    EXPECT_EQ(reread.EntryCount(), 2);
    EXPECT_EQ(boxes_->Unexpected, 0);
}

// What a read announces: expired passwords in file order (not title order). A save of an
// untitled document answered with a bare name lands in the initial folder.
TEST_F(DocumentRules, AReadListsExpiredPasswordsAndABareNameSavesInTheInitialFolder)
{
    const PasswordDocument doc = MakeDocument(
        u"ann", u"pw",
        {Record(u"zeta", u"u", u"p", 2001, 1, 1), Record(u"fresh", u"u", u"p", 9999, 1, 1),
         Record(u"alpha", u"u", u"p", 1999, 5, 5)});
    ASSERT_TRUE(WriteDocument(doc, File("old.kyq")));
    boxes_->Files.push_back(File("old.kyq"));
    workflow_->fileOpen_Click();
    const FormatResult read = OpenProbedDocument(app_->Document, u"pw", ExpiryContextForToday(60));
    boxes_->WhileShown = [&](const RecordedBox&) { EXPECT_EQ(view_.PromptsClosed, 1); };  // never over it
    workflow_->FinishRead(read, false);
    ASSERT_EQ(boxes_->Boxes.size(), 1u);
    EXPECT_EQ(boxes_->Boxes[0].Text, u"以下密码已过期，请更换：\r\nzeta\r\nalpha");
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"alpha", u"fresh", u"zeta"}));

    app_->Document.Path = PasswordDocument::NewDocumentPath;  // untitled, as 新建 leaves it
    dialog_->InitDir = folder_.string();
    boxes_->Files.push_back(std::string("bare.kyq"));
    workflow_->fileSave_Click();
    EXPECT_EQ(app_->Document.Path, File("bare.kyq"));
    EXPECT_TRUE(fs::exists(File("bare.kyq")));
    EXPECT_EQ(app_->Settings.LastFile, File("bare.kyq"));
    EXPECT_EQ(boxes_->Unexpected, 0);
}

// The password commands: the deletes ask first, add stops at the record limit, and a
// double click does what the option says.
TEST_F(DocumentRules, EntryCommandsAskFirstAndKeepToTheLimit)
{
    Open(MakeFile("a.kyq"));
    const auto forms = [this] { return view_.Forms.size(); };

    view_.SelectPosition(3);  // "b"
    boxes_->Answers = {MsgAnswer::No};
    commands_->passDel_Click();
    boxes_->Answers = {MsgAnswer::No};
    commands_->passDelAll_Click();
    EXPECT_EQ(app_->Document.EntryCount(), 2);
    EXPECT_FALSE(app_->Document.Modified);

    struct Click {
        int dblClick;
        size_t boxes, forms;  // added by the double click
    };
    for (const Click c : {Click{1, 1, 0}, Click{2, 0, 1}, Click{3, 0, 0}}) {
        SCOPED_TRACE(c.dblClick);
        app_->Settings.DblClick = c.dblClick;
        const size_t boxesBefore = boxes_->Boxes.size(), formsBefore = forms();
        view_.SelectPosition(1);  // the root shows nothing
        tree_->TV1_DblClick();
        view_.SelectPosition(3);
        tree_->TV1_DblClick();
        EXPECT_EQ(boxes_->Boxes.size() - boxesBefore, c.boxes);
        EXPECT_EQ(forms() - formsBefore, c.forms);
    }
    EXPECT_EQ(app_->Session.EditIndex, 2);

    boxes_->Answers = {MsgAnswer::Yes};
    commands_->passDelAll_Click();
    EXPECT_TRUE(view_.Rows.empty());
    EXPECT_EQ(view_.Root, u"ann");
    EXPECT_TRUE(app_->Document.Modified);
    commands_->passUndo_Click();
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"A", u"b"}));

    app_->Document.Entries.resize(PasswordDocument::MaxEntries + 1);
    const size_t formsBefore = forms();
    commands_->passAdd_Click();
    EXPECT_EQ(forms(), formsBefore);
    EXPECT_EQ(boxes_->Boxes.back().Icon, MsgIcon::Warning);
    app_->Document.Entries.resize(PasswordDocument::MaxEntries);
    commands_->passAdd_Click();
    EXPECT_EQ(view_.Forms.back(), FormId::AddPass);
    EXPECT_EQ(boxes_->Unexpected, 0);
}

// A second start hands a file over: the open document closes first (its save prompt can
// call it off), and the sender waits only while a password prompt is up.
// Every way an open can fail to happen after the save prompt was answered: the record
// added before is on screen and still unsaved, so closing asks again; after a Yes the
// restored document is saved and nothing asks.
TEST_F(DocumentRules, ARestoredDocumentKeepsItsUnsavedChanges)
{
    const std::string a = MakeFile("a.kyq");
    const std::string junk = File("junk.kyq");
    WriteBytes(junk, std::vector<uint8_t>{1, 2, 3, 4, 5});
    const std::string b = MakeFile("b.kyq");
    struct Case {
        const char* route;
        MsgAnswer answer;
        std::function<void()> run;
    };
    const auto cancelPrompt = [this] {
        ASSERT_EQ(view_.PromptsShown, 1);
        workflow_->RestorePreviousDocument();
    };
    const std::vector<Case> routes = {
        {"open dialog cancelled", MsgAnswer::No,
         [&] {
             boxes_->Files.push_back(std::nullopt);
             workflow_->fileOpen_Click();
         }},
        {"password prompt cancelled", MsgAnswer::No,
         [&] {
             boxes_->Files.push_back(b);
             workflow_->fileOpen_Click();
             cancelPrompt();
         }},
        {"unreadable file", MsgAnswer::No,
         [&] {
             boxes_->Files.push_back(junk);
             workflow_->fileOpen_Click();
         }},
        {"hand-over, prompt cancelled", MsgAnswer::No,
         [&] {
             workflow_->OpenHandedOver("\"" + b + "\"");
             cancelPrompt();
         }},
        {"hand-over of a damaged file", MsgAnswer::No,
         [&] { workflow_->OpenHandedOver(junk); }},
        {"drop, prompt cancelled", MsgAnswer::No,
         [&] {
             workflow_->DropFiles({b});
             cancelPrompt();
         }},
        {"new document cancelled", MsgAnswer::No,
         [&] {
             workflow_->fileNew_Click();
             ASSERT_EQ(view_.Forms.back(), FormId::NewOne);
             workflow_->RestorePreviousDocument();
         }},
        {"saved first, then the open dialog cancelled", MsgAnswer::Yes,
         [&] {
             boxes_->Files.push_back(std::nullopt);
             workflow_->fileOpen_Click();
         }},
    };
    for (const Case& c : routes) {
        SCOPED_TRACE(c.route);
        MakeFile("a.kyq");
        Open(a);
        // What the add dialog's OK does.
        commands_->TakeChangeSnapshot();
        app_->Document.AppendEntry(Record(u"new", u"nn", u"np"));
        app_->Document.AddTitle(app_->Document.Entries.back());
        tree_->ReorderEntries(false);
        const std::vector<std::u16string> shown = view_.Rows;
        ASSERT_TRUE(app_->Document.Modified);

        boxes_->Answers = {c.answer};
        view_.PromptsShown = 0;
        const uint64_t serial = app_->DocSession.Serial;
        c.run();
        // Back, but no longer the document a fill dialog listed before.
        EXPECT_NE(app_->DocSession.Serial, serial);
        EXPECT_EQ(app_->Document.Path, a);
        EXPECT_EQ(view_.Rows, shown);
        EXPECT_EQ(app_->Document.Modified, c.answer == MsgAnswer::No);
        boxes_->Answers = {MsgAnswer::No};
        workflow_->fileClose_Click();
        EXPECT_EQ(boxes_->Answers.empty(), c.answer == MsgAnswer::No);  // the close asked
        boxes_->Answers.clear();
        view_.PromptsShown = 0;
    }
}

TEST_F(DocumentRules, AHandOverClosesFirstAndWaitsOnlyForAPrompt)
{
    using Step = DocumentWorkflow::HandOverStep;
    const std::string a = MakeFile("a.kyq");
    const std::string b = MakeFile("b.kyq");
    Open(a);
    EXPECT_EQ(workflow_->OpenHandedOver(""), Step::Done);  // nothing named
    EXPECT_EQ(app_->Document.Path, a);

    app_->Document.Modified = true;
    boxes_->Answers = {MsgAnswer::Cancel};
    EXPECT_EQ(workflow_->OpenHandedOver("\"" + b + "\""), Step::Done);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_TRUE(app_->Document.Modified);

    boxes_->Answers = {MsgAnswer::No};
    EXPECT_EQ(workflow_->OpenHandedOver("\"" + b + "\""), Step::PromptOpen);
    EXPECT_EQ(app_->Document.Path, b);
    EXPECT_EQ(view_.PromptsShown, 1);
    workflow_->RestorePreviousDocument();  // the prompt cancelled

    boxes_->Boxes.clear();
    boxes_->Answers = {MsgAnswer::No};  // the change declined before is still unsaved
    EXPECT_EQ(workflow_->OpenHandedOver(File("gone.kyq")), Step::Done);
    EXPECT_EQ(boxes_->Boxes.size(), 2u);  // the save prompt, then why it cannot be opened
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(boxes_->Unexpected, 0);
}

// A sealed document: an empty or wrong password is said and the prompt stays for another try; a
// cancelled open of another file brings the sealed document back sealed, with its key, so
// its next save is sealed and derives nothing.
TEST_F(DocumentRules, ASealedOpenRetriesAndACancelledOpenKeepsTheSeal)
{
    int derivations = 0;
    app_->SealedKeyCost = LowestKeyCost;
    app_->KeyWork = [&](const std::function<void()>& work) {
        ++derivations;
        work();
    };
    PasswordDocument sealed = MakeDocument(u"ann", u"pw", {Record(u"A", u"ann", u"pa")});
    sealed.FormatVersion = SealedFormatNumber;
    ASSERT_TRUE(SaveDocument(sealed, File("s.kyq"), LowestKeyCost));

    boxes_->Files.push_back(File("s.kyq"));
    workflow_->fileOpen_Click();
    EXPECT_EQ(AnswerPrompt(u""), UnlockOutcome::EmptyPassword);
    EXPECT_EQ(AnswerPrompt(u"PW"), UnlockOutcome::WrongPassword);
    ASSERT_EQ(boxes_->Boxes.size(), 2u);
    EXPECT_EQ(boxes_->Boxes[0].Text, EmptyPasswordMessage);
    EXPECT_EQ(boxes_->Boxes[1].Text.rfind(WrongPasswordMessage, 0), 0u);
    EXPECT_EQ(app_->Document.EntryCount(), 0);
    EXPECT_EQ(AnswerPrompt(u"pw"), UnlockOutcome::Opened);
    EXPECT_EQ(view_.Rows, (std::vector<std::u16string>{u"A"}));
    EXPECT_EQ(derivations, 2);

    boxes_->Files.push_back(MakeFile("plain.kyq"));
    workflow_->fileOpen_Click();
    workflow_->RestorePreviousDocument();
    EXPECT_EQ(app_->Document.Path, File("s.kyq"));
    EXPECT_TRUE(app_->Document.IsSealed());
    app_->Document.Modified = true;
    ASSERT_TRUE(workflow_->WriteDocumentFile());
    EXPECT_EQ(derivations, 2);
    PasswordDocument again;
    const auto bytes = ReadBytes(File("s.kyq"));
    ASSERT_TRUE(ProbeHeaderBytes(again, bytes));
    ASSERT_TRUE(OpenProbedBytes(again, bytes, u"pw", ExpiryContext{0, 2024, 6, 1}));
    EXPECT_EQ(again.FormatVersion, SealedFormatNumber);
    EXPECT_EQ(StoredRecords(again), StoredRecords(sealed));

    // Closed for good: the key (its pages wiped as they go) and the password go with it.
    const std::weak_ptr<const SealedKey> key = app_->Document.SealKey;
    ASSERT_FALSE(key.expired());
    workflow_->fileClose_Click();
    EXPECT_TRUE(key.expired());
    EXPECT_FALSE(app_->Document.DocumentPassword().HoldsMemory());
    EXPECT_FALSE(app_->DocSession.SnapshotPassword().HoldsMemory());
}

// An undo of a record keeps the later owner, password and seal (sealed and format 200 files).
TEST_F(DocumentRules, UndoOfARecordKeepsTheNewOwnerPasswordAndSeal)
{
    app_->SealedKeyCost = LowestKeyCost;
    PasswordDocument sealed = MakeDocument(u"ann", u"pw", {Record(u"A", u"ann", u"pa")});
    sealed.FormatVersion = SealedFormatNumber;
    ASSERT_TRUE(SaveDocument(sealed, File("s.kyq"), LowestKeyCost));
    for (const std::string& path : {File("s.kyq"), MakeFile("plain.kyq")}) {
        Open(path);
        ASSERT_EQ(commands_->AddEntry({u"new", u"nn", u"np"}).Outcome, EntryChangeOutcome::Changed);
        ApplyPasswordChange(app_->Document, u"pw2", true);
        app_->Document.OwnerName() = u"bea";
        commands_->passUndo_Click();
        workflow_->fileSave_Click();
        PasswordDocument again;
        const auto bytes = ReadBytes(path);
        ASSERT_TRUE(ProbeHeaderBytes(again, bytes) && OpenProbedBytes(again, bytes, u"pw2", ExpiryContext{0, 2024, 6, 1}));
        EXPECT_EQ(again.FormatVersion, SealedFormatNumber);
        EXPECT_EQ(again.OwnerName(), u"bea");
        EXPECT_EQ(StoredRecords(again), StoredRecords(app_->Document));  // without "new"
        workflow_->CloseDocument();
    }
}

// The titles stored in the file at `path` (password "pw"), in file order.
std::vector<std::u16string> TitlesIn(const std::string& path)
{
    PasswordDocument doc;
    doc.Path = path;
    if (!ProbeHeader(doc, path))
        return {};
    if (!OpenProbedDocument(doc, u"pw", ExpiryContextForToday(60000)))
        return {};
    std::vector<std::u16string> titles;
    for (int i = 1; i <= doc.EntryCount(); ++i)
        titles.push_back(doc.Entries[static_cast<size_t>(i)].Title);
    return titles;
}

// A sync client or another machine puts its own version where the open document's file
// was: a save asks before writing over it, and asks only then.
TEST_F(DocumentRules, ASaveOverAFileAnotherProgramChangedAsksFirst)
{
    const std::vector<std::u16string> ours = {u"A", u"b", u"mine"};
    const std::vector<std::u16string> theirs = {u"theirs"};
    auto replaceWithTheirs = [&](const std::string& a) {
        ASSERT_TRUE(WriteDocument(MakeDocument(u"ann", u"pw", {Record(u"theirs", u"t", u"pt")}), a));
    };
    struct Case {
        const char* what;
        std::function<void(const std::string& a)> change;  // what the other program does
        std::optional<MsgAnswer> answer;                   // none: no question
        std::vector<std::u16string> inA;                   // a.kyq afterwards
        bool savedAsB = false;                             // ours went to b.kyq instead
        bool fails = false;                                // a folder stands there now
    };
    const std::vector<Case> cases = {
        {"nothing", [](const std::string&) {}, std::nullopt, ours},
        {"only the time moved", [](const std::string& a) { ASSERT_EQ(::utimensat(AT_FDCWD, a.c_str(), nullptr, 0), 0); },
         std::nullopt, ours},
        {"the file was deleted", [](const std::string& a) { fs::remove(a); }, std::nullopt, ours},
        {"replaced, and the user cancels", replaceWithTheirs, MsgAnswer::Cancel, theirs},
        {"replaced, and the user saves under another name", replaceWithTheirs, MsgAnswer::No, theirs, true},
        // Size and time as before: only the content tells.
        {"changed in place within the time's resolution, and the user overwrites",
         [](const std::string& a) {
             struct stat before {};
             ASSERT_EQ(::stat(a.c_str(), &before), 0);
             const int fd = ::open(a.c_str(), O_WRONLY);
             ASSERT_GE(fd, 0);
             ASSERT_EQ(::pwrite(fd, "\x7F", 1, before.st_size - 1), 1);
             const struct timespec times[2] = {before.st_atim, before.st_mtim};
             ASSERT_EQ(::futimens(fd, times), 0);
             ::close(fd);
         },
         MsgAnswer::Yes, ours},
        {"replaced by a folder, and the user overwrites",
         [](const std::string& a) { fs::remove(a), fs::create_directory(a); }, MsgAnswer::Yes, {}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string a = MakeFile("a.kyq"), b = File("b.kyq");
        fs::remove(b);
        Open(a);
        ASSERT_TRUE(app_->Document.AppendEntry(Record(u"mine", u"me", u"pm")));
        app_->Document.Modified = true;
        c.change(a);

        boxes_->Boxes.clear();
        if (c.answer)
            boxes_->Answers = {*c.answer};
        if (c.savedAsB)
            boxes_->Files.push_back(b);
        workflow_->fileSave_Click();
        const bool asked = !boxes_->Boxes.empty() && boxes_->Boxes[0].Buttons == MsgButtons::OverwriteSaveAsCancel;
        EXPECT_EQ(asked, c.answer.has_value());
        EXPECT_EQ(TitlesIn(a), c.inA);
        const bool written = c.answer != MsgAnswer::Cancel && !c.fails;
        EXPECT_EQ(app_->Document.Modified, !written);
        // A new name proposed beside the file; no claim of an original file where there is none.
        EXPECT_TRUE(!c.savedAsB || boxes_->FileRequests.back().FileName == File("a (2).kyq"));
        EXPECT_TRUE(!c.fails || boxes_->Boxes.back().Text.find(u"原有的文件") == std::u16string::npos);
        EXPECT_EQ(app_->Document.Path, c.savedAsB ? b : a);
        EXPECT_EQ(TitlesIn(b), c.savedAsB ? ours : std::vector<std::u16string>{});
        EXPECT_EQ(boxes_->Unexpected, 0);

        // What the program wrote last is what the next save expects to find.
        if (written) {
            boxes_->Boxes.clear();
            app_->Document.Modified = true;
            workflow_->fileSave_Click();
            EXPECT_TRUE(boxes_->Boxes.empty());
            EXPECT_FALSE(app_->Document.Modified);
        }
        app_->Document.Modified = false;
        workflow_->CloseDocument();
        fs::remove_all(a);
    }
}

// Add and edit: the record is stamped with today, the records follow the title index
// (also when the title moves), the changed record is selected, and one undo goes back.
TEST_F(DocumentRules, AddAndEditStampTodayKeepTitleOrderAndSelectTheRecord)
{
    struct Case {
        const char* what;
        int editIndex;  // 0: add
        EntryTexts texts;
        std::vector<std::u16string> titles;
        int position;  // of the changed record among the records
    };
    const Case cases[] = {
        // Blanks are content, also alone.
        {"add", 0, {u"Bank", u" ", u"  "}, {u"A", u"b", u"Bank", u"c", u"Mail"}, 3},
        {"edit without a change", 4, {u"Mail", u"me", u"pm"}, {u"A", u"b", u"c", u"Mail"}, 4},
        {"edit to its own title in other case", 4, {u"MAIL", u"new user", u"pm"}, {u"A", u"b", u"c", u"MAIL"}, 4},
        {"edit that moves the record", 1, {u"zz", u"ann", u"pa"}, {u"b", u"c", u"Mail", u"zz"}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PasswordDocument four = MakeDocument(
            u"ann", u"pw", {Record(u"b", u"bob", u"pb"), Record(u"A", u"ann", u"pa"), Record(u"Mail", u"me", u"pm"),
                            Record(u"c", u"cid", u"pc")});
        ASSERT_TRUE(WriteDocument(four, File("four.kyq")));
        Open(File("four.kyq"));
        const std::vector<PasswordEntry> before = StoredRecords(app_->Document);
        app_->Session.EditIndex = c.editIndex;
        const EntryChange change =
            c.editIndex ? commands_->EditEntry(c.editIndex, before[static_cast<size_t>(c.editIndex - 1)].Title, c.texts)
                        : commands_->AddEntry(c.texts);
        ASSERT_EQ(change.Outcome, EntryChangeOutcome::Changed);
        EXPECT_EQ(view_.Rows, c.titles);
        const PasswordEntry& changed = app_->Document.Entries[static_cast<size_t>(c.position)];
        EXPECT_EQ(changed, Record(c.texts.Title, c.texts.UserName, c.texts.Password, 2026, 12, 8));
        EXPECT_EQ(view_.Selected, c.position + 1);
        EXPECT_EQ(view_.Details[0], c.texts.Title);
        EXPECT_TRUE(app_->Document.Modified);
        EXPECT_TRUE(view_.Undo);
        commands_->passUndo_Click();
        EXPECT_EQ(StoredRecords(app_->Document), before);
        app_->Document.Modified = false;
        workflow_->CloseDocument();
    }
}

// A refused add or edit, or one whose record went away behind the dialog, changes nothing.
TEST_F(DocumentRules, RefusedOrVoidAddAndEditChangeNothing)
{
    Open(MakeFile("a.kyq"));  // A, b
    PasswordDocument& doc = app_->Document;
    const std::vector<PasswordEntry> before = StoredRecords(doc);
    app_->Session.EditIndex = 1;
    struct Case {
        const char* what;
        std::function<EntryChange()> change;
        EntryChangeOutcome outcome;
        EntryField field;
    };
    const Case cases[] = {
        {"empty fields", [&] { return commands_->AddEntry({}); }, EntryChangeOutcome::Refused, EntryField::Title},
        {"title of another record", [&] { return commands_->EditEntry(1, u"A", {u"B", u"u", u"p"}); },
         EntryChangeOutcome::Refused, EntryField::Title},
        {"the record was retitled behind the dialog",
         [&] { return commands_->EditEntry(1, u"Old", {u"New", u"u", u"p"}); }, EntryChangeOutcome::RecordGone,
         EntryField::None},
        {"another record is being edited", [&] { return commands_->EditEntry(2, u"b", {u"New", u"u", u"p"}); },
         EntryChangeOutcome::RecordGone, EntryField::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const EntryChange change = c.change();
        EXPECT_EQ(change.Outcome, c.outcome);
        EXPECT_EQ(change.Refusal.Field, c.field);
        EXPECT_EQ(StoredRecords(doc), before);
        EXPECT_FALSE(doc.Modified);
        EXPECT_FALSE(view_.Undo);
    }

    // The record limit: the add command says so and opens no dialog; an add dialog already
    // open is refused the same way.
    while (doc.EntryCount() < PasswordDocument::MaxEntries)
        doc.AppendEntry(Record(u"t", u"u", u"p"));
    boxes_->Boxes.clear();
    commands_->passAdd_Click();
    EXPECT_TRUE(view_.Forms.empty());
    ASSERT_EQ(boxes_->Boxes.size(), 1u);
    const EntryChange full = commands_->AddEntry({u"new", u"u", u"p"});
    EXPECT_EQ(full.Outcome, EntryChangeOutcome::Refused);
    EXPECT_EQ(full.Refusal.Message, boxes_->Boxes[0].Text);
    EXPECT_EQ(doc.EntryCount(), PasswordDocument::MaxEntries);

    // With the document closed behind the dialog there is nothing to add to.
    doc.Modified = false;
    workflow_->CloseDocument();
    EXPECT_EQ(commands_->AddEntry({u"new", u"u", u"p"}).Outcome, EntryChangeOutcome::RecordGone);
}

}  // namespace
}  // namespace kyq::test
