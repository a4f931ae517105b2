#include "gui/credentials/NewOne.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/settings/TextHelpers.h"
#include "core/workflow/CredentialCheck.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/KyqApp.h"
#include "gui/credentials/CredentialRefusal.h"
#include "gui/credentials/SealedChoice.h"
#include "gui/main/frmMain.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"

namespace kyq {

namespace {

QLineEdit* Box(QWidget* parent, const char* name, bool password)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    if (password)
        box->setEchoMode(QLineEdit::Password);
    SelectAllOnFocus::Attach(box);
    return box;
}

}  // namespace

NewOne::NewOne(KyqApp& app, frmMain& main, DocumentWorkflow& workflow)
    : OwnedDialog(app, &main, QStringLiteral("NewOne")), main_(main), workflow_(workflow)
{
    setWindowTitle(QStringLiteral("新用户登记"));
    ShowToNew = new QLabel(this);
    ShowToNew->setObjectName(QStringLiteral("ShowToNew"));
    ShowToNew->setWordWrap(true);
    ShowToNew->setText(QStringLiteral(
        "感谢您选用Keyquill！有了它，您只需记住一个密码，就能记住所有的密码。"
        "请为新文档登记用户名和密码：打开文档时要输入这个密码，请牢记它。"));
    UserName = Box(this, "UserName", false);
    UserPass = Box(this, "UserPass", true);
    PassConfirm = Box(this, "PassConfirm", true);
    for (QLineEdit* box : {UserName, UserPass, PassConfirm})
        TextLengthGuard::Attach(box, app);
    cmdOK = new QPushButton(QStringLiteral("确定(&O)"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("请输入用户名："), UserName);
    fields->addRow(QStringLiteral("请输入密码："), UserPass);
    fields->addRow(QStringLiteral("请确认密码："), PassConfirm);
    sealed_ = new SealedChoice(this, app.Settings.Sealed);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* all = new QVBoxLayout(this);
    all->addWidget(ShowToNew);
    all->addLayout(fields);
    all->addWidget(sealed_);
    all->addLayout(buttons);
    ShowToNew->setMinimumWidth(320);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void NewOne::Form_Load()
{
    UserName->setText(QString::fromStdString(WindowsUserName(App().Registry)));
    UserName->setFocus(Qt::OtherFocusReason);
}

void NewOne::cmdOK_Click()
{
    KyqApp& app = App();
    const std::u16string name = UserName->text().toStdU16String();
    std::u16string pass = UserPass->text().toStdU16String();
    std::u16string confirm = PassConfirm->text().toStdU16String();
    const CredentialProblem problem = CheckNewDocument(name, pass, confirm, sealed_->Checked());
    WipeText(confirm);
    if (problem) {
        WipeText(pass);
        ShowCredentialRefusal(app, problem,
                              problem.Field == CredentialField::Confirm    ? PassConfirm
                              : problem.Field == CredentialField::Password ? UserPass
                                                                           : UserName);
        return;
    }

    const bool sealed = sealed_->Checked();
    Unload();
    workflow_.CreateDocument(name, pass, sealed);
    WipeText(pass);
    main_.activateWindow();
}

void NewOne::cmdCancel_Click()
{
    Unload();
    // No new document after all: the one closed to make room comes back.
    workflow_.RestorePreviousDocument();
}

void NewOne::OnCancel()
{
    cmdCancel_Click();
}

}  // namespace kyq
