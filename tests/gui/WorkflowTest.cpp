// The document workflow wired to the real main window and its dialogs: the password
// prompt's accept and cancel paths, a failed read after it, close while it is up, a save
// through the new-document dialog, the old format, and drops. The rules themselves are
// tested in the core without a window.
#include <QCheckBox>
#include <QCoreApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "core/document/AnyFormat.h"
#include "core/document/Cipher.h"
#include "core/document/SealedFormat.h"
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
    return {Record(u"b", u"bob", u"pb"), Record(u"A", u"ann", u"pa"), Record(u"c", u"cid", u"pc")};
}

TEST_F(Workflow, OpenAsksForThePasswordOverTheDisabledWindowThenShowsTheRecords)
{
    const std::string path = MakeFile("home.kyq", u"王小明", u"secret", ThreeEntries());
    messages_->Files.push_back(path);
    Trigger(main_.get(), "fileOpen");

    Asking* prompt = Prompt();
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(prompt->isVisible());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(RootText(), u"王小明");
    EXPECT_TRUE(TreeRows().empty());

    // An empty password is refused and the prompt stays.
    Press(prompt, "Command1");
    EXPECT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(Prompt(), prompt);

    Type(prompt, "txtPass", QStringLiteral("secret"));
    Press(prompt, "Command1");
    FlushDeletes();
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_EQ(app_->Document.Path, path);
    EXPECT_TRUE(Control<QAction>("fileClose")->isEnabled());
    EXPECT_TRUE(Box("txtKey")->isEnabled());
    EXPECT_EQ(messages_->Unexpected, 0);
}

TEST_F(Workflow, CancellingThePromptBringsThePreviousDocumentBack)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string b = MakeFile("b.kyq", u"bea", u"pw", {Record(u"x", u"y", u"z")});
    OpenDocument(a, u"pw");
    messages_->Files.push_back(b);
    Trigger(main_.get(), "fileOpen");
    ASSERT_NE(Prompt(), nullptr);
    Prompt()->close();  // the close box does what Cancel does
    FlushDeletes();

    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_EQ(RootText(), u"ann");
}

TEST_F(Workflow, AFailedReadOrACloseTakesThePromptAway)
{
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string b = MakeFile("b.kyq", u"bea", u"pw", ThreeEntries());
    std::filesystem::resize_file(b, 50);  // the header still probes fine
    OpenDocument(a, u"pw");
    OpenDocument(b, u"pw");
    EXPECT_EQ(Prompt(), nullptr);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(app_->Document.Path, a);
    EXPECT_TRUE(main_->isEnabled());

    messages_->Files.push_back(a);
    Trigger(main_.get(), "fileOpen");
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(rules_->Workflow.CloseDocument(), DocumentWorkflow::CloseResult::Closed);
    FlushDeletes();
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_FALSE(app_->DocSession.PasswordPromptOpen);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.Path, "");
}

TEST_F(Workflow, ANewDocumentSavedAtTheClosePromptOpensAgain)
{
    NewDocument(u"ann", u"pw");
    EXPECT_TRUE(app_->Document.IsUntitled());
    const std::string target = Folder() + "/saved.kyq";
    messages_->Answers = {MsgAnswer::Yes};
    messages_->Files.push_back(target);
    Trigger(main_.get(), "fileClose");
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_EQ(app_->Settings.LastFile, target);

    OpenDocument(target, u"pw");
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
    EXPECT_EQ(app_->Document.Path, target);
}

TEST_F(Workflow, OldFormatFileIsReadWithTheLegacyKeyAndAnnounced)
{
    const std::string path = Folder() + "/old.kyq";
    WriteBytes(path, LegacyFile(FixedGrille(), u"王五", DeriveLegacyKey(u"abcd"),
                                {{u"Mail", u"S3cret!", 2003, 7, 9}, {u"网上银行", u"密码12", 1999, 12, 31}}));
    OpenDocument(path, u"abcd");
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, LegacyFormatNotice);
    // Row n is record n, whichever order the collation gives the two titles.
    const std::vector<std::u16string> rows = TreeRows();
    ASSERT_EQ(rows.size(), 2u);
    for (int n = 1; n <= 2; ++n) {
        const PasswordEntry& e = app_->Document.Entries[static_cast<size_t>(n)];
        EXPECT_EQ(rows[static_cast<size_t>(n - 1)], e.Title);
        EXPECT_EQ(e.Password, e.Title == u"Mail" ? u"S3cret!" : u"密码12");
    }
    EXPECT_FALSE(app_->Document.Modified);
}

// A drop on the window or the tree opens the first file of a list; a drop of anything
// else closes the document and opens nothing.
TEST_F(Workflow, DropsOpenTheFirstFile)
{
    // As a drag does it: enter, then drop (Qt delivers no drop without the enter).
    const auto Drop = [this](const QMimeData& data) {
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(TreeView()->viewport(), &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(TreeView()->viewport(), &drop);
    };
    const std::string a = MakeFile("a.kyq", u"ann", u"pw", ThreeEntries());
    const std::string b = MakeFile("b.kyq", u"bea", u"pw", ThreeEntries());
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(QString::fromStdString(a)),
                 QUrl::fromLocalFile(QString::fromStdString(b))});
    Drop(two);
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(app_->Document.Path, a);
    Prompt()->close();
    FlushDeletes();

    OpenDocument(b, u"pw");
    QMimeData text;
    text.setText(QStringLiteral("/tmp/not-a-file-list.kyq"));
    Drop(text);
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_EQ(app_->Document.Path, "");

    auto* data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(QString::fromStdString(b))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(TreeView()->viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(TreeView()->viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    ASSERT_NE(Prompt(), nullptr);
    EXPECT_EQ(app_->Document.Path, b);
    delete data;
}

// A wrong password for a sealed file: the prompt stays, enabled, with the password selected
// for another try and nothing of the file shown; the right one then opens it.
TEST_F(Workflow, ASealedFilePromptRetriesAWrongPassword)
{
    app_->SealedKeyCost = LowestKeyCost;
    PasswordDocument doc = MakeDocument(u"ann", u"pw", ThreeEntries());
    doc.FormatVersion = SealedFormatNumber;
    const std::string path = Folder() + "/s.kyq";
    ASSERT_TRUE(SaveDocument(doc, path, LowestKeyCost));
    messages_->Files.push_back(path);
    Trigger(main_.get(), "fileOpen");
    Asking* prompt = Prompt();
    ASSERT_NE(prompt, nullptr);

    Type(prompt, "txtPass", QStringLiteral("wrong"));
    Press(prompt, "Command1");
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text.rfind(WrongPasswordMessage, 0), 0u);
    EXPECT_EQ(Prompt(), prompt);
    EXPECT_TRUE(prompt->isEnabled());
    EXPECT_EQ(In<QLineEdit>(prompt, "txtPass")->selectedText(), QStringLiteral("wrong"));
    EXPECT_TRUE(TreeRows().empty());

    Type(prompt, "txtPass", QStringLiteral("pw"));
    Press(prompt, "Command1");
    FlushDeletes();
    EXPECT_EQ(Prompt(), nullptr);
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_TRUE(app_->Document.IsSealed());
}

// The sealed choice of the new-document dialog decides the saved format and is offered
// again next time.
TEST_F(Workflow, ANewSealedDocumentIsSavedSealedAndTheChoiceRemembered)
{
    app_->SealedKeyCost = LowestKeyCost;
    rules_->Workflow.fileNew_Click();
    NewOne* dialog = NewDialog();
    ASSERT_NE(dialog, nullptr);
    auto* sealed = dialog->findChild<QCheckBox*>(QStringLiteral("chkSealed"));
    ASSERT_NE(sealed, nullptr);
    EXPECT_FALSE(sealed->isChecked());
    sealed->setChecked(true);
    Type(dialog, "UserName", QStringLiteral("ann"));
    Type(dialog, "UserPass", QStringLiteral("pw"));
    Type(dialog, "PassConfirm", QStringLiteral("pw"));
    Press(dialog, "cmdOK");
    FlushDeletes();

    const std::string path = Folder() + "/new.kyq";
    messages_->Files.push_back(path);
    rules_->Workflow.fileSave_Click();
    EXPECT_EQ(ReadBytes(path).at(0), 300 % 256);

    messages_->Answers = {MsgAnswer::No};
    rules_->Workflow.fileNew_Click();
    ASSERT_NE(NewDialog(), nullptr);
    EXPECT_TRUE(NewDialog()->findChild<QCheckBox*>(QStringLiteral("chkSealed"))->isChecked());
}

}  // namespace
}  // namespace kyq::test
