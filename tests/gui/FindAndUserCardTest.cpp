// The find results dialog started from the find box, and the user card with its rename
// dialog and the change of the document password.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "core/document/UnstorableMessage.h"
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
        RegisterEntryForms(*main_);
    }
    // Entries in title order: A, b, c, Mail.
    void OpenFour()
    {
        OpenDocument(MakeFile("a.kyq", u"ann", u"pw",
                              {Entry(u"b", u"bob", u"pb"), Entry(u"A", u"ann", u"pa"),
                               Entry(u"Mail", u"me", u"pm", 2019, 3, 8),
                               Entry(u"c", u"cid", u"pc")}),
                     u"pw");
        messages_->Boxes.clear();
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
    static QStringList Lines(const FoundResult* r)
    {
        QStringList lines;
        for (int i = 0; i < r->List1->count(); ++i)
            lines << r->List1->item(i)->text();
        return lines;
    }
    static void ClickLine(FoundResult* r, int row)
    {
        QListWidgetItem* item = r->List1->item(row);
        QTest::mouseClick(r->List1->viewport(), Qt::LeftButton, {},
                          r->List1->visualItemRect(item).center());
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
        main_->Menus.fileUser->trigger();
        return Card();
    }
    static void MoveOver(QWidget* w)
    {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
    }
    static bool IsLinkLook(const QLabel* label, bool hovered)
    {
        const QColor colour = label->palette().color(QPalette::Active, QPalette::WindowText);
        return colour == (hovered ? QColor(255, 0, 0) : QColor(0, 0, 255)) &&
               label->font().underline() == hovered;
    }
};

TEST_F(EntryFormsTest, AKeywordOnlyInAPasswordFindsItsRecordInAnyCase)
{
    OpenFour();
    FoundResult* r = Search(QStringLiteral("PM"));
    ASSERT_NE(r, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(app_->Session.FindKeyword, u"PM");
    EXPECT_EQ(r->windowTitle(), QStringLiteral("查找结果"));
    EXPECT_EQ(r->Label1->text(), QStringLiteral("共找到1个密码，请从列表中选择后单击确定。"));
    EXPECT_EQ(Lines(r), QStringList{QStringLiteral("Mail")});
    EXPECT_EQ(r->FoundIndexes, std::vector<int>{4});
    EXPECT_FALSE(r->OK->isEnabled());
    EXPECT_TRUE(r->OK->isDefault());

    ClickLine(r, 0);
    EXPECT_TRUE(r->OK->isEnabled());
    r->OK->click();
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 4);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("Mail"));
    EXPECT_EQ(main_->focusWidget(), TreeView());
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(EntryFormsTest, ResultsKeepDocumentOrderAndMatchTitlesAndUserNames)
{
    OpenFour();
    // "a": title A, user ann (record A), title Mail.
    FoundResult* r = Search(QStringLiteral("a"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Lines(r), (QStringList{QStringLiteral("A"), QStringLiteral("Mail")}));
    EXPECT_EQ(r->FoundIndexes, (std::vector<int>{1, 4}));
    r->Cancel_Click();
    FlushDeletes();
    // "CI" only in a user name.
    r = Search(QStringLiteral("CI"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Lines(r), QStringList{QStringLiteral("c")});
    // Keyboard selection enables OK too, and Enter presses it. The list gets the focus
    // with its first line current but not selected (as a focused list does).
    r->List1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(r->List1, Qt::Key_Down);
    EXPECT_TRUE(r->OK->isEnabled());
    QTest::keyClick(r->List1, Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 3);

    // With several lines the first arrow key selects the first line, the next moves on.
    r = Search(QStringLiteral("a"));
    ASSERT_NE(r, nullptr);
    r->List1->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    EXPECT_FALSE(r->OK->isEnabled());
    QTest::keyClick(r->List1, Qt::Key_Down);
    EXPECT_EQ(r->List1->selectedItems().value(0), r->List1->item(0));
    QTest::keyClick(r->List1, Qt::Key_Down);
    EXPECT_EQ(r->List1->selectedItems().value(0), r->List1->item(1));
    EXPECT_TRUE(r->OK->isEnabled());
}

TEST_F(EntryFormsTest, NoMatchShowsCountZeroWithOkDisabled)
{
    OpenFour();
    FoundResult* r = Search(QStringLiteral("p m"));  // blanks must match blanks
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Label1->text(), QStringLiteral("共找到0个密码，请从列表中选择后单击确定。"));
    EXPECT_EQ(r->List1->count(), 0);
    EXPECT_FALSE(r->OK->isEnabled());
    // OK (were it pressed) and Enter do nothing but close nothing either.
    QTest::keyClick(r->List1, Qt::Key_Return);
    EXPECT_EQ(Results(), r);
    QTest::keyClick(r, Qt::Key_Escape);
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(EntryFormsTest, OnlyPlainEnterOrTheFindLabelSearches)
{
    OpenFour();
    Box("txtKey")->setText(QStringLiteral("mail"));
    for (const Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        QTest::keyClick(Box("txtKey"), Qt::Key_Return, m);
    EXPECT_EQ(Results(), nullptr);
    EXPECT_TRUE(main_->isEnabled());

    Box("txtKey")->clear();
    main_->lblFind_Click();
    EXPECT_EQ(Results(), nullptr);

    Box("txtKey")->setText(QStringLiteral("mail"));
    QTest::mouseClick(Control<QLabel>("lblFind"), Qt::LeftButton);
    ASSERT_NE(Results(), nullptr);
    EXPECT_EQ(Lines(Results()), QStringList{QStringLiteral("Mail")});
}

TEST_F(EntryFormsTest, DoubleClickSelectsTheRecordClosesThenShowsItsDetails)
{
    OpenFour();
    FoundResult* r = Search(QStringLiteral("mail"));
    ASSERT_NE(r, nullptr);
    bool closedFirst = false;
    int selectedWhileShown = -1;
    messages_->WhileShown = [&](const RecordedBox&) {
        closedFirst = Results() == nullptr && main_->isEnabled();
        main_->Tree.Timer1_Timer();
        selectedWhileShown = app_->Session.SelectedIndex;
    };
    const QRect line = r->List1->visualItemRect(r->List1->item(0));
    QTest::mouseClick(r->List1->viewport(), Qt::LeftButton, {}, line.center());
    QTest::mouseDClick(r->List1->viewport(), Qt::LeftButton, {}, line.center());
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
    OpenFour();
    FoundResult* r = Search(QStringLiteral("mail"));
    ASSERT_NE(r, nullptr);
    ClickLine(r, 0);
    // A file handed over while the results are open.
    main_->Workflow.OpenFromPath(MakeFile("b.kyq", u"zoe", u"pw", {Entry(u"x", u"u", u"p")}));
    Prompt()->txtPass->setText(QStringLiteral("pw"));
    Prompt()->Command1_Click();
    FlushDeletes();
    ASSERT_EQ(app_->Document.EntryCount(), 1);
    r->List1_DblClick();
    FlushDeletes();
    EXPECT_TRUE(messages_->Boxes.empty());
    r = Results();
    ASSERT_NE(r, nullptr);
    r->OK_Click();
    FlushDeletes();
    EXPECT_EQ(Results(), nullptr);
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 0);
}

TEST_F(EntryFormsTest, TheCardShowsTheOwnerAndClosesWithEnterOrEsc)
{
    OpenFour();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(card->windowTitle(), QStringLiteral("用户信息"));
    EXPECT_EQ(card->Label1->text(), QStringLiteral("用户名："));
    EXPECT_EQ(card->txtName->text(), QStringLiteral("ann"));
    EXPECT_TRUE(card->txtName->isReadOnly());
    EXPECT_EQ(card->lblName->text(), QStringLiteral("更改用户名"));
    EXPECT_EQ(card->lblPass->text(), QStringLiteral("更改密码"));
    EXPECT_EQ(card->cmdClose->text(), QStringLiteral("关闭窗口"));
    EXPECT_EQ(card->lblName->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(card->lblPass->cursor().shape(), Qt::PointingHandCursor);
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

TEST_F(EntryFormsTest, LinksTurnRedUnderThePointerAndBlueElsewhere)
{
    OpenFour();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    EXPECT_TRUE(IsLinkLook(card->lblName, false));
    EXPECT_TRUE(IsLinkLook(card->lblPass, false));
    MoveOver(card->lblName);
    EXPECT_TRUE(IsLinkLook(card->lblName, true));
    EXPECT_TRUE(IsLinkLook(card->lblPass, false));
    MoveOver(card->lblPass);
    EXPECT_TRUE(IsLinkLook(card->lblName, false));
    EXPECT_TRUE(IsLinkLook(card->lblPass, true));
    for (QWidget* elsewhere : {static_cast<QWidget*>(card), static_cast<QWidget*>(card->Label1),
                               static_cast<QWidget*>(card->txtName),
                               static_cast<QWidget*>(card->cmdClose)}) {
        MoveOver(card->lblName);
        MoveOver(elsewhere);
        EXPECT_TRUE(IsLinkLook(card->lblName, false)) << elsewhere->objectName().toStdString();
        EXPECT_TRUE(IsLinkLook(card->lblPass, false));
    }
}

TEST_F(EntryFormsTest, RenameRefusesAnEmptyNameAndAcceptsBlanks)
{
    OpenFour();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(card->lblName, Qt::LeftButton);
    frmName* rename = Rename();
    ASSERT_NE(rename, nullptr);
    EXPECT_FALSE(card->isEnabled());
    EXPECT_EQ(rename->windowTitle(), QStringLiteral("更改用户名"));
    EXPECT_EQ(rename->Label1->text(), QStringLiteral("请输入您的用户名(&U)："));
    EXPECT_EQ(rename->Text1->text(), QStringLiteral("ann"));
    EXPECT_EQ(rename->focusWidget(), rename->Text1);
    EXPECT_TRUE(rename->cmdOK->isDefault());

    rename->Text1->clear();
    rename->cmdOK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"请输入用户名！");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
    EXPECT_EQ(Rename(), rename);

    rename->Text1->setText(QStringLiteral("  "));
    QTest::keyClick(rename->Text1, Qt::Key_Return);
    FlushDeletes();
    EXPECT_EQ(Rename(), nullptr);
    EXPECT_TRUE(card->isEnabled());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_EQ(app_->Document.OwnerName(), u"  ");
    EXPECT_EQ(card->txtName->text(), QStringLiteral("  "));
    EXPECT_TRUE(app_->Document.Modified);
    // The tree's root follows at its next rebuild.
    EXPECT_EQ(RootText(), u"ann");
    card->cmdClose_Click();
    FlushDeletes();
    main_->Menus.passAdd->trigger();
    auto* add = qobject_cast<AddPass*>(main_->FindForm(QStringLiteral("AddPass")));
    ASSERT_NE(add, nullptr);
    add->txtID->setText(QStringLiteral("new"));
    add->txtName->setText(QStringLiteral("u"));
    add->txtPass->setText(QStringLiteral("p"));
    add->OK_Click();
    FlushDeletes();
    EXPECT_EQ(RootText(), u"  ");
}

TEST_F(EntryFormsTest, RenameToTheSameNameStillMarksModifiedAndUndoPutsTheOldOwnerBack)
{
    OpenFour();
    // A change first, so there is a snapshot holding the owner record as it is now.
    ClickNode(2);
    messages_->Answers = {MsgAnswer::Yes};
    main_->Commands.passDel_Click();
    messages_->Boxes.clear();

    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    card->lblName_Click();
    ASSERT_NE(Rename(), nullptr);
    Rename()->cmdOK_Click();  // unchanged "ann"
    FlushDeletes();
    EXPECT_TRUE(app_->Document.Modified);
    card->lblName_Click();
    Rename()->Text1->setText(QStringLiteral("bob"));
    Rename()->cmdOK_Click();
    FlushDeletes();
    EXPECT_EQ(app_->Document.OwnerName(), u"bob");
    card->cmdClose_Click();
    FlushDeletes();

    main_->Commands.passUndo_Click();
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
    EXPECT_EQ(RootText(), u"ann");
    EXPECT_EQ(app_->Document.EntryCount(), 4);
}

TEST_F(EntryFormsTest, RenameRefusesCharactersTheFileCannotHold)
{
    OpenFour();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    card->lblName_Click();
    frmName* rename = Rename();
    ASSERT_NE(rename, nullptr);
    for (const std::u16string& name : {std::u16string(u"an\x0en"), std::u16string(u"김")}) {
        messages_->Boxes.clear();
        rename->Text1->setText(QString::fromStdU16String(name));
        rename->cmdCancel->setFocus();
        rename->cmdOK_Click();
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
        EXPECT_EQ(messages_->Boxes[0].Text.rfind(u"用户名中含有", 0), 0u);
        EXPECT_EQ(rename->focusWidget(), rename->Text1);
        EXPECT_EQ(app_->Document.OwnerName(), u"ann");
        EXPECT_FALSE(app_->Document.Modified);
    }
    EXPECT_NE(messages_->Boxes[0].Text.find(u"김"), std::u16string::npos);
}

TEST_F(EntryFormsTest, ChangePassFromTheCardReturnsToTheCard)
{
    OpenFour();
    frmUser* card = OpenCard();
    ASSERT_NE(card, nullptr);
    QTest::mouseClick(card->lblPass, Qt::LeftButton);
    auto* change = qobject_cast<ChangePass*>(main_->FindForm(QStringLiteral("ChangePass")));
    ASSERT_NE(change, nullptr);
    EXPECT_FALSE(card->isEnabled());
    EXPECT_EQ(change->Owner(), card);
    change->OldPass->setText(QStringLiteral("PW"));
    change->NewPass->setText(QStringLiteral("new"));
    change->Confirm->setText(QStringLiteral("new"));
    change->cmdOK_Click();
    FlushDeletes();
    EXPECT_EQ(app_->Document.DocumentPassword(), u"new");
    EXPECT_TRUE(card->isEnabled());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_TRUE(app_->Document.Modified);

    card->lblPass_Click();
    change = qobject_cast<ChangePass*>(main_->FindForm(QStringLiteral("ChangePass")));
    ASSERT_NE(change, nullptr);
    change->cmdCancel_Click();
    FlushDeletes();
    EXPECT_TRUE(card->isEnabled());
    card->cmdClose_Click();
    FlushDeletes();
    EXPECT_TRUE(main_->isEnabled());
}

}  // namespace
}  // namespace kyq::test
