#include "gui/entries/EntryDialog.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/workflow/KyqApp.h"
#include "gui/main/LaunchGenerator.h"
#include "gui/main/frmMain.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"

namespace kyq {

namespace {

QLineEdit* Field(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    // Room for a long title without making the dialog wide.
    box->setMinimumWidth(210);
    SelectAllOnFocus::Attach(box);
    return box;
}

QLabel* Caption(QWidget* parent, const char* name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setBuddy(buddy);
    return label;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

EntryDialog::EntryDialog(KyqApp& app, frmMain& main, const Names& names, EntryCommands& commands,
                         CommonDialog& dialog)
    : OwnedDialog(app, &main, QString::fromLatin1(names.formName)), commands_(commands), dialog_(dialog)
{
    setWindowTitle(QString::fromUtf8(names.caption));
    txtID = Field(this, "txtID");
    txtName = Field(this, "txtName");
    txtPass = Field(this, "txtPass");
    for (QLineEdit* box : {txtID, txtName, txtPass})
        TextLengthGuard::Attach(box, app);
    Label1 = Caption(this, "Label1", QStringLiteral("密码标题(&I)："), txtID);
    Label3 = Caption(this, "Label3", QStringLiteral("用户名称(&N)："), txtName);
    Label2 = Caption(this, "Label2", QStringLiteral("密码内容(&P)："), txtPass);
    if (names.hints) {
        txtID->setPlaceholderText(QStringLiteral("在此输入密码标题"));
        txtPass->setPlaceholderText(QStringLiteral("在此输入密码内容"));
    }
    Pro = Button(this, "Pro", QStringLiteral("参考(&A)"));
    cmdPaste = Button(this, "cmdPaste", QString::fromUtf8(names.pasteCaption));
    ok_ = Button(this, names.okName, QStringLiteral("确定"));
    ok_->setDefault(true);
    cancel_ = Button(this, names.cancelName, QStringLiteral("取消"));

    auto* fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(txtID, 0, 1, 1, 3);
    fields->addWidget(Label3, 1, 0);
    fields->addWidget(txtName, 1, 1, 1, 3);
    fields->addWidget(Label2, 2, 0);
    fields->addWidget(txtPass, 2, 1);
    fields->addWidget(Pro, 2, 2);
    fields->addWidget(cmdPaste, 2, 3);
    fields->setColumnStretch(1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* all = new QVBoxLayout(this);
    all->addLayout(fields);
    all->addSpacing(6);
    all->addLayout(buttons);

    QWidget* order[] = {txtID, txtName, txtPass, Pro, cmdPaste, ok_, cancel_};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(Pro, &QPushButton::clicked, this, [this] { Pro_Click(); });
    connect(cmdPaste, &QPushButton::clicked, this, [this] { cmdPaste_Click(); });
    connect(ok_, &QPushButton::clicked, this, [this] { OkClicked(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { CancelClicked(); });
}

EntryTexts EntryDialog::Texts() const
{
    return {txtID->text().toStdU16String(), txtName->text().toStdU16String(),
            txtPass->text().toStdU16String()};
}

void EntryDialog::ShowTexts(const EntryTexts& texts)
{
    txtID->setText(QString::fromStdU16String(texts.Title));
    txtName->setText(QString::fromStdU16String(texts.UserName));
    txtPass->setText(QString::fromStdU16String(texts.Password));
}

void EntryDialog::FocusTitle()
{
    txtID->setFocus(Qt::OtherFocusReason);
}

void EntryDialog::cmdPaste_Click()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    txtPass->setText(clipboard->text());
    // The password should not stay where any program can read it.
    clipboard->clear();
}

void EntryDialog::Pro_Click()
{
    LaunchGenerator(App(), dialog_);
}

void EntryDialog::Conclude(const EntryChange& change)
{
    switch (change.Outcome) {
    case EntryChangeOutcome::Refused:
        App().MsgBox(change.Refusal.Message, MsgButtons::OkOnly, change.Refusal.Icon);
        FocusField(change.Refusal.Field);
        return;
    case EntryChangeOutcome::RecordGone:
        CancelClicked();
        return;
    case EntryChangeOutcome::Changed:
        Unload();  // enables and focuses the main window; `this` lives until the event loop
        return;
    }
}

void EntryDialog::FocusField(EntryField field)
{
    QLineEdit* box = field == EntryField::UserName   ? txtName
                     : field == EntryField::Password ? txtPass
                                                     : txtID;
    box->setFocus(Qt::OtherFocusReason);
}

}  // namespace kyq
