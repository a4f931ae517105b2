#include "gui/credentials/Asking.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/document/PathText.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPresenter.h"
#include "gui/main/frmMain.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"

namespace kyq {

Asking::Asking(KyqApp& app, frmMain& main, DocumentWorkflow& workflow, MainWindowPresenter& presenter)
    : OwnedDialog(app, &main, QStringLiteral("Asking")), workflow_(workflow), presenter_(presenter)
{
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setWordWrap(true);
    // A fixed width lets the wrapped greeting report the height it needs.
    Label2->setFixedWidth(320);
    txtPass = new QLineEdit(this);
    txtPass->setObjectName(QStringLiteral("txtPass"));
    txtPass->setEchoMode(QLineEdit::Password);
    SelectAllOnFocus::Attach(txtPass);
    TextLengthGuard::Attach(txtPass, app);
    Command1 = new QPushButton(QStringLiteral("确定"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    Command2 = new QPushButton(QStringLiteral("取消"), this);
    Command2->setObjectName(QStringLiteral("Command2"));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/icons/keyquill.svg")).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    auto* text = new QVBoxLayout;
    text->addWidget(Label2);
    text->addWidget(txtPass);
    top->addLayout(text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    auto* all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(buttons);

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });

    // Texts before the window is shown, so that it is mapped at its final size.
    const PasswordDocument& doc = App().Document;
    setWindowTitle(QStringLiteral("检查文档“") +
                   QString::fromStdU16String(DisplayNameOfPath(doc.Path)) +
                   QStringLiteral("”的密码"));
    Label2->setText(QStringLiteral("您好，") + QString::fromStdU16String(doc.OwnerName()) +
                    QStringLiteral("！欢迎您使用Tarnwick工作室制作的“Keyquill”软件。请输入您的密码："));
}

void Asking::Form_Load()
{
    txtPass->setFocus(Qt::OtherFocusReason);
}

void Asking::Command1_Click()
{
    if (reading_)
        return;
    // This prompt is disabled like the main window while the reader runs; user input waits,
    // and the program's own events are held back until the end.
    reading_ = true;
    setEnabled(false);
    const ReaderYield yield = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    std::u16string typed = txtPass->text().toStdU16String();
    const UnlockResult outcome = workflow_.Unlock(typed, yield);
    WipeText(typed);
    reading_ = false;
    setEnabled(true);

    if (outcome.MayRetry()) {
        txtPass->setFocus(Qt::OtherFocusReason);
        txtPass->selectAll();
        presenter_.ReleaseHeldEvents();
        return;
    }
    Unload();
    presenter_.ReleaseHeldEvents();
}

void Asking::Command2_Click()
{
    if (reading_)
        return;
    workflow_.RestorePreviousDocument();
    Unload();
}

void Asking::OnCancel()
{
    Command2_Click();
}

}  // namespace kyq
