// The find results dialog started from the find box, and the user card with its rename
// dialog and the change of the document password. What a keyword matches is
// FindEntriesTest's, what an owner name may hold EntryFieldCheckTest's.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "core/workflow/EntryFieldCheck.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/Asking.h"
#include "gui/credentials/ChangePass.h"
#include "gui/entries/AddPass.h"
#include "gui/entries/EntryForms.h"
#include "gui/entries/FoundResult.h"
#include "gui/entries/frmName.h"
#include "gui/entries/frmUser.h"

namespace kyq::test {
namespace {

class EntryFormsTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        RegisterEntryForms(*main_, *rules_);
    }
    FoundResult* Results() const
    {
        return qobject_cast<FoundResult*>(main_->FindForm(QStringLiteral("FoundResult")));
    }
    FoundResult* Search(const QString& keyword)
    {
        Box("txtKey")->setText(keyword);
        QTest::keyClick(Box("txtKey"), Qt::Key_Return);
        return Results();
    }
    static QListWidget* List(const FoundResult* r) { return In<QListWidget>(r, "List1"); }
    static QStringList Lines(const FoundResult* r)
    {
        QStringList lines;
        const auto* list = In<QListWidget>(r, "List1");
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    static void ClickLine(FoundResult* r, int row)
    {
        auto* list = In<QListWidget>(r, "List1");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
    }
    frmUser* Card() const
    {
        return qobject_cast<frmUser*>(main_->FindForm(QStringLiteral("frmUser")));
    }
    frmName* Rename() const
    {
        return qobject_cast<frmName*>(main_->FindForm(QStringLiteral("frmName")));
    }
    frmUser* OpenCard()
    {
        Trigger(main_.get(), "fileUser");
        return Card();
    }
};

// The results list the records found in document order and take no OK until a line is
// chosen; Esc closes them.
TEST_F(EntryFormsTest, FindBoxInputsListTheirRecordsInDocumentOrder)
{
    OpenFourRecords();
    struct Case {
        QString keyword;
        QStringList lines;
        std::vector<int> records;
    };
    const Case cases[] = {
        {QStringLiteral("PM"), {QStringLiteral("Mail")}, {4}},  // only in a password
        {QStringLiteral("a"), {QStringLiteral("A"), QStringLiteral("Mail")}, {1, 4}},
        {QStringLiteral("CI"), {QStringLiteral("c")}, {3}},  // only in a user name
        {QStringLiteral("p m"), {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.keyword.toStdString());
        FoundResult* r = Search(c.keyword);
        if (c.lines.isEmpty()) {  // no match: a box says so, no empty list
            EXPECT_EQ(r, nullptr);
            messages_->Boxes.clear();
            continue;
        }
        ASSERT_NE(r, nullptr);
        EXPECT_FALSE(main_->isEnabled());
        EXPECT_EQ(app_->Session.FindKeyword, c.keyword.toStdU16String());
        EXPECT_EQ(Lines(r), c.lines);
        EXPECT_EQ(r->FoundIndexes, c.records);
        EXPECT_FALSE(In<QPushButton>(r, "OK")->isEnabled());
        // Enter without a chosen line closes nothing.
        QTest::keyClick(List(r), Qt::Key_Return);
        EXPECT_EQ(Results(), r);
        QTest::keyClick(r, Qt::Key_Escape);
        FlushDeletes();
        EXPECT_EQ(Results(), nullptr);
        EXPECT_TRUE(main_->isEnabled());
    }
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(EntryFormsTest, AChosenLineAndOkSelectsItsRecordInTheTree)
{
    OpenFourRecords();
    FoundResult* r = Search(QStringLiteral("PM"));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(In<QPushButton>(r, "OK")->isDefault());
    ClickLine(r, 0);
    EXPECT_TRUE(In<QPushButton>(r, "OK")->isEnabled());
    In<QPushButton>(r, "OK")->click();
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    rules_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Mail"));
    EXPECT_EQ(main_->focusWidget(), TreeView());
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(EntryFormsTest, KeyboardChoosesALineAndEnterPressesOk)
{
    OpenFourRecords();
    FoundResult* r = Search(QStringLiteral("CI"));
    ASSERT_NE(r, nullptr);
    // The list gets the focus with its first line current but not selected (as a focused
    // list does).
    List(r)->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(List(r), Qt::Key_Down);
    EXPECT_TRUE(In<QPushButton>(r, "OK")->isEnabled());
    QTest::keyClick(List(r), Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    rules_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 3);

    // With several lines the first arrow key selects the first line, the next moves on.
    r = Search(QStringLiteral("a"));
    ASSERT_NE(r, nullptr);
    List(r)->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    EXPECT_FALSE(In<QPushButton>(r, "OK")->isEnabled());
    QTest::keyClick(List(r), Qt::Key_Down);
    EXPECT_EQ(List(r)->selectedItems().value(0), List(r)->item(0));
    QTest::keyClick(List(r), Qt::Key_Down);
    EXPECT_EQ(List(r)->selectedItems().value(0), List(r)->item(1));
    EXPECT_TRUE(In<QPushButton>(r, "OK")->isEnabled());
}

TEST_F(EntryFormsTest, OnlyPlainEnterOrTheFindLabelSearches)
{
    OpenFourRecords();
    Box("txtKey")->setText(QStringLiteral("mail"));
    for (const Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        QTest::keyClick(Box("txtKey"), Qt::Key_Return, m);
    EXPECT_EQ(Results(), nullptr);
    EXPECT_TRUE(main_->isEnabled());

    Box("txtKey")->clear();
    QTest::mouseClick(Control<QLabel>("lblFind"), Qt::LeftButton);
    EXPECT_EQ(Results(), nullptr);

    Box("txtKey")->setText(QStringLiteral("mail"));
    QTest::mouseClick(Control<QLabel>("lblFind"), Qt::LeftButton);
    ASSERT_NE(Results(), nullptr);
    EXPECT_EQ(Lines(Results()), QStringList{QStringLiteral("Mail")});
}

TEST_F(EntryFormsTest, DoubleClickSelectsTheRecordClosesThenShowsItsDetails)
{
    OpenFourRecords();
    FoundResult* r = Search(QStringLiteral("mail"));
    ASSERT_NE(r, nullptr);
    bool closedFirst = false;
    int selectedWhileShown = -1;
    messages_->WhileShown = [&](const RecordedBox&) {
        closedFirst = Results() == nullptr && main_->isEnabled();
        rules_->Tree.SyncSelection();
        selectedWhileShown = app_->Session.SelectedIndex;
    };
    auto* list = In<QListWidget>(r, "List1");
    const QRect line = list->visualItemRect(list->item(0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, line.center());
    messages_->WhileShown = nullptr;
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    const RecordedBox& box = messages_->Boxes[0];
    EXPECT_EQ(box.Title, u"Mail");
    EXPECT_EQ(box.Icon, MsgIcon::None);
    EXPECT_EQ(box.Buttons, MsgButtons::OkOnly);
    EXPECT_EQ(box.Text, u"用户名称：me\r\n密码内容：pm\r\n修改时间：2019年3月8日");
    EXPECT_TRUE(closedFirst);
    EXPECT_EQ(selectedWhileShown, 4);
}

TEST_F(EntryFormsTest, ResultsOfADocumentReplacedMeanwhileSelectNothing)
{
    OpenFourRecords();
    FoundResult* r = Search(QStringLiteral("mail"));
    ASSERT_NE(r, nullptr);
    ClickLine(r, 0);
    // A file handed over while the results are open.
    rules_->Workflow.OpenHandedOver(MakeFile("b.kyq", u"zoe", u"pw", {Record(u"x", u"u", u"p")}));
    Type(Prompt(), "txtPass", QStringLiteral("pw"));
    Press(Prompt(), "Command1");
    FlushDeletes();
    ASSERT_EQ(app_->Document.EntryCount(), 1);
    QTest::mouseDClick(List(r)->viewport(), Qt::LeftButton, {}, List(r)->visualItemRect(List(r)->item(0)).center());
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    r = Results();
    ASSERT_NE(r, nullptr);
    Press(r, "OK");
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    rules_->Tree.SyncSelection();
    EXPECT_EQ(app_->Session.SelectedIndex, 0);
}

TEST_F(EntryFormsTest, TheCardShowsTheOwnerAndClosesWithEnterOrEsc)
{
    OpenFourRecords();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(In<QLineEdit>(card, "txtName")->text(), QStringLiteral("ann"));
    EXPECT_TRUE(In<QLineEdit>(card, "txtName")->isReadOnly());
    QTest::keyClick(card, Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Card(), nullptr);
    EXPECT_TRUE(main_->isEnabled());

    card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::keyClick(card, Qt::Key_Escape);
    FlushDeletes();
    EXPECT_EQ(Card(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_FALSE(app_->Document.Modified);
}

// A refused name leaves the owner as it was and the focus in the name.
TEST_F(EntryFormsTest, RenameRefusesWhatTheOwnerCheckRefuses)
{
    OpenFourRecords();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(In<QLabel>(card, "lblName"), Qt::LeftButton);
    frmName* rename = Rename();
    ASSERT_NE(rename, nullptr);
    for (const std::u16string& name :
         {std::u16string(), std::u16string(u"an\x0en"), std::u16string(u"김")}) {
        SCOPED_TRACE(QString::fromStdU16String(name).toStdString());
        messages_->Boxes.clear();
        Type(rename, "Text1", name);
        In<QPushButton>(rename, "cmdCancel")->setFocus();
        Press(rename, "cmdOK");
        const EntryFieldProblem expected = CheckOwnerName(name, app_->Document.IsSealed());
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Text, expected.Message);
        EXPECT_EQ(messages_->Boxes[0].Icon, expected.Icon);
        EXPECT_EQ(rename->focusWidget(), In<QLineEdit>(rename, "Text1"));
        EXPECT_EQ(Rename(), rename);
        EXPECT_EQ(app_->Document.OwnerName(), u"ann");
        EXPECT_FALSE(app_->Document.Modified);
    }
    Press(rename, "cmdCancel");
    FlushDeletes();
    EXPECT_EQ(Rename(), nullptr);
    EXPECT_TRUE(card->isEnabled());
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
}

TEST_F(EntryFormsTest, RenameAcceptsBlanksAndTheRootFollowsAtOnce)
{
    OpenFourRecords();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(In<QLabel>(card, "lblName"), Qt::LeftButton);
    frmName* rename = Rename();
    ASSERT_NE(rename, nullptr);
    EXPECT_FALSE(card->isEnabled());
    QLineEdit* text = In<QLineEdit>(rename, "Text1");
    EXPECT_EQ(text->text(), QStringLiteral("ann"));
    EXPECT_EQ(rename->focusWidget(), text);
    EXPECT_TRUE(In<QPushButton>(rename, "cmdOK")->isDefault());

    text->setText(QStringLiteral("  "));
    QTest::keyClick(text, Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Rename(), nullptr);
    EXPECT_TRUE(card->isEnabled());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(app_->Document.OwnerName(), u"  ");
    EXPECT_EQ(In<QLineEdit>(card, "txtName")->text(), QStringLiteral("  "));
    EXPECT_TRUE(app_->Document.Modified);
    // The tree's root follows at once.
    EXPECT_EQ(RootText(), u"  ");
}

TEST_F(EntryFormsTest, RenameToTheSameNameStillMarksModifiedAndUndoKeepsTheNewOwner)
{
    OpenFourRecords();
    // A change first, so there is a snapshot holding the owner record as it is now.
    ClickNode(2);
    messages_->Answers = {MsgAnswer::Yes};
    rules_->Commands.passDel_Click();
    messages_->Boxes.clear();

    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(In<QLabel>(card, "lblName"), Qt::LeftButton);
    ASSERT_NE(Rename(), nullptr);
    Press(Rename(), "cmdOK");  // unchanged "ann"
    FlushDeletes();
    EXPECT_TRUE(app_->Document.Modified);
    QTest::mouseClick(In<QLabel>(card, "lblName"), Qt::LeftButton);
    Type(Rename(), "Text1", QStringLiteral("bob"));
    Press(Rename(), "cmdOK");
    FlushDeletes();
    EXPECT_EQ(app_->Document.OwnerName(), u"bob");
    Press(card, "cmdClose");
    FlushDeletes();

    rules_->Commands.passUndo_Click();
    EXPECT_EQ(app_->Document.OwnerName(), u"bob");
    EXPECT_EQ(RootText(), u"bob");
    EXPECT_EQ(app_->Document.EntryCount(), 4);
}

TEST_F(EntryFormsTest, ChangePassFromTheCardReturnsToTheCard)
{
    OpenFourRecords();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(In<QLabel>(card, "lblPass"), Qt::LeftButton);
    auto* change = qobject_cast<ChangePass*>(main_->FindForm(QStringLiteral("ChangePass")));
    ASSERT_NE(change, nullptr);
    EXPECT_FALSE(card->isEnabled());
    EXPECT_EQ(change->Owner(), card);
    Type(change, "OldPass", QStringLiteral("PW"));
    Type(change, "NewPass", QStringLiteral("new"));
    Type(change, "Confirm", QStringLiteral("new"));
    Press(change, "cmdOK");
    FlushDeletes();
    EXPECT_EQ(app_->Document.DocumentPassword(), u"new");
    EXPECT_TRUE(card->isEnabled());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_TRUE(app_->Document.Modified);

    QTest::mouseClick(In<QLabel>(card, "lblPass"), Qt::LeftButton);
    change = qobject_cast<ChangePass*>(main_->FindForm(QStringLiteral("ChangePass")));
    ASSERT_NE(change, nullptr);
    Press(change, "cmdCancel");
    FlushDeletes();
    EXPECT_TRUE(card->isEnabled());
    Press(card, "cmdClose");
    FlushDeletes();
    EXPECT_TRUE(main_->isEnabled());
}

}  // namespace
}  // namespace kyq::test
