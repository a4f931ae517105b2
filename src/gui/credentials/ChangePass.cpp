#include "gui/credentials/ChangePass.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/workflow/CredentialCheck.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/KyqApp.h"
#include "gui/credentials/CredentialRefusal.h"
#include "gui/credentials/SealedChoice.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"

namespace kyq {

namespace {

QLineEdit* PasswordBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEchoMode(QLineEdit::Password);
    SelectAllOnFocus::Attach(box);
    return box;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QLineEdit* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

}  // namespace

ChangePass::ChangePass(KyqApp& app, QWidget* owner, DocumentWorkflow& workflow)
    : OwnedDialog(app, owner, QStringLiteral("ChangePass")), workflow_(workflow)
{
    setWindowTitle(QStringLiteral("更改用户密码"));
    OldPass = PasswordBox(this, "OldPass");
    NewPass = PasswordBox(this, "NewPass");
    Confirm = PasswordBox(this, "Confirm");
    for (QLineEdit* box : {OldPass, NewPass, Confirm})
        TextLengthGuard::Attach(box, app);
    Label1 = Caption(this, "Label1", QStringLiteral("请输入原密码(&O)："), OldPass);
    Label2 = Caption(this, "Label2", QStringLiteral("请输入新密码(&N)："), NewPass);
    Label3 = Caption(this, "Label3", QStringLiteral("请确认新密码(&C)："), Confirm);
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(OldPass, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(NewPass, 1, 1);
    fields->addWidget(Label3, 2, 0);
    fields->addWidget(Confirm, 2, 1);
    fields->setColumnMinimumWidth(1, 160);
    sealed_ = new SealedChoice(this, app.Document.IsSealed());
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* all = new QVBoxLayout(this);
    all->addLayout(fields);
    all->addWidget(sealed_);
    all->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void ChangePass::Form_Load()
{
    const bool hasPassword = !App().Document.DocumentPassword().empty();
    Label1->setEnabled(hasPassword);
    OldPass->setEnabled(hasPassword);
    (hasPassword ? OldPass : NewPass)->setFocus(Qt::OtherFocusReason);
}

void ChangePass::cmdOK_Click()
{
    KyqApp& app = App();
    const PasswordDocument& doc = app.Document;
    std::u16string fresh = NewPass->text().toStdU16String();
    std::u16string old = OldPass->text().toStdU16String();
    std::u16string confirm = Confirm->text().toStdU16String();
    const CredentialProblem problem =
        CheckPasswordChange(doc.DocumentPassword(), old, fresh, confirm, sealed_->Checked());
    WipeText(old);
    WipeText(confirm);
    if (problem) {
        WipeText(fresh);
        ShowCredentialRefusal(app, problem,
                              problem.Field == CredentialField::OldPassword ? OldPass
                              : problem.Field == CredentialField::Confirm   ? Confirm
                                                                            : NewPass);
        return;
    }
    workflow_.ChangePassword(fresh, sealed_->Checked());
    WipeText(fresh);
    Unload();
    app.MsgBox(u"成功改变用户密码！", MsgButtons::OkOnly, MsgIcon::Information);
    if (QWidget* owner = Owner()) {
        owner->setEnabled(true);
        owner->activateWindow();
    }
}

void ChangePass::cmdCancel_Click()
{
    Unload();
}

void ChangePass::OnCancel()
{
    cmdCancel_Click();
}

}  // namespace kyq
