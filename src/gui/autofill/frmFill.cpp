#include "gui/autofill/frmFill.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGridLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "platform/FillDesktop.h"
#include "core/autofill/FillMacro.h"
#include "core/autofill/GuardedFill.h"
#include "core/document/SecretText.h"
#include "core/settings/FillHistory.h"
#include "core/workflow/KyqApp.h"
#include "gui/autofill/ClipboardKeeper.h"
#include "gui/widgets/HelpViewer.h"
#include "platform/Log.h"

namespace kyq {

namespace {

constexpr char16_t FillSourceGoneMessage[] =
    u"选择密码期间，文档已经关闭、更换或删除了这条密码，所以没有填写任何内容。";

QString CopyNote()
{
    return QStringLiteral("此桌面不允许程序模拟键盘输入，无法自动填写。请先复制用户名，粘贴到"
                          "要填写的窗口，再回到这里复制密码。剪贴板在最后一次复制 %1 秒后清空。")
        .arg(ClipboardFill::ClearAfter.count());
}

}  // namespace

frmFill::frmFill(KyqApp& app, FillDesktop& desktop, ClipboardKeeper& clipboard, bool copyOnly,
                 int row)
    : OwnedDialog(app, nullptr, QStringLiteral("frmFill")),
      desktop_(desktop),
      clipboard_(clipboard),
      copyInstead_(copyOnly || !desktop.CanType()),
      pickedRow_(row)
{
    setWindowTitle(QStringLiteral("选择填写的密码"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/keyquill.svg")));
    // Over whatever window the hot key came from, which may itself be a top-most one.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    BuildControls();
    BuildMacroMenu();
    LayOutControls();
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdHelp, &QPushButton::clicked, this, [this] { cmdHelp_Click(); });
    connect(cmdMacro, &QPushButton::clicked, this, [this] { cmdMacro_Click(); });
    if (copyInstead_) {
        // The fill method has nothing to say about a copy: the fields go one by one.
        Label1->setVisible(false);
        cboLine->setVisible(false);
        cmdMacro->setVisible(false);
        lblCopy->setVisible(true);
        lblCopy->setText(CopyNote());
        lblCopy->setMinimumWidth(320);
        connect(lstPass, &QListWidget::currentRowChanged, this, [this] { ShowNextCopy(); });
    }
}

void frmFill::BuildControls()
{
    lstPass = new QListWidget(this);
    lstPass->setObjectName(QStringLiteral("lstPass"));
    lstPass->setToolTip(QStringLiteral("密码列表"));
    lstPass->setSelectionMode(QAbstractItemView::SingleSelection);
    lstPass->setMinimumSize(220, 160);

    Label1 = new QLabel(QStringLiteral("填写方式："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    cboLine = new QComboBox(this);
    cboLine->setObjectName(QStringLiteral("cboLine"));
    cboLine->setEditable(true);
    // The drop-down shows the history only; what is typed is taken as typed, in its own
    // letter case, without completion.
    cboLine->setInsertPolicy(QComboBox::NoInsert);
    cboLine->setCompleter(nullptr);
    cboLine->setMaxVisibleItems(static_cast<int>(FillHistory::MaxItems));
    cboLine->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Label1->setBuddy(cboLine);
    lblCopy = new QLabel(this);
    lblCopy->setObjectName(QStringLiteral("lblCopy"));
    lblCopy->setWordWrap(true);
    lblCopy->setVisible(false);

    cmdMacro = new QPushButton(QStringLiteral(">>"), this);
    cmdMacro->setObjectName(QStringLiteral("cmdMacro"));
    cmdMacro->setToolTip(QStringLiteral("插入宏"));
    cmdMacro->setAutoDefault(false);
    cmdMacro->setFixedWidth(32);

    cmdOK = new QPushButton(QStringLiteral("确定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("取消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdHelp = new QPushButton(QStringLiteral("帮助(&H)"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
}

void frmFill::BuildMacroMenu()
{
    mnuPop = new QMenu(this);
    mnuPop->setObjectName(QStringLiteral("mnuPop"));
    PopID = AddPopItem("PopID", QStringLiteral("标题 ^i"), QStringLiteral("^i"));
    PopName = AddPopItem("PopName", QStringLiteral("名称 ^n"), QStringLiteral("^n"));
    PopPass = AddPopItem("PopPass", QStringLiteral("密码 ^p"), QStringLiteral("^p"));
    PopTab = AddPopItem("PopTab", QStringLiteral("切换 ^t"), QStringLiteral("^t"));
    PopReturn = AddPopItem("PopReturn", QStringLiteral("回车 ^r"), QStringLiteral("^r"));
    mnuPop->addSeparator();
    PopHex = AddPopItem("PopHex", QStringLiteral("Ascii码 ^h"), QStringLiteral("^h"));
    PopSign = AddPopItem("PopSign", QStringLiteral("符号\"^\" ^^"), QStringLiteral("^^"));
}

void frmFill::LayOutControls()
{
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdHelp);
    buttons->addStretch(1);
    auto* grid = new QGridLayout(this);
    grid->addWidget(lstPass, 0, 0, 1, 3);
    grid->addLayout(buttons, 0, 3);
    grid->addWidget(Label1, 1, 0);
    grid->addWidget(cboLine, 1, 1);
    grid->addWidget(cmdMacro, 1, 2);
    grid->addWidget(lblCopy, 2, 0, 1, 4);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, 1);

    setTabOrder(lstPass, cboLine);
    setTabOrder(cboLine, cmdMacro);
    setTabOrder(cmdMacro, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, cmdHelp);
}

QAction* frmFill::AddPopItem(const char* name, const QString& caption, const QString& escape)
{
    QAction* item = mnuPop->addAction(caption);
    item->setObjectName(QString::fromLatin1(name));
    connect(item, &QAction::triggered, this, [this, escape] { InsertEscape(escape); });
    return item;
}

void frmFill::ShowFill()
{
    // The native window first, so its first exposure is seen.
    winId();
    if (QWindow* window = windowHandle())
        window->installEventFilter(this);
    activationPending_ = true;
    // Its list is of the document open now: a hand-over or a drop that would replace the
    // document waits until the dialog has closed.
    HoldModalGate();
    ShowOverOwner();
}

void frmFill::BringForward()
{
    if (IsUnloaded())
        return;
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
    ClaimFocus();
}

void frmFill::Form_Load()
{
    listing_ = ListForFill(App().Document, App().DocSession.Serial);
    lstPass->clear();
    for (const std::u16string& title : listing_.Titles)
        lstPass->addItem(QString::fromStdU16String(title));
    if (lstPass->count() > 0) {
        // The record selected in the tree; the root (or nothing) stands for the first.
        int row = pickedRow_ >= 0 ? pickedRow_ : App().Session.SelectedIndex - 1;
        if (row < 0 || row >= lstPass->count())
            row = 0;
        lstPass->setCurrentRow(row);
    }

    cboLine->clear();
    for (const std::u16string& macro : App().History.Items())
        cboLine->addItem(QString::fromStdU16String(macro));
    if (cboLine->count() > 0)
        cboLine->setCurrentIndex(0);
    else
        cboLine->setEditText(QString::fromStdU16String(DefaultFillMacro));

    if (copyInstead_)
        ShowNextCopy();
    lstPass->setFocus(Qt::OtherFocusReason);
    ClaimFocus();
}

void frmFill::cmdOK_Click()
{
    if (IsUnloaded())
        return;
    if (copyInstead_) {
        CopyNextField();
        return;
    }
    KyqApp& app = App();
    const PasswordDocument& doc = app.Document;
    const QList<QListWidgetItem*> selected = lstPass->selectedItems();
    const int row = selected.isEmpty() ? -1 : lstPass->row(selected.first());
    // The record picked, wherever it is now (never the owner record: it holds the document
    // password); none when nothing is selected.
    const PasswordEntry* entry = PickedEntry(doc, app.DocSession.Serial, listing_, row);
    if (row >= 0 && !entry) {
        // The main window closed or replaced the document, or deleted the record, while
        // the list was up: whatever sits there now is not what the user chose.
        Unload();
        app.MsgBox(FillSourceGoneMessage, MsgButtons::OkOnly, MsgIcon::Warning);
        return;
    }
    const std::u16string macro = cboLine->currentText().toStdU16String();
    std::u16string text = ExpandFillMacro(macro, entry);
    // The expanded text holds the password: overwritten on every way out.
    struct Wiper {
        std::u16string& text;
        ~Wiper() { WipeText(text); }
    } wiper{text};

    // A failure is told after the typing: a message box now would stand between the user
    // and the target.
    const Expected<void> historySaved = app.RememberFillMacro(macro);

    // Everything the rest needs is copied out: the dialog is gone from here on.
    FillDesktop& desktop = desktop_;
    const FillWindow target = app.Session.FillTarget;
    const OfferCopy offerCopy = offerCopy_;
    Unload();

    const FillOutcome outcome = TypeIntoTarget(desktop, target, text,
                                               [] { QCoreApplication::processEvents(); });
    app.SettingsWritten(historySaved);
    if (outcome.stop == FillStop::None)
        return;
    LogWarning(LogArea::Keyboard, FillStopDetail(outcome));
    if (FillMayBeCopiedInstead(outcome) && offerCopy && row >= 0) {
        const MsgAnswer answer =
            app.MsgBox(FillStopMessage(outcome) +
                           u"\n\n要改为把这条密码的用户名和密码依次复制到剪贴板吗？",
                       MsgButtons::YesNo, MsgIcon::Question);
        if (answer == MsgAnswer::Yes)
            offerCopy(row);
        return;
    }
    app.MsgBox(FillStopMessage(outcome), MsgButtons::OkOnly, MsgIcon::Warning);
}

void frmFill::CopyNextField()
{
    KyqApp& app = App();
    const QList<QListWidgetItem*> selected = lstPass->selectedItems();
    const int row = selected.isEmpty() ? -1 : lstPass->row(selected.first());
    const PasswordEntry* entry = PickedEntry(app.Document, app.DocSession.Serial, listing_, row);
    if (!entry) {
        if (row >= 0) {
            Unload();
            app.MsgBox(FillSourceGoneMessage, MsgButtons::OkOnly, MsgIcon::Warning);
        } else {
            app.MsgBox(u"没有选中密码，没有复制任何内容。", MsgButtons::OkOnly, MsgIcon::Information);
        }
        return;
    }
    ClipboardFill after = copies_;
    if (after.Next(row, *entry) == ClipboardFill::Field::Done) {
        app.MsgBox(u"这条密码的用户名和密码都是空的，没有可复制的内容。", MsgButtons::OkOnly,
                   MsgIcon::Information);
        return;
    }
    std::u16string text = after.Copy(row, *entry);
    const bool copied = clipboard_.Put(text);
    std::fill(text.begin(), text.end(), u'\0');
    if (!copied) {
        app.MsgBox(u"无法写入系统剪贴板，没有复制任何内容。请在本窗口中再按一次按钮。",
                   MsgButtons::OkOnly, MsgIcon::Warning);
        return;
    }
    copies_ = after;
    // Both are on their way: the dialog has done its part.
    if (copies_.Next(row, *entry) == ClipboardFill::Field::Done) {
        Unload();
        return;
    }
    ShowNextCopy();
}

void frmFill::ShowNextCopy()
{
    const int row = lstPass->currentRow();
    const PasswordEntry* entry = PickedEntry(App().Document, App().DocSession.Serial, listing_, row);
    const bool password =
        entry && copies_.Next(row, *entry) == ClipboardFill::Field::Password;
    cmdOK->setText(password ? QStringLiteral("复制密码") : QStringLiteral("复制用户名"));
    const bool userNameCopied = password && !entry->UserName.empty();
    lblCopy->setText(userNameCopied
                         ? QStringLiteral("用户名已复制到剪贴板。粘贴到要填写的窗口后，"
                                          "回到这里复制密码。")
                         : CopyNote());
}

void frmFill::cmdCancel_Click()
{
    Unload();
}

void frmFill::cmdHelp_Click()
{
    ShowHelpTopic(App(), this, "fill.htm");
}

void frmFill::cmdMacro_Click()
{
    mnuPop->popup(QCursor::pos());
}

void frmFill::InsertEscape(const QString& escape)
{
    QLineEdit* edit = cboLine->lineEdit();
    const QString before = edit->text();
    edit->setText(before + escape);
    cboLine->setFocus(Qt::OtherFocusReason);
    edit->setSelection(static_cast<int>(before.size()), static_cast<int>(escape.size()));
}

void frmFill::ClaimFocus()
{
    // Qt asks for the focus as an application; a window manager that prevents focus
    // stealing may refuse that for a window that pops up on a global hot key, so the
    // desktop is asked as well, once the window can take the focus.
    activationPending_ = true;
    const QWindow* window = windowHandle();
    if (window && window->isExposed())
        QTimer::singleShot(0, this, [this] { ActivateOwnWindow(); });
}

void frmFill::ActivateOwnWindow()
{
    if (!activationPending_ || IsUnloaded() || !isVisible())
        return;
    activationPending_ = false;
    desktop_.ActivateOwn(static_cast<uint64_t>(winId()));
}

void frmFill::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Where the typing cannot wait for the physical key to come up, OK follows its release.
    if (enter && desktop_.AcceptOnKeyRelease()) {
        if (!event->isAutoRepeat() && !enterDown_) {
            enterDown_ = true;
            // The release may be delivered to another of the program's windows while the
            // toolkit is still moving its idea of the focus to this new one.
            QCoreApplication::instance()->installEventFilter(this);
        }
        event->accept();
        return;
    }
    // A dialog takes Enter only without Shift, Ctrl or Alt; a user still holding one from
    // the hot key means OK all the same (typing waits for them, or lets them go).
    if (enter && (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        cmdOK_Click();
        return;
    }
    OwnedDialog::keyPressEvent(event);
}

bool frmFill::eventFilter(QObject* watched, QEvent* event)
{
    if (enterDown_ && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat()) {
            enterDown_ = false;
            QCoreApplication::instance()->removeEventFilter(this);
            if (cmdOK->isEnabled())
                QTimer::singleShot(0, this, [this] { cmdOK_Click(); });
            return true;
        }
    }
    if (watched == windowHandle() && event->type() == QEvent::Expose && activationPending_ &&
        windowHandle()->isExposed())
        QTimer::singleShot(0, this, [this] { ActivateOwnWindow(); });
    return OwnedDialog::eventFilter(watched, event);
}

}  // namespace kyq
