#include "gui/entries/frmUser.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/workflow/KyqApp.h"
#include "gui/credentials/ChangePass.h"
#include "gui/entries/frmName.h"
#include "gui/main/frmMain.h"
#include "gui/widgets/LinkLook.h"
#include "gui/widgets/SelectAllOnFocus.h"

namespace kyq {

namespace {

QLabel* Link(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setCursor(Qt::PointingHandCursor);
    label->setMouseTracking(true);
    // Reachable from the keyboard too: Tab to it, Enter or Space follows it.
    label->setFocusPolicy(Qt::StrongFocus);
    return label;
}


}  // namespace

frmUser::frmUser(KyqApp& app, frmMain& main, DocumentWorkflow& workflow)
    : OwnedDialog(app, &main, QStringLiteral("frmUser")), workflow_(workflow)
{
    setWindowTitle(QStringLiteral("用户信息"));
    Label1 = new QLabel(QStringLiteral("用户名："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setReadOnly(true);
    txtName->setMinimumWidth(180);
    SelectAllOnFocus::Attach(txtName);
    Label1->setBuddy(txtName);
    lblName = Link(this, "lblName", QStringLiteral("更改用户名"));
    lblPass = Link(this, "lblPass", QStringLiteral("更改密码"));
    cmdClose = new QPushButton(QStringLiteral("关闭窗口"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);

    auto* name = new QHBoxLayout;
    name->addWidget(Label1);
    name->addWidget(txtName, 1);
    auto* links = new QHBoxLayout;
    links->addWidget(lblName);
    links->addSpacing(24);
    links->addWidget(lblPass);
    links->addStretch(1);
    links->addWidget(cmdClose);
    auto* all = new QVBoxLayout(this);
    all->addLayout(name);
    all->addSpacing(6);
    all->addLayout(links);

    SetLinkHover(nullptr);
    setMouseTracking(true);
    for (QWidget* w : {static_cast<QWidget*>(Label1), static_cast<QWidget*>(txtName),
                       static_cast<QWidget*>(cmdClose), static_cast<QWidget*>(lblName),
                       static_cast<QWidget*>(lblPass)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
}

void frmUser::Form_Load()
{
    txtName->setText(QString::fromStdU16String(App().Document.OwnerName()));
    cmdClose->setFocus(Qt::OtherFocusReason);
}

void frmUser::ShowOwnerName(const std::u16string& name)
{
    txtName->setText(QString::fromStdU16String(name));
}

void frmUser::lblName_Click()
{
    auto* dialog = new frmName(App(), *this, workflow_);
    dialog->ShowOverOwner();
}

void frmUser::lblPass_Click()
{
    auto* dialog = new ChangePass(App(), this, workflow_);
    dialog->ShowOverOwner();
}

void frmUser::cmdClose_Click()
{
    Unload();
}

void frmUser::SetLinkHover(QLabel* hovered)
{
    hovered_ = hovered;
    SetLinkLook(lblName, hovered == lblName);
    SetLinkLook(lblPass, hovered == lblPass);
}

bool frmUser::ActivateLink(QObject* watched)
{
    if (watched == lblName)
        lblName_Click();
    else
        lblPass_Click();
    return true;
}

bool frmUser::eventFilter(QObject* watched, QEvent* event)
{
    const bool isLink = watched == lblName || watched == lblPass;
    switch (event->type()) {
    case QEvent::MouseMove:
        if (isLink) {
            SetLinkHover(static_cast<QLabel*>(watched));
            // A label hands pointer moves on to the card, which would undo the look.
            return true;
        }
        SetLinkHover(nullptr);
        break;
    case QEvent::Leave:
        // Off the label (also straight out of the card): nothing is under the pointer.
        if (isLink && hovered_ == watched)
            SetLinkHover(nullptr);
        break;
    case QEvent::FocusIn:
        if (isLink)
            SetLinkHover(static_cast<QLabel*>(watched));
        break;
    case QEvent::FocusOut:
        if (isLink && hovered_ == watched)
            SetLinkHover(nullptr);
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (isLink && (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space))
            return ActivateLink(watched);
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (isLink && mouse->button() == Qt::LeftButton &&
            static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint()))
            return ActivateLink(watched);
        break;
    }
    default:
        break;
    }
    return OwnedDialog::eventFilter(watched, event);
}

void frmUser::mouseMoveEvent(QMouseEvent* event)
{
    SetLinkHover(nullptr);
    OwnedDialog::mouseMoveEvent(event);
}

}  // namespace kyq
