// The document workflow on the real main window: new, open, save, save as, close and drop,
// every cancel path, and the restore of the previous document.
#include <QAction>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLabel>
#include <QTreeView>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "core/document/Cipher.h"
#include "core/document/PathText.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/Asking.h"
#include "gui/credentials/NewOne.h"
#include "platform/Utf.h"
#include "support/DocumentTestSupport.h"

namespace kyq::test {
namespace {

using Workflow = GuiTest;

std::vector<PasswordEntry> ThreeEntries()
{
    return {Entry(u"b", u"bob", u"pb"), Entry(u"A", u"ann", u"pa"), Entry(u"c", u"cid", u"pc")};
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

TEST_F(Workflow, StartsWithoutDocument)
{
    EXPECT_EQ(Caption(), u"Keyquill");
    EXPECT_EQ(main_->StatusPanel(1), u"未打开文件");
    EXPECT_EQ(main_->StatusPanel(2), u"Keyquill");
    EXPECT_EQ(main_->StatusPanel(3), u"Tarnwick工作室");
    EXPECT_EQ(RootText(), u"未打开任何文件");
    EXPECT_TRUE(TreeRows().empty());
    for (QAction* a : {main_->Menus.fileSave, main_->Menus.fileSaveas, main_->Menus.fileUser,
                       main_->Menus.fileClose, main_->Menus.passUndo, main_->Menus.passAdd,
                       main_->Menus.passEdit, main_->Menus.passDel, main_->Menus.passDelAll})
        EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_FALSE(main_->txtKey->isEnabled());
    EXPECT_FALSE(main_->lblFind->isEnabled());
    for (QAction* a : {main_->Menus.fileNew, main_->Menus.fileOpen, main_->Menus.fileExit,
                       main_->Menus.toolPass, main_->Menus.toolOption, main_->Menus.helpHelp})
        EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
}

TEST_F(Workflow, OpenAsksForThePasswordOverTheDisabledWindowThenShowsTheRecords)
{
    const std::string path = MakeFile("home.kyq", u"王小明", u"secret", ThreeEntries());
    messages_->Files.push_back(path);
    main_->Workflow.fileOpen_Click();

    ASSERT_EQ(messages_->FileRequests.size(), 1u);
    const FileDialogRequest& request = messages_->FileRequests[0];
    EXPECT_FALSE(request.Save);
    EXPECT_EQ(request.DialogTitle, u"打开文件...");
    EXPECT_EQ(request.Filter, u"Keyquill文档 (*.kyq)|*.kyq|所有文件 (*.*)|*.*");
    EXPECT_EQ(request.Flags, 4096);
    EXPECT_EQ(request.FileName, "");

    Asking* prompt = Prompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_TRUE(app_->Document.PasswordPromptOpen);
    EXPECT_EQ(prompt->windowTitle().toStdU16String(), u"检查文档“home.kyq”的密码");
    EXPECT_EQ(prompt->Label2->text().toStdU16String(),
              u"您好，王小明！欢迎您使用Tarnwick工作室制作的“Keyquill”软件。请输入您的密码：");
    EXPECT_EQ(prompt->txtPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(RootText(), u"王小明");
    EXPECT_TRUE(TreeRows().empty());

    prompt->txtPass->setText(QStringLiteral("secret"));
    prompt->Command1_Click();
    FlushDeletes();

    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_FALSE(app_->Document.PasswordPromptOpen);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_EQ(app_->Document.Entries[1].UserName, u"ann");
    EXPECT_EQ(Caption(), u"Keyquill - home.kyq");
    EXPECT_EQ(main_->StatusPanel(1), u"文件home.kyq共有3个密码。");
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
    EXPECT_TRUE(main_->Menus.fileClose->isEnabled());
    EXPECT_TRUE(main_->txtKey->isEnabled());
    EXPECT_EQ(app_->Settings.LastFile, path);
    EXPECT_EQ(app_->Settings.InitDir, Folder());
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(messages_->Unexpected, 0);
}

TEST_F(Workflow, AWrongPasswordOpensGarbledTextsWithoutAMessage)
{
    const std::string path = MakeFile("home.kyq", u"me", u"secret", ThreeEntries());
    OpenDocument(path, u"wrong");
    EXPECT_EQ(app_->Document.EntryCount(), 3);
    EXPECT_NE(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(Caption(), u"Keyquill - home.kyq");
}

TEST_F(Workflow, EmptyPasswordIsRefusedAndThePromptStays)
{
    const std::string path = MakeFile("home.kyq", u"me", u"secret", ThreeEntries());
    messages_->Files.push_back(path);
    main_->Workflow.fileOpen_Click();
    Asking* prompt = Prompt();
    ASSERT_NE(prompt, nullptr);
    prompt->Command1_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"密码不可能为空！");
    EXPECT_EQ(messages_->Boxes[0].Title, u"错误");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_EQ(Prompt(), prompt);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_FALSE(main_->isEnabled());
}

TEST_F(Workflow, CancellingThePromptBringsThePreviousDocumentBack)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string b = MakeFile("b.kyq", u"bea", u"pw", {Entry(u"x", u"y", u"z")});
    OpenDocument(a, u"pw");
    messages_->Files.push_back(b);
    main_->Workflow.fileOpen_Click();
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(RootText(), u"bea");
    Prompt()->close();  // the close box does what Cancel does
    FlushDeletes();

    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_EQ(RootText(), u"ann");
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(Caption(), u"Keyquill - a.kyq");
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
}

TEST_F(Workflow, CancelledOpenDialogRestoresDeclinedChangesUnmodified)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    OpenDocument(a, u"pw");
    ClickNode(2);  // "A"
    messages_->Answers = {MsgAnswer::Yes};
    main_->Commands.passDel_Click();
    ASSERT_TRUE(app_->Document.Modified);

    messages_->Answers = {MsgAnswer::No};  // do not save
    messages_->Files.push_back(std::nullopt);
    main_->Workflow.fileOpen_Click();

    EXPECT_EQ(messages_->Boxes.back().Text, u"将改动保存到a.kyq吗？");
    EXPECT_EQ(messages_->Boxes.back().Buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(messages_->Boxes.back().Icon, MsgIcon::Question);
    EXPECT_EQ(messages_->Boxes.back().Title, u"Keyquill");
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"b", u"c"}));
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(Caption(), u"Keyquill - a.kyq");
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
}

TEST_F(Workflow, CancelledOpenWithoutDocumentStaysWithoutDocument)
{
    messages_->Files.push_back(std::nullopt);
    main_->Workflow.fileOpen_Click();
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_EQ(Caption(), u"Keyquill");
    EXPECT_EQ(RootText(), u"未打开任何文件");
    EXPECT_FALSE(main_->Menus.fileClose->isEnabled());
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(Workflow, CancelAtTheSavePromptStopsTheOpen)
{
    NewDocument(u"ann", u"pw");
    messages_->Boxes.clear();
    messages_->Answers = {MsgAnswer::Cancel};
    main_->Workflow.fileOpen_Click();
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"将改动保存到无标题吗？"});
    EXPECT_TRUE(messages_->FileRequests.empty());
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_EQ(Caption(), u"Keyquill - 无标题");
}

TEST_F(Workflow, UnreadableFileIsReportedAndThePreviousDocumentStays)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string junk = Folder() + "/junk.kyq";
    std::ofstream(junk, std::ios::binary) << "this is not a document";
    OpenDocument(a, u"pw");

    messages_->Files.push_back(junk);
    main_->Workflow.fileOpen_Click();

    EXPECT_EQ(Prompt(), nullptr);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"不支持此文件格式或此文件已损坏。\n文件名：" + Utf8ToUtf16(junk));
    EXPECT_EQ(messages_->Boxes[0].Title, u"Keyquill");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(Workflow, ReaderFailureAfterThePromptRestoresAndClosesThePrompt)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string b = MakeFile("b.kyq", u"bea", u"pw", ThreeEntries());
    // Cut the records off: the header still probes fine.
    std::filesystem::resize_file(b, 50);
    OpenDocument(a, u"pw");
    OpenDocument(b, u"pw");

    EXPECT_EQ(Prompt(), nullptr);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"不支持此文件格式或此文件已损坏。\n文件名：" + Utf8ToUtf16(b));
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_FALSE(app_->Document.PasswordPromptOpen);
}

TEST_F(Workflow, CloseWithoutChangesAsksNothing)
{
    OpenDocument(MakeFile("a.kyq", u"ann", u"pw", ThreeEntries()), u"pw");
    main_->Menus.fileClose->trigger();
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(Caption(), u"Keyquill");
    EXPECT_EQ(main_->StatusPanel(1), u"未打开文件");
    EXPECT_EQ(RootText(), u"未打开任何文件");
    EXPECT_TRUE(TreeRows().empty());
    EXPECT_FALSE(main_->Menus.fileClose->isEnabled());
    EXPECT_FALSE(main_->txtKey->isEnabled());
}

TEST_F(Workflow, ClosingModifiedUntitledDocumentOffersTheSaveDialog)
{
    NewDocument(u"王小明", u"pw");
    messages_->Boxes.clear();
    messages_->Answers = {MsgAnswer::Yes};
    messages_->Files.push_back(std::nullopt);
    EXPECT_EQ(main_->Workflow.CloseDocument(), DocumentWorkflow::CloseResult::Cancelled);

    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"将改动保存到无标题吗？"});
    ASSERT_EQ(messages_->FileRequests.size(), 1u);
    const FileDialogRequest& request = messages_->FileRequests[0];
    EXPECT_TRUE(request.Save);
    EXPECT_EQ(request.DialogTitle, u"另存为...");
    EXPECT_EQ(request.Filter, u"Keyquill文档 (*.kyq)|*.kyq");
    EXPECT_EQ(request.FileName, "王小明.kyq");
    EXPECT_EQ(request.Flags, 2);
    EXPECT_EQ(main_->Dialog.FileName, "");
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_EQ(Caption(), u"Keyquill - 无标题");
}

TEST_F(Workflow, YesAtTheClosePromptSavesTheUntitledDocumentThenCloses)
{
    NewDocument(u"ann", u"pw");
    const std::string target = Folder() + "/saved.kyq";
    messages_->Answers = {MsgAnswer::Yes};
    messages_->Files.push_back(target);
    main_->txtKey->setText(QStringLiteral("x"));
    EXPECT_EQ(main_->Workflow.CloseDocument(), DocumentWorkflow::CloseResult::Closed);

    EXPECT_TRUE(Exists(target));
    EXPECT_EQ(app_->Settings.LastFile, target);
    EXPECT_EQ(app_->Document.PreviousPath, target);
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_TRUE(main_->txtKey->text().isEmpty());
    EXPECT_EQ(main_->Dialog.FileName, "");
    // The saved file opens again.
    OpenDocument(target, u"pw");
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
}

TEST_F(Workflow, NoAtTheClosePromptDiscardsTheChanges)
{
    NewDocument(u"ann", u"pw");
    messages_->Answers = {MsgAnswer::No};
    EXPECT_EQ(main_->Workflow.CloseDocument(), DocumentWorkflow::CloseResult::Closed);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_TRUE(messages_->FileRequests.empty());
}

TEST_F(Workflow, NewDocumentIsUntitledAndLeavesLastFileAlone)
{
    app_->Settings.LastFile = "/somewhere/old.kyq";
    NewDocument(u"ann", u"pw");
    EXPECT_EQ(Caption(), u"Keyquill - 无标题");
    EXPECT_EQ(main_->StatusPanel(1), u"文件无标题共有0个密码。");
    EXPECT_EQ(app_->Settings.LastFile, "/somewhere/old.kyq");
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_EQ(app_->Document.EntryCount(), 0);
    EXPECT_EQ(RootText(), u"ann");
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"欢迎您使用Keyquill！"});
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
}

TEST_F(Workflow, SavingUntitledDocumentWithABareNamePutsItInTheInitialFolder)
{
    NewDocument(u"ann", u"pw");
    main_->Dialog.InitDir = Folder();
    messages_->Files.push_back(std::string("bare.kyq"));
    main_->Workflow.fileSave_Click();

    ASSERT_EQ(messages_->FileRequests.size(), 1u);
    EXPECT_EQ(messages_->FileRequests[0].DialogTitle, u"保存文档");
    EXPECT_EQ(messages_->FileRequests[0].FileName, "ann.kyq");
    EXPECT_EQ(messages_->FileRequests[0].InitDir, Folder());
    const std::string expected = Folder() + "/bare.kyq";
    EXPECT_EQ(app_->Document.Path, expected);
    EXPECT_TRUE(Exists(expected));
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(app_->Settings.LastFile, expected);
    EXPECT_EQ(Caption(), u"Keyquill - bare.kyq");
}

TEST_F(Workflow, CancelledSaveDialogChangesNothing)
{
    NewDocument(u"ann", u"pw");
    messages_->Files.push_back(std::nullopt);
    main_->Workflow.fileSave_Click();
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_TRUE(app_->Document.Modified);

    messages_->Files.push_back(std::nullopt);
    main_->Workflow.fileSaveas_Click();
    EXPECT_EQ(messages_->FileRequests.back().DialogTitle, u"另存为...");
    EXPECT_EQ(messages_->FileRequests.back().FileName, "ann.kyq");
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_TRUE(app_->Document.Modified);
}

TEST_F(Workflow, SaveAsWritesTheNewFileAndRenamesTheWindow)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    OpenDocument(a, u"pw");
    std::filesystem::create_directory(Folder() + "/other");
    const std::string b = Folder() + "/other/b.kyq";
    messages_->Files.push_back(b);
    main_->Workflow.fileSaveas_Click();

    EXPECT_EQ(messages_->FileRequests.back().FileName, a);
    EXPECT_EQ(messages_->FileRequests.back().Flags, 2);
    EXPECT_EQ(app_->Document.Path, b);
    EXPECT_TRUE(Exists(b));
    EXPECT_EQ(app_->Settings.InitDir, Folder() + "/other");
    EXPECT_EQ(main_->Dialog.FileName, "");
    EXPECT_EQ(Caption(), u"Keyquill - b.kyq");
    EXPECT_EQ(app_->Settings.LastFile, b);
}

TEST_F(Workflow, FailedSaveWarnsKeepsModifiedAndLeavesTheOldFile)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const auto before = std::filesystem::file_size(a);
    OpenDocument(a, u"pw");
    // A title the file format cannot hold makes the writer refuse.
    app_->Document.Entries[1].Title = u"\U0001F600";
    app_->Document.Modified = true;
    main_->Workflow.fileSave_Click();

    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(messages_->Boxes[0].Text.rfind(u"无法保存文档“a.kyq”", 0), 0u);
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_EQ(std::filesystem::file_size(a), before);

    // The save offered on close fails the same way: the document stays open.
    messages_->Answers = {MsgAnswer::Yes};
    EXPECT_EQ(main_->Workflow.CloseDocument(), DocumentWorkflow::CloseResult::Cancelled);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_TRUE(app_->Document.Modified);
}

TEST_F(Workflow, SaveIntoAMissingFolderIsReportedAndTheWindowKeepsItsFile)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    struct Case {
        bool untitled;  // Save of a new document, else Save As of an opened one
    };
    for (const Case c : {Case{true}, Case{false}}) {
        SCOPED_TRACE(c.untitled ? "save new" : "save as");
        if (c.untitled)
            NewDocument(u"ann", u"pw");
        else
            OpenDocument(a, u"pw");
        app_->Document.Modified = true;
        const std::string path = app_->Document.Path;
        const std::u16string caption = Caption();
        const std::string lastFile = app_->Settings.LastFile;
        messages_->Boxes.clear();
        messages_->Files.push_back(Folder() + "/no/such/folder/x.kyq");
        if (c.untitled)
            main_->Workflow.fileSave_Click();
        else
            main_->Workflow.fileSaveas_Click();
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
        EXPECT_NE(messages_->Boxes[0].Text.find(u"原有的文件没有改动"), std::u16string::npos);
        EXPECT_TRUE(app_->Document.Modified);
        // Nothing was written there: the window still names the file that holds the document.
        EXPECT_EQ(app_->Document.Path, path);
        EXPECT_EQ(Caption(), caption);
        EXPECT_EQ(app_->Settings.LastFile, lastFile);
        messages_->Answers = {MsgAnswer::No};
        main_->Workflow.CloseDocument();
    }
}

TEST_F(Workflow, DropOpensOnlyTheFirstFile)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string b = MakeFile("b.kyq", u"bea", u"pw", ThreeEntries());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                  QUrl::fromLocalFile(QString::fromStdString(b))});
    main_->OLEDragDrop(&data);
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(Prompt()->windowTitle().toStdU16String(), u"检查文档“a.kyq”的密码");
}

TEST_F(Workflow, DropOfTextOpensNothingButClosesTheDocument)
{
    OpenDocument(MakeFile("a.kyq", u"ann", u"pw", ThreeEntries()), u"pw");
    QMimeData data;
    data.setText(QStringLiteral("/tmp/not-a-file-list.kyq"));
    main_->OLEDragDrop(&data);
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_EQ(Caption(), u"Keyquill");
    EXPECT_EQ(RootText(), u"未打开任何文件");
}

TEST_F(Workflow, DropOnTheTreeOpensTheFile)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(a))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main_->TV1->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(main_->TV1->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(app_->Document.Path, a);
    delete data;
}

TEST_F(Workflow, ClosingWhileThePromptIsUpClosesThePrompt)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    messages_->Files.push_back(a);
    main_->Workflow.fileOpen_Click();
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(main_->Workflow.CloseDocument(), DocumentWorkflow::CloseResult::Closed);
    FlushDeletes();
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_FALSE(app_->Document.PasswordPromptOpen);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(Workflow, FileDialogKeepsItsPropertiesBetweenUses)
{
    messages_->Files.push_back(std::nullopt);
    main_->Workflow.fileOpen_Click();
    EXPECT_EQ(main_->Dialog.DialogTitle, u"打开文件...");
    EXPECT_EQ(main_->Dialog.Flags, 4096);
    EXPECT_EQ(main_->Dialog.Filter, u"Keyquill文档 (*.kyq)|*.kyq|所有文件 (*.*)|*.*");
}

TEST_F(Workflow, OldFormatFileIsReadWithTheLegacyKeyAndAnnounced)
{
    const std::string path = Folder() + "/old.kyq";
    WriteBytes(path, LegacyFile(FixedGrille(), u"王五", DeriveLegacyKey(u"abcd"),
                                {{u"Mail", u"S3cret!", 2003, 7, 9}, {u"网上银行", u"密码12", 1999, 12, 31}}));
    OpenDocument(path, u"abcd");
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"此文件是Keyquill文档的老版本，在下次保存时将被按新格式保存。");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    // Row n is record n, whichever order the collation gives the two titles.
    const std::vector<std::u16string> rows = TreeRows();
    ASSERT_EQ(rows.size(), 2u);
    for (int n = 1; n <= 2; ++n) {
        const PasswordEntry& e = app_->Document.Entries[static_cast<size_t>(n)];
        EXPECT_EQ(rows[static_cast<size_t>(n - 1)], e.Title);
        EXPECT_EQ(e.UserName, e.Title);  // the old format has no user names
        EXPECT_EQ(e.Password, e.Title == u"Mail" ? u"S3cret!" : u"密码12");
    }
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_EQ(app_->Document.Path, path);
}

TEST_F(Workflow, ExpiredPasswordsAreListedAfterTheRead)
{
    app_->Settings.Days = 60;
    const std::string path =
        MakeFile("old.kyq", u"ann", u"pw",
                 {Entry(u"zeta", u"u", u"p", 2001, 1, 1), Entry(u"fresh", u"u", u"p", 9999, 1, 1),
                  Entry(u"alpha", u"u", u"p", 1999, 5, 5)});
    OpenDocument(path, u"pw");
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Title, u"消息");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    // File order, not title order.
    EXPECT_EQ(messages_->Boxes[0].Text, u"以下密码已过期，请更换：\r\nzeta\r\nalpha");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"alpha", u"fresh", u"zeta"}));
}

}  // namespace
}  // namespace kyq::test
