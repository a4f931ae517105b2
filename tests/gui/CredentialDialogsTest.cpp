// NewOne and ChangePass: the order of their checks, their messages and focus moves, and the
// refusal of characters a document cannot store.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "gui/GuiFixture.h"
#include "gui/credentials/ChangePass.h"
#include "gui/credentials/NewOne.h"

namespace kyq::test {
namespace {

class NewOneTest : public GuiTest {
protected:
    NewOne* Open()
    {
        main_->Workflow.fileNew_Click();
        NewOne* dialog = NewDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    void Fill(NewOne* d, const QString& name, const QString& pass, const QString& confirm)
    {
        d->UserName->setText(name);
        d->UserPass->setText(pass);
        d->PassConfirm->setText(confirm);
    }
    static bool Focused(QWidget* w)
    {
        QApplication::processEvents();
        return w->hasFocus() || QApplication::focusWidget() == w;
    }
};

TEST_F(NewOneTest, OpensOverTheDisabledWindowWithTheLoginName)
{
    NewOne* d = Open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("新用户登记"));
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_FALSE(d->UserName->text().isEmpty());
    EXPECT_EQ(d->UserPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d->PassConfirm->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d->UserPass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                              d->UserPass),
              '*');
    EXPECT_EQ(d->cmdOK->text(), QStringLiteral("确定(&O)"));
    EXPECT_EQ(d->cmdCancel->text(), QStringLiteral("取消(&C)"));
    EXPECT_FALSE(d->ShowToNew->text().contains(QLatin1Char('@')));
}

TEST_F(NewOneTest, EmptyNameIsReportedWhateverThePasswords)
{
    NewOne* d = Open();
    Fill(d, {}, QStringLiteral("a"), QStringLiteral("b"));
    d->cmdOK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"请输入用户名！");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_EQ(messages_->Boxes[0].Title, u"Keyquill");
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->PassConfirm->text(), QStringLiteral("b"));
    EXPECT_EQ(app_->Document.Path, "");
}

TEST_F(NewOneTest, MismatchIsCheckedBeforeTheEmptyPassword)
{
    NewOne* d = Open();
    Fill(d, QStringLiteral("ann"), {}, QStringLiteral("x"));
    d->cmdOK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"两次输入的密码不一样，请检查！");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_TRUE(d->PassConfirm->text().isEmpty());
    EXPECT_TRUE(Focused(d->PassConfirm));
}

TEST_F(NewOneTest, EmptyPasswordAndConfirmationAskForAPassword)
{
    NewOne* d = Open();
    Fill(d, QStringLiteral("ann"), {}, {});
    d->cmdOK_Click();
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"请输入密码！"});
    EXPECT_TRUE(Focused(d->UserPass));
    EXPECT_TRUE(d->isVisible());
}

TEST_F(NewOneTest, ConfirmationMayDifferInLetterCaseAndTheTypedPasswordIsKept)
{
    NewOne* d = Open();
    Fill(d, QStringLiteral("Ann Lee"), QStringLiteral("SeCret"), QStringLiteral("secret"));
    d->cmdOK_Click();
    FlushDeletes();
    EXPECT_EQ(NewDialog(), nullptr);
    EXPECT_EQ(app_->Document.OwnerName(), u"Ann Lee");
    EXPECT_EQ(app_->Document.DocumentPassword(), u"SeCret");
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"欢迎您使用Keyquill！"});
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(NewOneTest, RefusesAnOwnerNameTheDocumentCannotStore)
{
    NewOne* d = Open();
    Fill(d, QString::fromStdU16String(u"ann\U0001F600"), QStringLiteral("pw"),
         QStringLiteral("pw"));
    d->cmdOK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"用户名中含有字符“\U0001F600”，它无法保存在Keyquill文档中，请换用其他字符。");
    EXPECT_TRUE(Focused(d->UserName));
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_TRUE(d->isVisible());

    // Code 14 is storable elsewhere but would end the owner name in the file.
    messages_->Boxes.clear();
    Fill(d, QString::fromStdU16String(std::u16string(u"a") + char16_t(14) + u"b"),
         QStringLiteral("pw"), QStringLiteral("pw"));
    d->cmdOK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"用户名中含有代码为14的控制字符，它无法保存在Keyquill文档中，请换用其他字符。");
}

TEST_F(NewOneTest, RefusesAPasswordTheDocumentCannotStore)
{
    NewOne* d = Open();
    // Hangul is outside code page 936.
    Fill(d, QStringLiteral("ann"), QString::fromStdU16String(u"pw한"),
         QString::fromStdU16String(u"pw한"));
    d->cmdOK_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"密码中含有字符“한”，它无法保存在Keyquill文档中，请换用其他字符。");
    EXPECT_TRUE(Focused(d->UserPass));
    EXPECT_EQ(app_->Document.Path, "");
}

TEST_F(NewOneTest, ChineseNameAndPasswordAreAccepted)
{
    NewOne* d = Open();
    Fill(d, QStringLiteral("王小明"), QStringLiteral("密码1"), QStringLiteral("密码1"));
    d->cmdOK_Click();
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_EQ(app_->Document.OwnerName(), u"王小明");
}

TEST_F(NewOneTest, CancelAndTheCloseBoxLeaveNoDocument)
{
    NewOne* d = Open();
    d->cmdCancel_Click();
    FlushDeletes();
    EXPECT_EQ(NewDialog(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(app_->Document.Path, "");

    d = Open();
    d->close();
    FlushDeletes();
    EXPECT_EQ(NewDialog(), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(messages_->Boxes.empty());
}

class ChangePassTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        NewDocument(u"ann", u"Secret");
        app_->Document.Modified = false;
        messages_->Boxes.clear();
        owner_ = std::make_unique<QWidget>();
        owner_->show();
        dialog_ = new ChangePass(*app_, owner_.get());
        dialog_->ShowOverOwner();
    }
    void TearDown() override
    {
        if (dialog_)
            dialog_->Unload();
        GuiTest::TearDown();
        owner_.reset();
    }
    void Fill(const QString& old, const QString& fresh, const QString& confirm)
    {
        dialog_->OldPass->setText(old);
        dialog_->NewPass->setText(fresh);
        dialog_->Confirm->setText(confirm);
    }

    std::unique_ptr<QWidget> owner_;
    QPointer<ChangePass> dialog_;
};

TEST_F(ChangePassTest, OwnerIsDisabledWhileOpen)
{
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("更改用户密码"));
    EXPECT_FALSE(owner_->isEnabled());
    EXPECT_TRUE(dialog_->isEnabled());
    EXPECT_TRUE(dialog_->OldPass->isEnabled());
    for (QLineEdit* box : {dialog_->OldPass, dialog_->NewPass, dialog_->Confirm})
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
}

TEST_F(ChangePassTest, WrongOldPasswordEmptiesOnlyThatBox)
{
    Fill(QStringLiteral("nope"), QStringLiteral("new"), QStringLiteral("new"));
    dialog_->cmdOK_Click();
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"原密码错误！请重输。"});
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_TRUE(dialog_->OldPass->text().isEmpty());
    EXPECT_EQ(dialog_->NewPass->text(), QStringLiteral("new"));
    EXPECT_EQ(dialog_->Confirm->text(), QStringLiteral("new"));
    EXPECT_EQ(app_->Document.DocumentPassword(), u"Secret");
}

TEST_F(ChangePassTest, ChecksRunInOrder)
{
    Fill(QStringLiteral("secret"), {}, QStringLiteral("x"));
    dialog_->cmdOK_Click();
    EXPECT_EQ(messages_->Boxes.back().Text, u"密码不能为空！");
    EXPECT_EQ(messages_->Boxes.back().Icon, MsgIcon::Information);

    Fill(QStringLiteral("secret"), QStringLiteral("one"), QStringLiteral("two"));
    dialog_->cmdOK_Click();
    EXPECT_EQ(messages_->Boxes.back().Text, u"两次输入的新密码不一样！请重输。");
    EXPECT_TRUE(dialog_->Confirm->text().isEmpty());
    EXPECT_EQ(dialog_->NewPass->text(), QStringLiteral("one"));
    EXPECT_FALSE(app_->Document.Modified);
}

TEST_F(ChangePassTest, AcceptsTheOldPasswordInOtherCaseAndMarksTheDocument)
{
    Fill(QStringLiteral("SECRET"), QStringLiteral("Fresh"), QStringLiteral("fresh"));
    dialog_->cmdOK_Click();
    FlushDeletes();
    EXPECT_TRUE(dialog_.isNull());
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"成功改变用户密码！"});
    EXPECT_EQ(app_->Document.DocumentPassword(), u"Fresh");
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_TRUE(owner_->isEnabled());
}

TEST_F(ChangePassTest, RefusesANewPasswordTheDocumentCannotStore)
{
    // A character the file cannot key with, and a control character no password box can
    // take again (the document could never be opened).
    for (const std::u16string bad : {u"x한", u"a\tb"}) {
        messages_->Boxes.clear();
        Fill(QStringLiteral("secret"), QString::fromStdU16String(bad), QString::fromStdU16String(bad));
        dialog_->cmdOK_Click();
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Text.rfind(u"新密码中含有", 0), 0u);
        EXPECT_EQ(app_->Document.DocumentPassword(), u"Secret");
        EXPECT_FALSE(dialog_.isNull());
    }
}

TEST_F(ChangePassTest, CancelAndCloseBoxEnableTheOwner)
{
    dialog_->close();
    FlushDeletes();
    EXPECT_TRUE(dialog_.isNull());
    EXPECT_TRUE(owner_->isEnabled());
    EXPECT_EQ(app_->Document.DocumentPassword(), u"Secret");
    EXPECT_FALSE(app_->Document.Modified);
}

TEST_F(ChangePassTest, WithoutADocumentPasswordTheOldBoxIsOff)
{
    dialog_->Unload();
    FlushDeletes();
    app_->Document.DocumentPassword().clear();
    dialog_ = new ChangePass(*app_, owner_.get());
    dialog_->ShowOverOwner();
    EXPECT_FALSE(dialog_->OldPass->isEnabled());
    EXPECT_FALSE(dialog_->Label1->isEnabled());
    Fill({}, QStringLiteral("n"), QStringLiteral("n"));
    dialog_->cmdOK_Click();
    EXPECT_EQ(app_->Document.DocumentPassword(), u"n");
}

}  // namespace
}  // namespace kyq::test
