#include "gui/entries/frmName.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/EntryFieldCheck.h"
#include "core/workflow/KyqApp.h"
#include "gui/entries/frmUser.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"

namespace kyq {

frmName::frmName(KyqApp& app, frmUser& card, DocumentWorkflow& workflow)
    : OwnedDialog(app, &card, QStringLiteral("frmName")), card_(card), workflow_(workflow)
{
    setWindowTitle(QStringLiteral("更改用户名"));
    Text1 = new QLineEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setMinimumWidth(220);
    SelectAllOnFocus::Attach(Text1);
    TextLengthGuard::Attach(Text1, app);
    Label1 = new QLabel(QStringLiteral("请输入您的用户名(&U)："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setBuddy(Text1);
    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    auto* all = new QVBoxLayout(this);
    all->addWidget(Label1);
    all->addWidget(Text1);
    all->addSpacing(6);
    all->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmName::Form_Load()
{
    Text1->setText(QString::fromStdU16String(App().Document.OwnerName()));
    Text1->setFocus(Qt::OtherFocusReason);
}

void frmName::cmdOK_Click()
{
    KyqApp& app = App();
    const std::u16string name = Text1->text().toStdU16String();
    const EntryFieldProblem problem = CheckOwnerName(name, app.Document.IsSealed());
    if (problem) {
        app.MsgBox(problem.Message, MsgButtons::OkOnly, problem.Icon);
        Text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    // With the document closed behind the card (a hand-over), there is no owner to rename.
    if (workflow_.RenameOwner(name))
        card_.ShowOwnerName(name);
    cmdCancel_Click();
}

void frmName::cmdCancel_Click()
{
    Unload();
}

}  // namespace kyq
