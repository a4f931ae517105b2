// The add and edit dialogs on the real main window: validation order and focus, titles
// that differ in letter case, blanks, the steps after OK with undo and redo, paste, and
// characters a document cannot store.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "core/document/PathText.h"
#include "core/document/UnstorableMessage.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/Asking.h"
#include "gui/entries/AddPass.h"
#include "gui/entries/EditPass.h"
#include "gui/entries/EntryForms.h"
#include "gui/main/frmMain.h"

namespace kyq::test {
namespace {

// After a change that rebuilds the tree nothing is selected: the status bar counts the
// records now there, the details are empty and the record commands are off.
void ExpectCountAndNoSelectionShown(const frmMain& main, const KyqApp& app)
{
    EXPECT_EQ(main.StatusPanel(1), StatusPanelText(app.Document.Path, app.Document.EntryCount()));
    EXPECT_TRUE(main.findChild<QLineEdit*>(QStringLiteral("txtTitle"))->text().isEmpty());
    EXPECT_FALSE(main.Menus.passEdit->isEnabled());
    EXPECT_FALSE(main.Menus.passDel->isEnabled());
}

// Where Tab moves the focus from w: the next widget of the focus chain that takes it.
QWidget* NextTabStop(QWidget* w)
{
    for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain()) {
        if ((n->focusPolicy() & Qt::TabFocus) && n->isVisibleTo(w->window()) && n->isEnabled())
            return n;
    }
    return nullptr;
}

class EntryDialogs : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        RegisterEntryForms(*main_);
    }
    void OpenFour()
    {
        OpenDocument(MakeFile("a.kyq", u"ann", u"pw",
                              {Entry(u"b", u"bob", u"pb"), Entry(u"A", u"ann", u"pa"),
                               Entry(u"Mail", u"me", u"pm"), Entry(u"c", u"cid", u"pc")}),
                     u"pw");
        messages_->Boxes.clear();
    }
    AddPass* Add() const { return qobject_cast<AddPass*>(main_->FindForm(QStringLiteral("AddPass"))); }
    EditPass* Edit() const
    {
        return qobject_cast<EditPass*>(main_->FindForm(QStringLiteral("EditPass")));
    }
    AddPass* OpenAdd()
    {
        main_->Menus.passAdd->trigger();
        return Add();
    }
    // Selects the record at a tree position and opens the edit dialog on it.
    EditPass* OpenEdit(int position)
    {
        ClickNode(position);
        main_->Menus.passEdit->trigger();
        return Edit();
    }
    static void Fill(EntryDialog* d, const QString& title, const QString& user,
                     const QString& pass)
    {
        d->txtID->setText(title);
        d->txtName->setText(user);
        d->txtPass->setText(pass);
    }
    std::vector<std::u16string> Titles() const
    {
        std::vector<std::u16string> titles;
        for (int n = 1; n <= app_->Document.EntryCount(); ++n)
            titles.push_back(app_->Document.Entries[static_cast<size_t>(n)].Title);
        return titles;
    }
    const PasswordEntry& Record(int n) const
    {
        return app_->Document.Entries.at(static_cast<size_t>(n));
    }
};

TEST_F(EntryDialogs, AddPassLooksAsDesignedAndOpensOverTheDisabledWindow)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("添加密码"));
    EXPECT_EQ(d->Label1->text(), QStringLiteral("密码标题(&I)："));
    EXPECT_EQ(d->Label3->text(), QStringLiteral("用户名称(&N)："));
    EXPECT_EQ(d->Label2->text(), QStringLiteral("密码内容(&P)："));
    EXPECT_EQ(d->Label1->buddy(), d->txtID);
    EXPECT_EQ(d->Pro->text(), QStringLiteral("参考(&A)"));
    EXPECT_EQ(d->cmdPaste->text(), QStringLiteral("粘贴(&P)"));
    EXPECT_EQ(d->OK->objectName(), QStringLiteral("OK"));
    EXPECT_EQ(d->Cancel->objectName(), QStringLiteral("Cancel"));
    EXPECT_TRUE(d->OK->isDefault());
    EXPECT_TRUE(d->txtID->placeholderText().isEmpty());
    EXPECT_TRUE(d->txtPass->placeholderText().isEmpty());
    EXPECT_EQ(d->txtPass->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(d->focusWidget(), d->txtID);
    // Tab order as the fields are listed, then the buttons.
    QWidget* expected[] = {d->txtID, d->txtName, d->txtPass, d->Pro, d->cmdPaste, d->OK,
                           d->Cancel};
    for (size_t i = 0; i + 1 < std::size(expected); ++i)
        EXPECT_EQ(NextTabStop(expected[i]), expected[i + 1]) << i;

    // Esc is Cancel: nothing changes, the main window is usable again.
    QTest::keyClick(d, Qt::Key_Escape);
    FlushDeletes();
    EXPECT_EQ(Add(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
}

TEST_F(EntryDialogs, ValidationReportsTheFirstEmptyFieldAndFocusesIt)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    d->OK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"请输入密码标题！");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_EQ(messages_->Boxes[0].Title, u"Keyquill");
    EXPECT_EQ(d->focusWidget(), d->txtID);

    d->txtID->setText(QStringLiteral("New"));
    d->OK->click();
    EXPECT_EQ(messages_->Boxes.back().Text, u"请输入用户名称！");
    EXPECT_EQ(d->focusWidget(), d->txtName);

    d->txtName->setText(QStringLiteral("me"));
    QTest::keyClick(d->txtName, Qt::Key_Return);  // Enter presses OK
    EXPECT_EQ(messages_->Boxes.back().Text, u"请输入密码内容！");
    EXPECT_EQ(d->focusWidget(), d->txtPass);
    EXPECT_EQ(messages_->Boxes.size(), 3u);

    // Refused OKs leave the dialog open and the document untouched.
    EXPECT_EQ(Add(), d);
    EXPECT_EQ(d->txtID->text(), QStringLiteral("New"));
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
}

TEST_F(EntryDialogs, AddRefusesATitleTakenInOtherLetterCase)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    Fill(d, QStringLiteral("mAIL"), QStringLiteral("x"), QStringLiteral("y"));
    d->txtName->setFocus();
    d->OK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"此文件中已有与此密码同标题的密码，请更换标题！");
    EXPECT_EQ(d->focusWidget(), d->txtID);
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_FALSE(main_->isEnabled());
}

TEST_F(EntryDialogs, AddStoresTheRecordInTitleOrderSelectsItAndUndoRedoes)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    // Blanks are content, also alone.
    Fill(d, QStringLiteral("Bank"), QStringLiteral(" "), QStringLiteral("  "));
    d->OK_Click();
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(Add(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_TRUE(main_->Menus.passUndo->isEnabled());
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"b", u"Bank", u"c", u"Mail"}));
    EXPECT_EQ(TreeRows(), Titles());
    const PasswordEntry& added = Record(3);
    EXPECT_EQ(added.UserName, u" ");
    EXPECT_EQ(added.Password, u"  ");
    const QDate today = QDate::currentDate();
    EXPECT_EQ(added.ChangedYear, today.year());
    EXPECT_EQ(added.ChangedMonth, today.month());
    EXPECT_EQ(added.ChangedDay, today.day());
    // The new record is selected and shown.
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 3);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Bank"));
    EXPECT_TRUE(main_->Menus.passEdit->isEnabled());

    main_->Menus.passUndo->trigger();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_TRUE(app_->Document.Modified);  // an undo always asks to be saved
    main_->Menus.passUndo->trigger();      // undo again redoes
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"Bank", u"c", u"Mail"}));
    EXPECT_EQ(Record(3).Password, u"  ");
    EXPECT_TRUE(app_->Document.Modified);
}

TEST_F(EntryDialogs, AddOfABlankTitleIntoAnEmptyDocument)
{
    NewDocument(u"ann", u"pw");
    messages_->Boxes.clear();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    Fill(d, QStringLiteral("   "), QStringLiteral("u"), QStringLiteral("p"));
    d->OK_Click();
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(TreeRows(), std::vector<std::u16string>{u"   "});
    EXPECT_EQ(RootText(), u"ann");
}

TEST_F(EntryDialogs, UndoingTheSecondOfTwoChangesKeepsTheDocumentModified)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    Fill(d, QStringLiteral("one"), QStringLiteral("u"), QStringLiteral("p"));
    d->OK_Click();
    FlushDeletes();
    ClickNode(2);
    messages_->Answers = {MsgAnswer::Yes};
    main_->Commands.passDel_Click();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"b", u"c", u"Mail", u"one"}));

    // Undo the delete: "one" is still unsaved, so closing must still offer to save it.
    main_->Commands.passUndo_Click();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail", u"one"}));
    EXPECT_TRUE(app_->Document.Modified);
    ExpectCountAndNoSelectionShown(*main_, *app_);
    main_->Commands.passUndo_Click();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"b", u"c", u"Mail", u"one"}));
    EXPECT_TRUE(app_->Document.Modified);

    // Delete all on top of that, then undo: the records and the flag come back.
    messages_->Answers = {MsgAnswer::Yes};
    main_->Commands.passDelAll_Click();
    EXPECT_TRUE(TreeRows().empty());
    ExpectCountAndNoSelectionShown(*main_, *app_);
    main_->Commands.passUndo_Click();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"b", u"c", u"Mail", u"one"}));
    EXPECT_TRUE(app_->Document.Modified);
    main_->Commands.passUndo_Click();
    EXPECT_TRUE(TreeRows().empty());
    EXPECT_EQ(app_->Document.EntryCount(), 0);
}

TEST_F(EntryDialogs, EditPassIsFilledFromTheSelectedRecordAndShowsHints)
{
    OpenFour();
    EditPass* d = OpenEdit(5);  // Mail
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(app_->Session.EditIndex, 4);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(d->windowTitle(), QStringLiteral("编辑密码"));
    EXPECT_EQ(d->txtID->text(), QStringLiteral("Mail"));
    EXPECT_EQ(d->txtName->text(), QStringLiteral("me"));
    EXPECT_EQ(d->txtPass->text(), QStringLiteral("pm"));
    EXPECT_EQ(d->txtID->placeholderText(), QStringLiteral("在此输入密码标题"));
    EXPECT_EQ(d->txtPass->placeholderText(), QStringLiteral("在此输入密码内容"));
    EXPECT_TRUE(d->txtName->placeholderText().isEmpty());
    EXPECT_EQ(d->cmdPaste->text(), QStringLiteral("粘贴(&V)"));
    EXPECT_EQ(d->Command1->objectName(), QStringLiteral("Command1"));
    EXPECT_EQ(d->Command2->objectName(), QStringLiteral("Command2"));
    EXPECT_EQ(d->Command1->text(), QStringLiteral("确定"));
    EXPECT_TRUE(d->Command1->isDefault());
    EXPECT_EQ(d->focusWidget(), d->txtID);

    // Cancel changes nothing and shows the selected record again.
    Box("txtTitle")->clear();
    d->Command2_Click();
    FlushDeletes();
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Mail"));
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
}

TEST_F(EntryDialogs, EditWithoutChangeRenewsTheDateMarksModifiedAndCanBeUndone)
{
    OpenFour();
    EditPass* d = OpenEdit(5);
    ASSERT_NE(d, nullptr);
    d->Command1_Click();
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_TRUE(main_->Menus.passUndo->isEnabled());
    EXPECT_EQ(Record(4).ChangedYear, QDate::currentDate().year());
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);

    main_->Commands.passUndo_Click();
    EXPECT_EQ(Record(4).ChangedYear, 2000);
}

TEST_F(EntryDialogs, EditAcceptsACaseChangeOfItsOwnTitleButNotAnotherTitle)
{
    OpenFour();
    EditPass* d = OpenEdit(5);
    ASSERT_NE(d, nullptr);
    d->txtID->setText(QStringLiteral("a"));  // record A's title in other case
    d->Command1_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"此文件中已有与此密码同标题的密码，请更换标题！");
    EXPECT_EQ(d->focusWidget(), d->txtID);
    EXPECT_EQ(Record(4).Title, u"Mail");

    d->txtID->setText(QStringLiteral("MAIL"));
    d->txtName->setText(QStringLiteral("new user"));
    d->Command1_Click();
    FlushDeletes();
    EXPECT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"MAIL"}));
    EXPECT_EQ(Record(4).UserName, u"new user");
    EXPECT_EQ(Record(4).Password, u"pm");
}

TEST_F(EntryDialogs, EditThatMovesTheRecordKeepsRecordsAndTitlesInStep)
{
    OpenFour();
    EditPass* d = OpenEdit(2);  // A
    ASSERT_NE(d, nullptr);
    d->txtID->setText(QStringLiteral("zz"));
    d->Command1_Click();
    FlushDeletes();
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"b", u"c", u"Mail", u"zz"}));
    EXPECT_EQ(TreeRows(), Titles());
    EXPECT_EQ(Record(4).UserName, u"ann");
    EXPECT_EQ(Record(1).UserName, u"bob");
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);
    EXPECT_EQ(Box("txtName")->text(), QStringLiteral("ann"));

    main_->Commands.passUndo_Click();
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    EXPECT_EQ(TreeRows(), Titles());

    // Towards the front: "Mail" becomes the first title.
    d = OpenEdit(5);
    ASSERT_NE(d, nullptr);
    d->txtID->setText(QStringLiteral("0 first"));
    d->Command1_Click();
    FlushDeletes();
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"0 first", u"A", u"b", u"c"}));
    EXPECT_EQ(TreeRows(), Titles());
    EXPECT_EQ(Record(1).UserName, u"me");
    EXPECT_EQ(Record(2).UserName, u"ann");
    EXPECT_EQ(Record(4).UserName, u"cid");
    EXPECT_EQ(Box("txtName")->text(), QStringLiteral("me"));
}

TEST_F(EntryDialogs, TheCloseBoxDoesWhatCancelDoes)
{
    OpenFour();
    EditPass* d = OpenEdit(3);
    ASSERT_NE(d, nullptr);
    d->txtID->setText(QStringLiteral("changed"));
    Box("txtTitle")->clear();
    d->close();
    FlushDeletes();
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("b"));
    EXPECT_EQ(Record(2).Title, u"b");
    EXPECT_FALSE(app_->Document.Modified);

    AddPass* a = OpenAdd();
    ASSERT_NE(a, nullptr);
    a->close();
    FlushDeletes();
    EXPECT_EQ(Add(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(EntryDialogs, EditOfARecordThatIsGoneChangesNothing)
{
    OpenFour();
    EditPass* d = OpenEdit(5);
    ASSERT_NE(d, nullptr);
    // The document is replaced behind the dialog (a file handed over by a second start).
    const std::string other = MakeFile("other.kyq", u"zoe", u"pw",
                                       {Entry(u"w", u"u", u"p"), Entry(u"x", u"u", u"p"),
                                        Entry(u"y", u"u", u"p"), Entry(u"z", u"u", u"p")});
    main_->Workflow.OpenFromPath(other);
    ASSERT_NE(Prompt(), nullptr);
    Prompt()->txtPass->setText(QStringLiteral("pw"));
    Prompt()->Command1_Click();
    FlushDeletes();
    ASSERT_EQ(Titles(), (std::vector<std::u16string>{u"w", u"x", u"y", u"z"}));
    d->Command1_Click();
    FlushDeletes();
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"w", u"x", u"y", u"z"}));
    EXPECT_EQ(Record(4).ChangedYear, 2000);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(EntryDialogs, PasteTakesTheClipboardTextThenEmptiesTheClipboard)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("Gen#密码1"));
    d->cmdPaste->click();
    EXPECT_EQ(d->txtPass->text(), QStringLiteral("Gen#密码1"));
    EXPECT_TRUE(clipboard->text().isEmpty());

    // Nothing on the clipboard: the field is emptied all the same.
    d->cmdPaste_Click();
    EXPECT_TRUE(d->txtPass->text().isEmpty());
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(EntryDialogs, TextADocumentCannotStoreIsRefusedNamingFieldAndCharacter)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    const std::u16string user = u"me한";
    Fill(d, QStringLiteral("Web"), QString::fromStdU16String(user), QStringLiteral("p"));
    d->OK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, UnstorableCharacterMessage(u"用户名称", user, 2));
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(d->focusWidget(), d->txtName);
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_EQ(Add(), d);
    d->Cancel_Click();
    FlushDeletes();

    EditPass* e = OpenEdit(5);
    ASSERT_NE(e, nullptr);
    e->txtPass->setText(QString::fromStdU16String(u"pm\U0001F600"));
    e->Command1_Click();
    ASSERT_EQ(messages_->Boxes.size(), 2u);
    EXPECT_NE(messages_->Boxes[1].Text.find(u"密码内容"), std::u16string::npos);
    EXPECT_NE(messages_->Boxes[1].Text.find(u"\U0001F600"), std::u16string::npos);
    EXPECT_EQ(e->focusWidget(), e->txtPass);
    EXPECT_EQ(Record(4).Password, u"pm");
    EXPECT_FALSE(app_->Document.Modified);
}

TEST_F(EntryDialogs, TypedChineseReachesTheRecord)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    d->txtID->setFocus();
    for (const QChar ch : QStringLiteral("网银"))
        QTest::sendKeyEvent(QTest::Click, d->txtID, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QTest::keyClicks(d->txtName, QStringLiteral("li"));
    QTest::keyClicks(d->txtPass, QStringLiteral("x1"));
    QTest::keyClick(d->txtPass, Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Add(), nullptr);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("网银"));
    EXPECT_EQ(app_->Document.EntryCount(), 5);
}

}  // namespace
}  // namespace kyq::test
