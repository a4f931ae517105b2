// NewOne and ChangePass, whose checks on OK live in the dialogs: which check fires for
// which input, where the focus goes, and the accept and cancel paths.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "core/document/UnstorableMessage.h"
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

TEST_F(NewOneTest, OpensOverTheDisabledWindowWithTheLoginNameAndHiddenPasswords)
{
    NewOne* d = Open();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_FALSE(d->UserName->text().isEmpty());
    EXPECT_EQ(d->UserPass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d->PassConfirm->echoMode(), QLineEdit::Password);
    EXPECT_EQ(d->UserPass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                              d->UserPass),
              '*');
}

// The checks on OK in their order: which one fired, where the focus goes, what is emptied;
// the dialog stays open and no document is made.
TEST_F(NewOneTest, RefusedOkSaysWhichCheckFailed)
{
    enum Field { None, Name, Pass, Confirm };
    struct Case {
        const char* name;
        std::u16string owner, pass, confirm;
        std::u16string message;
        MsgIcon icon;
        Field focus;
        bool confirmEmptied;
    };
    const std::u16string emoji = u"ann\U0001F600";
    const std::u16string shifted = std::u16string(u"a") + char16_t(14) + u"b";
    const std::u16string hangul = u"pw한";  // outside code page 936
    const Case cases[] = {
        {"empty name, whatever the passwords", u"", u"a", u"b", u"请输入用户名！",
         MsgIcon::Information, None, false},
        {"mismatch before the empty password", u"ann", u"", u"x", u"两次输入的密码不一样，请检查！",
         MsgIcon::Warning, Confirm, true},
        {"empty password and confirmation", u"ann", u"", u"", u"请输入密码！",
         MsgIcon::Information, Pass, false},
        {"owner name a document cannot store", emoji, u"pw", u"pw",
         UnstorableCharacterMessage(u"用户名", emoji, 3), MsgIcon::Warning, Name, false},
        // Code 14 is storable elsewhere but would end the owner name in the file.
        {"control character in the owner name", shifted, u"pw", u"pw",
         UnstorableCharacterMessage(u"用户名", shifted, 1), MsgIcon::Warning, Name, false},
        {"password a document cannot store", u"ann", hangul, hangul,
         UnstorableCharacterMessage(u"密码", hangul, 2), MsgIcon::Warning, Pass, false},
    };
    NewOne* d = Open();
    ASSERT_NE(d, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages_->Boxes.clear();
        Fill(d, QString::fromStdU16String(c.owner), QString::fromStdU16String(c.pass),
             QString::fromStdU16String(c.confirm));
        d->cmdCancel->setFocus();
        d->cmdOK_Click();
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Text, c.message);
        EXPECT_EQ(messages_->Boxes[0].Icon, c.icon);
        QWidget* const fields[] = {nullptr, d->UserName, d->UserPass, d->PassConfirm};
        if (c.focus != None) {
            EXPECT_TRUE(Focused(fields[c.focus]));
        }
        EXPECT_EQ(d->PassConfirm->text().isEmpty(), c.confirmEmptied || c.confirm.empty());
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(app_->Document.Path, "");
    }
}

// The confirmation may differ in letter case; the password is kept as typed first.
TEST_F(NewOneTest, AcceptedOkMakesTheDocumentAndWelcomes)
{
    struct Case {
        QString owner, pass, confirm;
    };
    for (const Case& c : {Case{QStringLiteral("Ann Lee"), QStringLiteral("SeCret"),
                               QStringLiteral("secret")},
                          Case{QStringLiteral("王小明"), QStringLiteral("密码1"),
                               QStringLiteral("密码1")}}) {
        SCOPED_TRACE(c.owner.toStdString());
        if (app_->Document.Modified)
            messages_->Answers.push_back(MsgAnswer::No);  // the first one is not saved
        NewOne* d = Open();
        ASSERT_NE(d, nullptr);
        messages_->Boxes.clear();
        Fill(d, c.owner, c.pass, c.confirm);
        d->cmdOK_Click();
        FlushDeletes();
        EXPECT_EQ(NewDialog(), nullptr);
        EXPECT_EQ(app_->Document.Path, "nul");
        EXPECT_EQ(app_->Document.OwnerName(), c.owner.toStdU16String());
        EXPECT_EQ(app_->Document.DocumentPassword(), c.pass.toStdU16String());
        EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"欢迎您使用Keyquill！"});
        EXPECT_TRUE(main_->isEnabled());
    }
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

TEST_F(ChangePassTest, OwnerIsDisabledWhileOpenAndThePasswordsHidden)
{
    EXPECT_FALSE(owner_->isEnabled());
    EXPECT_TRUE(dialog_->isEnabled());
    EXPECT_TRUE(dialog_->OldPass->isEnabled());
    for (QLineEdit* box : {dialog_->OldPass, dialog_->NewPass, dialog_->Confirm})
        EXPECT_EQ(box->echoMode(), QLineEdit::Password);
}

// The checks on OK in their order: which one fired and which box is emptied; the document
// password stays and the dialog stays open.
TEST_F(ChangePassTest, RefusedOkSaysWhichCheckFailed)
{
    struct Case {
        const char* name;
        std::u16string old, fresh, confirm;
        std::u16string message;
        MsgIcon icon;
        std::u16string oldAfter, freshAfter, confirmAfter;
    };
    const std::u16string hangul = u"x한";
    // A control character no password box can take again: the document could never be
    // opened.
    const std::u16string tab = u"a\tb";
    const Case cases[] = {
        {"wrong old password", u"nope", u"new", u"new", u"原密码错误！请重输。",
         MsgIcon::Warning, u"", u"new", u"new"},
        {"empty new password", u"secret", u"", u"x", u"密码不能为空！", MsgIcon::Information,
         u"secret", u"", u"x"},
        {"mismatch", u"secret", u"one", u"two", u"两次输入的新密码不一样！请重输。",
         MsgIcon::Warning, u"secret", u"one", u""},
        {"new password a document cannot store", u"secret", hangul, hangul,
         UnstorableCharacterMessage(u"新密码", hangul, 1), MsgIcon::Warning, u"secret", hangul,
         hangul},
        {"control character", u"secret", tab, tab, UnstorableCharacterMessage(u"新密码", tab, 1),
         MsgIcon::Warning, u"secret", tab, tab},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages_->Boxes.clear();
        Fill(QString::fromStdU16String(c.old), QString::fromStdU16String(c.fresh),
             QString::fromStdU16String(c.confirm));
        dialog_->cmdOK_Click();
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Text, c.message);
        EXPECT_EQ(messages_->Boxes[0].Icon, c.icon);
        EXPECT_EQ(dialog_->OldPass->text().toStdU16String(), c.oldAfter);
        EXPECT_EQ(dialog_->NewPass->text().toStdU16String(), c.freshAfter);
        EXPECT_EQ(dialog_->Confirm->text().toStdU16String(), c.confirmAfter);
        EXPECT_EQ(app_->Document.DocumentPassword(), u"Secret");
        EXPECT_FALSE(app_->Document.Modified);
        EXPECT_FALSE(dialog_.isNull());
    }
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

// The box starts at the document's format; ticking it makes the document sealed for the
// next save and is remembered for the next new document.
TEST_F(ChangePassTest, TheSealedBoxChoosesTheFormat)
{
    auto* sealed = dialog_->findChild<QCheckBox*>(QStringLiteral("chkSealed"));
    ASSERT_NE(sealed, nullptr);
    EXPECT_FALSE(sealed->isChecked());
    sealed->setChecked(true);
    Fill(QStringLiteral("Secret"), QStringLiteral("new"), QStringLiteral("new"));
    dialog_->cmdOK_Click();
    FlushDeletes();
    EXPECT_TRUE(app_->Document.IsSealed());
    EXPECT_TRUE(app_->Settings.Sealed);
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
