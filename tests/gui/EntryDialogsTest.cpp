// The add and edit dialogs on the real main window: which field a refused OK sends the
// user back to, OK and Cancel reaching the entry commands, paste and typed text. What is
// refused, and what add and edit do to the records, is EntryFieldCheckTest's and
// DocumentWorkflowTest's.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
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
        RegisterEntryForms(*main_, *rules_);
    }
    AddPass* Add() const { return qobject_cast<AddPass*>(main_->FindForm(QStringLiteral("AddPass"))); }
    EditPass* Edit() const
    {
        return qobject_cast<EditPass*>(main_->FindForm(QStringLiteral("EditPass")));
    }
    AddPass* OpenAdd()
    {
        Trigger(main_.get(), "passAdd");
        return Add();
    }
    // Selects the record at a tree position and opens the edit dialog on it.
    EditPass* OpenEdit(int position)
    {
        ClickNode(position);
        Trigger(main_.get(), "passEdit");
        return Edit();
    }
    static void Fill(EntryDialog* d, const QString& title, const QString& user,
                     const QString& pass)
    {
        Type(d, "txtID", title);
        Type(d, "txtName", user);
        Type(d, "txtPass", pass);
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
    OpenFourRecords();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(In<QLabel>(d, "Label1")->buddy(), In<QLineEdit>(d, "txtID"));
    EXPECT_TRUE(In<QPushButton>(d, "OK")->isDefault());
    EXPECT_EQ(In<QLineEdit>(d, "txtPass")->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(d->focusWidget(), In<QLineEdit>(d, "txtID"));
    // Tab order as the fields are listed, then the buttons.
    const char* expected[] = {"txtID", "txtName", "txtPass", "Pro", "cmdPaste", "OK", "Cancel"};
    for (size_t i = 0; i + 1 < std::size(expected); ++i)
        EXPECT_EQ(NextTabStop(In<QWidget>(d, expected[i])), In<QWidget>(d, expected[i + 1])) << i;

    // Esc is Cancel: nothing changes, the main window is usable again.
    QTest::keyClick(d, Qt::Key_Escape);
    FlushDeletes();
    EXPECT_EQ(Add(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_FALSE(Control<QAction>("passUndo")->isEnabled());
}

// A refused OK shows the check's message, sends the focus to the field it names and
// leaves the dialog open and the document untouched, however OK was pressed.
TEST_F(EntryDialogs, RefusedOkFocusesTheFieldTheCheckNames)
{
    OpenFourRecords();
    enum class Press { Click, EnterInName };
    struct Case {
        const char* name;
        int editPosition;  // 0: the add dialog
        QString title, user, pass;
        Press press;
        const char* field;
    };
    const Case cases[] = {
        {"all empty", 0, {}, {}, {}, Press::Click, "txtID"},
        {"no password", 0, QStringLiteral("New"), QStringLiteral("me"), {}, Press::EnterInName, "txtPass"},
        {"edit to an unstorable user name", 5, QStringLiteral("Mail"), QStringLiteral("me한"),
         QStringLiteral("pm"), Press::Click, "txtName"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EntryDialog* d = c.editPosition ? static_cast<EntryDialog*>(OpenEdit(c.editPosition))
                                        : OpenAdd();
        ASSERT_NE(d, nullptr);
        Fill(d, c.title, c.user, c.pass);
        In<QLineEdit>(d, "txtName")->setFocus();
        const size_t boxes = messages_->Boxes.size();
        if (c.press == Press::Click)
            kyq::test::Press(d, c.editPosition ? "Command1" : "OK");
        else
            QTest::keyClick(In<QLineEdit>(d, "txtName"), Qt::Key_Return);
        const EntryFieldProblem expected =
            CheckEntryFields(app_->Document, c.title.toStdU16String(), c.user.toStdU16String(),
                             c.pass.toStdU16String(), c.editPosition ? app_->Session.EditIndex : 0);
        ASSERT_EQ(messages_->Boxes.size(), boxes + 1);
        EXPECT_EQ(messages_->Boxes.back().Text, expected.Message);
        EXPECT_EQ(messages_->Boxes.back().Icon, expected.Icon);
        EXPECT_EQ(d->focusWidget(), In<QLineEdit>(d, c.field));
        EXPECT_EQ(c.editPosition ? static_cast<EntryDialog*>(Edit()) : Add(), d);  // still open
        EXPECT_FALSE(main_->isEnabled());
        EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
        EXPECT_FALSE(app_->Document.Modified);
        QTest::keyClick(d, Qt::Key_Escape);
        FlushDeletes();
    }
}

TEST_F(EntryDialogs, AddStoresTheRecordAndShowsItInTheWindow)
{
    OpenFourRecords();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    Fill(d, QStringLiteral("Bank"), QStringLiteral(" "), QStringLiteral("  "));
    kyq::test::Press(d, "OK");
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(Add(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(Control<QAction>("passUndo")->isEnabled());
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"Bank", u"c", u"Mail"}));
    // The new record is selected and shown.
    rules_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 3);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Bank"));
    EXPECT_TRUE(Control<QAction>("passEdit")->isEnabled());
    Trigger(main_.get(), "passUndo");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
}

TEST_F(EntryDialogs, AddOfABlankTitleIntoAnEmptyDocument)
{
    NewDocument(u"ann", u"pw");
    messages_->Boxes.clear();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    Fill(d, QStringLiteral("   "), QStringLiteral("u"), QStringLiteral("p"));
    kyq::test::Press(d, "OK");
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(TreeRows(), std::vector<std::u16string>{u"   "});
    EXPECT_EQ(RootText(), u"ann");
}

TEST_F(EntryDialogs, EditPassIsFilledFromTheSelectedRecordAndCancelChangesNothing)
{
    OpenFourRecords();
    EditPass* d = OpenEdit(5);  // Mail
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(app_->Session.EditIndex, 4);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(In<QLineEdit>(d, "txtID")->text(), QStringLiteral("Mail"));
    EXPECT_EQ(In<QLineEdit>(d, "txtName")->text(), QStringLiteral("me"));
    EXPECT_EQ(In<QLineEdit>(d, "txtPass")->text(), QStringLiteral("pm"));
    EXPECT_TRUE(In<QPushButton>(d, "Command1")->isDefault());
    EXPECT_EQ(d->focusWidget(), In<QLineEdit>(d, "txtID"));

    // Cancel changes nothing and shows the selected record again.
    Box("txtTitle")->clear();
    kyq::test::Press(d, "Command2");
    FlushDeletes();
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Mail"));
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_FALSE(Control<QAction>("passUndo")->isEnabled());
}

TEST_F(EntryDialogs, EditStoresTheFieldsAndSelectsTheMovedRecord)
{
    OpenFourRecords();
    EditPass* d = OpenEdit(2);  // A
    ASSERT_NE(d, nullptr);
    Type(d, "txtID", QStringLiteral("zz"));
    kyq::test::Press(d, "Command1");
    FlushDeletes();
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"b", u"c", u"Mail", u"zz"}));
    rules_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);
    EXPECT_EQ(Box("txtName")->text(), QStringLiteral("ann"));
}

TEST_F(EntryDialogs, TheCloseBoxDoesWhatCancelDoes)
{
    OpenFourRecords();
    EditPass* d = OpenEdit(3);
    ASSERT_NE(d, nullptr);
    Type(d, "txtID", QStringLiteral("changed"));
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

TEST_F(EntryDialogs, EditOfARecordThatIsGoneClosesTheDialog)
{
    OpenFourRecords();
    EditPass* d = OpenEdit(5);
    ASSERT_NE(d, nullptr);
    // The document is replaced behind the dialog (a file handed over by a second start).
    const std::string other = MakeFile("other.kyq", u"zoe", u"pw",
                                       {test::Record(u"w", u"u", u"p"), test::Record(u"x", u"u", u"p"),
                                        test::Record(u"y", u"u", u"p"), test::Record(u"z", u"u", u"p")});
    rules_->Workflow.OpenHandedOver(other);
    ASSERT_NE(Prompt(), nullptr);
    Type(Prompt(), "txtPass", QStringLiteral("pw"));
    kyq::test::Press(Prompt(), "Command1");
    FlushDeletes();
    ASSERT_EQ(Titles(), (std::vector<std::u16string>{u"w", u"x", u"y", u"z"}));
    kyq::test::Press(d, "Command1");
    FlushDeletes();
    EXPECT_EQ(Edit(), nullptr);
    EXPECT_EQ(Titles(), (std::vector<std::u16string>{u"w", u"x", u"y", u"z"}));
    EXPECT_FALSE(app_->Document.Modified);
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(EntryDialogs, PasteTakesTheClipboardTextThenEmptiesTheClipboard)
{
    OpenFourRecords();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("Gen#密码1"));
    kyq::test::Press(d, "cmdPaste");
    EXPECT_EQ(In<QLineEdit>(d, "txtPass")->text(), QStringLiteral("Gen#密码1"));
    EXPECT_TRUE(clipboard->text().isEmpty());

    // Nothing on the clipboard: the field is emptied all the same.
    kyq::test::Press(d, "cmdPaste");
    EXPECT_TRUE(In<QLineEdit>(d, "txtPass")->text().isEmpty());
    EXPECT_TRUE(clipboard->text().isEmpty());
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(EntryDialogs, TypedChineseReachesTheRecord)
{
    OpenFourRecords();
    AddPass* d = OpenAdd();
    ASSERT_NE(d, nullptr);
    QLineEdit* title = In<QLineEdit>(d, "txtID");
    title->setFocus();
    for (const QChar ch : QStringLiteral("网银"))
        QTest::sendKeyEvent(QTest::Click, title, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QTest::keyClicks(In<QLineEdit>(d, "txtName"), QStringLiteral("li"));
    QTest::keyClicks(In<QLineEdit>(d, "txtPass"), QStringLiteral("x1"));
    QTest::keyClick(In<QLineEdit>(d, "txtPass"), Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Add(), nullptr);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("网银"));
    EXPECT_EQ(app_->Document.EntryCount(), 5);
}

}  // namespace
}  // namespace kyq::test
