// The add and edit dialogs on the real main window: which field a refused OK sends the
// user back to, the steps after OK and Cancel, paste and typed text. What is refused, and
// in which order, is EntryFieldCheckTest's.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "core/workflow/EntryFieldCheck.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/Asking.h"
#include "gui/entries/AddPass.h"
#include "gui/entries/EditPass.h"
#include "gui/entries/EntryForms.h"
#include "gui/main/frmMain.h"

namespace kyq::test {
namespace {

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

TEST_F(EntryDialogs, AddPassOpensOverTheDisabledWindowAndEscapeCancels)
{
    OpenFour();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(d->Label1->buddy(), d->txtID);
    EXPECT_TRUE(d->OK->isDefault());
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

// A refused OK shows the check's message, sends the focus to the field it names and
// leaves the dialog open and the document untouched; the edit dialog checks against the
// other records only.
TEST_F(EntryDialogs, RefusedOkFocusesTheFieldTheCheckNames)
{
    OpenFour();
    enum class Press { Call, Click, EnterInName };
    struct Case {
        const char* name;
        int editPosition;  // 0: the add dialog
        QString title, user, pass;
        Press press;
        EntryField field;
    };
    const QString mail = QStringLiteral("Mail"), me = QStringLiteral("me"),
                  pm = QStringLiteral("pm");
    const Case cases[] = {
        {"all empty", 0, {}, {}, {}, Press::Call, EntryField::Title},
        {"no user", 0, QStringLiteral("New"), {}, {}, Press::Click, EntryField::UserName},
        {"no password", 0, QStringLiteral("New"), me, {}, Press::EnterInName,
         EntryField::Password},
        {"title taken in other case", 0, QStringLiteral("mAIL"), QStringLiteral("x"),
         QStringLiteral("y"), Press::Call, EntryField::Title},
        {"user name unstorable", 0, QStringLiteral("Web"), QStringLiteral("me한"),
         QStringLiteral("p"), Press::Call, EntryField::UserName},
        {"edit to another title in other case", 5, QStringLiteral("a"), me, pm, Press::Call,
         EntryField::Title},
        {"edit to an unstorable password", 5, mail, me, QStringLiteral("pm\U0001F600"),
         Press::Call, EntryField::Password},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EntryDialog* d = c.editPosition ? static_cast<EntryDialog*>(OpenEdit(c.editPosition))
                                        : OpenAdd();
        ASSERT_NE(d, nullptr);
        Fill(d, c.title, c.user, c.pass);
        d->txtName->setFocus();
        const size_t boxes = messages_->Boxes.size();
        auto* add = qobject_cast<AddPass*>(d);
        auto* edit = qobject_cast<EditPass*>(d);
        switch (c.press) {
        case Press::Call:
            add ? add->OK_Click() : edit->Command1_Click();
            break;
        case Press::Click:
            (add ? add->OK : edit->Command1)->click();
            break;
        case Press::EnterInName:
            QTest::keyClick(d->txtName, Qt::Key_Return);
            break;
        }
        const EntryFieldProblem expected =
            CheckEntryFields(app_->Document, c.title.toStdU16String(), c.user.toStdU16String(),
                             c.pass.toStdU16String(), edit ? app_->Session.EditIndex : 0);
        ASSERT_EQ(expected.Field, c.field);
        ASSERT_EQ(messages_->Boxes.size(), boxes + 1);
        EXPECT_EQ(messages_->Boxes.back().Text, expected.Message);
        EXPECT_EQ(messages_->Boxes.back().Icon, expected.Icon);
        QLineEdit* const fields[] = {d->txtID, d->txtName, d->txtPass};
        EXPECT_EQ(d->focusWidget(), fields[static_cast<int>(c.field) - 1]);
        EXPECT_EQ(d->txtID->text(), c.title);
        EXPECT_EQ(add ? static_cast<EntryDialog*>(Add()) : Edit(), d);  // still open
        EXPECT_FALSE(main_->isEnabled());
        EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
        EXPECT_EQ(Record(4).Password, u"pm");
        EXPECT_FALSE(app_->Document.Modified);
        EXPECT_FALSE(main_->Menus.passUndo->isEnabled());
        add ? add->Cancel_Click() : edit->Command2_Click();
        FlushDeletes();
    }
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
    main_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 3);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Bank"));
    EXPECT_TRUE(main_->Menus.passEdit->isEnabled());

    // Undo and redo themselves are PasswordDocument's; the menu reaches them.
    main_->Menus.passUndo->trigger();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
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

TEST_F(EntryDialogs, EditPassIsFilledFromTheSelectedRecordAndCancelChangesNothing)
{
    OpenFour();
    EditPass* d = OpenEdit(5);  // Mail
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(app_->Session.EditIndex, 4);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(d->txtID->text(), QStringLiteral("Mail"));
    EXPECT_EQ(d->txtName->text(), QStringLiteral("me"));
    EXPECT_EQ(d->txtPass->text(), QStringLiteral("pm"));
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
    main_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);

    main_->Commands.passUndo_Click();
    EXPECT_EQ(Record(4).ChangedYear, 2000);
}

// The edit dialog hands the check the record it edits, whose own title is no clash.
TEST_F(EntryDialogs, EditAcceptsACaseChangeOfItsOwnTitle)
{
    OpenFour();
    EditPass* d = OpenEdit(5);
    ASSERT_NE(d, nullptr);
    d->txtID->setText(QStringLiteral("MAIL"));
    d->txtName->setText(QStringLiteral("new user"));
    d->Command1_Click();
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
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
    main_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);
    EXPECT_EQ(Box("txtName")->text(), QStringLiteral("ann"));
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
