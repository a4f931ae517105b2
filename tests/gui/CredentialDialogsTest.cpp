// NewOne and ChangePass on the real main window: a refusal shown with the focus in its box
// and that box emptied when the check says so, and the accept and cancel paths. What is
// refused, and in which order, is CredentialCheckTest's.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include "core/workflow/CredentialCheck.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/ChangePass.h"
#include "gui/credentials/NewOne.h"

namespace kyq::test {
namespace {

class NewOneTest : public GuiTest {
protected:
    NewOne* Open()
    {
        rules_->Workflow.fileNew_Click();
        NewOne* dialog = NewDialog();
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    static void Fill(NewOne* d, const std::u16string& name, const std::u16string& pass, const std::u16string& confirm)
    {
        Type(d, "UserName", name);
        Type(d, "UserPass", pass);
        Type(d, "PassConfirm", confirm);
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
    EXPECT_FALSE(In<QLineEdit>(d, "UserName")->text().isEmpty());
    EXPECT_EQ(In<QLineEdit>(d, "PassConfirm")->echoMode(), QLineEdit::Password);
    QLineEdit* pass = In<QLineEdit>(d, "UserPass");
    EXPECT_EQ(pass->echoMode(), QLineEdit::Password);
    EXPECT_EQ(pass->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, pass), '*');
}

// A refusal: the check's message, the focus in its box, that box emptied when the check
// says so; the dialog stays open and no document is made.
TEST_F(NewOneTest, RefusedOkShowsTheCheckAndFocusesItsBox)
{
    struct Case {
        std::u16string owner, pass, confirm;
        const char* box;
    };
    const Case cases[] = {
        {u"", u"a", u"b", "UserName"},
        {u"ann", u"", u"x", "PassConfirm"},
        {u"ann", u"", u"", "UserPass"},
    };
    NewOne* d = Open();
    ASSERT_NE(d, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        messages_->Boxes.clear();
        Fill(d, c.owner, c.pass, c.confirm);
        Press(d, "cmdOK");
        const CredentialProblem expected = CheckNewDocument(c.owner, c.pass, c.confirm, false);
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Text, expected.Message);
        EXPECT_EQ(messages_->Boxes[0].Icon, expected.Icon);
        QLineEdit* box = In<QLineEdit>(d, c.box);
        EXPECT_TRUE(Focused(box));
        EXPECT_EQ(In<QLineEdit>(d, "PassConfirm")->text().isEmpty(), expected.Empty || c.confirm.empty());
        EXPECT_TRUE(d->isVisible());
        EXPECT_EQ(app_->Document.Path, "");
    }
}

// The password is kept as typed first (the confirmation may differ in letter case).
TEST_F(NewOneTest, AcceptedOkMakesTheDocumentAndWelcomes)
{
    NewOne* d = Open();
    ASSERT_NE(d, nullptr);
    messages_->Boxes.clear();
    Fill(d, u"王小明", u"SeCret", u"secret");
    Press(d, "cmdOK");
    FlushDeletes();
    EXPECT_EQ(NewDialog(), nullptr);
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_EQ(app_->Document.OwnerName(), u"王小明");
    EXPECT_EQ(app_->Document.DocumentPassword(), u"SeCret");
    EXPECT_EQ(messages_->Texts(), std::vector<std::u16string>{u"欢迎您使用Keyquill！"});
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(app_->Document.Modified);
}

TEST_F(NewOneTest, CancelAndTheCloseBoxLeaveNoDocument)
{
    NewOne* d = Open();
    Press(d, "cmdCancel");
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
        dialog_ = new ChangePass(*app_, owner_.get(), rules_->Workflow);
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
        Type(dialog_, "OldPass", old);
        Type(dialog_, "NewPass", fresh);
        Type(dialog_, "Confirm", confirm);
    }
    QString Text(const char* box) const { return In<QLineEdit>(dialog_, box)->text(); }

    std::unique_ptr<QWidget> owner_;
    QPointer<ChangePass> dialog_;
};

TEST_F(ChangePassTest, OwnerIsDisabledWhileOpenAndThePasswordsHidden)
{
    EXPECT_FALSE(owner_->isEnabled());
    EXPECT_TRUE(dialog_->isEnabled());
    EXPECT_TRUE(In<QLineEdit>(dialog_, "OldPass")->isEnabled());
    for (const char* box : {"OldPass", "NewPass", "Confirm"})
        EXPECT_EQ(In<QLineEdit>(dialog_, box)->echoMode(), QLineEdit::Password);
}

// A refusal: the check's message, its box emptied when the check says so; the document
// password stays and the dialog stays open.
TEST_F(ChangePassTest, RefusedOkShowsTheCheckAndEmptiesItsBox)
{
    struct Case {
        std::u16string old, fresh, confirm;
        std::u16string oldAfter, freshAfter, confirmAfter;
    };
    const Case cases[] = {
        {u"nope", u"new", u"new", u"", u"new", u"new"},
        {u"secret", u"one", u"two", u"secret", u"one", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromStdU16String(c.old).toStdString());
        messages_->Boxes.clear();
        Fill(QString::fromStdU16String(c.old), QString::fromStdU16String(c.fresh), QString::fromStdU16String(c.confirm));
        Press(dialog_, "cmdOK");
        const CredentialProblem expected = CheckPasswordChange(u"Secret", c.old, c.fresh, c.confirm, false);
        ASSERT_EQ(messages_->Boxes.size(), 1u);
        EXPECT_EQ(messages_->Boxes[0].Text, expected.Message);
        EXPECT_EQ(Text("OldPass").toStdU16String(), c.oldAfter);
        EXPECT_EQ(Text("NewPass").toStdU16String(), c.freshAfter);
        EXPECT_EQ(Text("Confirm").toStdU16String(), c.confirmAfter);
        EXPECT_EQ(app_->Document.DocumentPassword(), u"Secret");
        EXPECT_FALSE(app_->Document.Modified);
        EXPECT_FALSE(dialog_.isNull());
    }
}

TEST_F(ChangePassTest, AcceptsTheOldPasswordInOtherCaseAndMarksTheDocument)
{
    Fill(QStringLiteral("SECRET"), QStringLiteral("Fresh"), QStringLiteral("fresh"));
    // A close while the success box is up must offer to save the change.
    messages_->WhileShown = [&](const RecordedBox&) { EXPECT_TRUE(app_->Document.Modified); };
    Press(dialog_, "cmdOK");
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
    Press(dialog_, "cmdOK");
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
    dialog_ = new ChangePass(*app_, owner_.get(), rules_->Workflow);
    dialog_->ShowOverOwner();
    EXPECT_FALSE(In<QLineEdit>(dialog_, "OldPass")->isEnabled());
    Fill({}, QStringLiteral("n"), QStringLiteral("n"));
    Press(dialog_, "cmdOK");
    EXPECT_EQ(app_->Document.DocumentPassword(), u"n");
}

}  // namespace
}  // namespace kyq::test
