#include "gui/main/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QDropEvent>
#include <QFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "core/workflow/KyqApp.h"
#include "core/workflow/LinkTargets.h"
#include "core/workflow/MainWindowLayout.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/LaunchGenerator.h"
#include "gui/main/MainWindowControls.h"
#include "gui/main/PasswordTreeModel.h"
#include "gui/widgets/DesktopLink.h"
#include "gui/widgets/HelpViewer.h"
#include "gui/widgets/KeyWork.h"
#include "gui/widgets/OwnedDialog.h"
#include "platform/Log.h"

namespace kyq {

namespace {

// The order the shutdown unloads the other forms in.
const char* const FormUnloadOrder[] = {"About",       "AddPass", "Asking",  "ChangePass",
                                       "EditPass",    "FoundResult", "frmFill", "frmName",
                                       "NewOne",      "Options", "Splash",  "frmUser"};

}  // namespace

frmMain::frmMain(KyqApp& app)
    : Menus(*this), app_(app)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Keyquill"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/keyquill.svg")));
    ui_.Build(*this, app_);
    SetFindHover(false);
    // The find box works on an open document only.
    ui_.txtKey->setEnabled(false);
    ui_.lblFind->setEnabled(false);
    ConnectHandlers();
    setAcceptDrops(true);
    resize(TwipsToPx(MainWindowMinWidth), TwipsToPx(MainWindowMinHeight));
    setMinimumSize(TwipsToPx(MainWindowMinWidth), TwipsToPx(MainWindowMinHeight));

    app_.KeyWork = [this](const std::function<void()>& work) { RunKeyWork(app_, work, [this] { ReleaseHeldEvents(); }); };
}

frmMain::~frmMain()
{
    app_.SetEventReceiver({}, {});
    app_.KeyWork = nullptr;
}

void frmMain::Attach(MainWindowRules& rules)
{
    rules_ = &rules;
    // From now on the program's own events have rules to go to.
    app_.SetEventReceiver(
        [this](AppEvent event) {
            QMetaObject::invokeMethod(
                this, [this, event = std::move(event)] { rules_->Presenter.EventArrived(event); },
                Qt::QueuedConnection);
        },
        [this](const AppEvent& event) { rules_->Presenter.EventArrived(event); });
}

void frmMain::Form_Load()
{
    rules_->Presenter.Load();
}

bool frmMain::Form_Unload()
{
    return rules_->Presenter.Unload();
}

bool frmMain::IsUnloaded() const
{
    return rules_->Presenter.IsUnloaded();
}

void frmMain::fileExit_Click()
{
    rules_->Presenter.Exit();
}

void frmMain::ReleaseHeldEvents()
{
    rules_->Presenter.ReleaseHeldEvents();
}

void frmMain::TrayShow_Click()
{
    rules_->Presenter.TrayShowClicked();
}

void frmMain::SetHiddenInTray(bool hidden)
{
    rules_->Presenter.SetHiddenInTray(hidden);
}

bool frmMain::IsHiddenInTray() const
{
    return rules_->Presenter.IsHiddenInTray();
}

void frmMain::ConnectHandlers()
{
    connect(Menus.fileNew, &QAction::triggered, this, [this] { rules_->Workflow.fileNew_Click(); });
    connect(Menus.fileOpen, &QAction::triggered, this, [this] { rules_->Workflow.fileOpen_Click(); });
    connect(Menus.fileSave, &QAction::triggered, this, [this] { rules_->Workflow.fileSave_Click(); });
    connect(Menus.fileSaveas, &QAction::triggered, this, [this] { rules_->Workflow.fileSaveas_Click(); });
    connect(Menus.fileUser, &QAction::triggered, this, [this] { rules_->Workflow.fileUser_Click(); });
    connect(Menus.fileClose, &QAction::triggered, this, [this] { rules_->Workflow.fileClose_Click(); });
    connect(Menus.fileExit, &QAction::triggered, this, [this] { rules_->Presenter.Exit(); });
    connect(Menus.passUndo, &QAction::triggered, this, [this] { rules_->Commands.passUndo_Click(); });
    connect(Menus.passAdd, &QAction::triggered, this, [this] { rules_->Commands.passAdd_Click(); });
    connect(Menus.passEdit, &QAction::triggered, this, [this] { rules_->Commands.passEdit_Click(); });
    connect(Menus.passDel, &QAction::triggered, this, [this] { rules_->Commands.passDel_Click(); });
    connect(Menus.passDelAll, &QAction::triggered, this, [this] { rules_->Commands.passDelAll_Click(); });
    connect(Menus.toolPass, &QAction::triggered, this, [this] { LaunchGenerator(app_, rules_->Dialog); });
    connect(Menus.toolOption, &QAction::triggered, this, [this] { ShowForm(FormId::Options); });
    connect(Menus.helpHelp, &QAction::triggered, this,
            [this] { ShowHelpTopic(app_, this, "intro.htm"); });
    connect(Menus.helpAbout, &QAction::triggered, this, [this] { ShowForm(FormId::About); });
    connect(Menus.helpRead, &QAction::triggered, this, [this] { OpenReadme(app_); });
    const std::pair<QAction*, const char*> links[] = {{Menus.WebTarnwick, LinkMakerHome},
                                                      {Menus.WebKYQ, LinkProductHome},
                                                      {Menus.WebGuest, LinkGuestBook},
                                                      {Menus.WebMail, LinkMail}};
    for (const auto& [item, link] : links) {
        connect(item, &QAction::triggered, this,
                [this, link] { OpenWithDesktop(app_, QUrl(QString::fromLatin1(link))); });
    }
    connect(Menus.TrayShow, &QAction::triggered, this, [this] { rules_->Presenter.TrayShowClicked(); });
    connect(Menus.TrayHelp, &QAction::triggered, this, [this] { Menus.helpHelp->trigger(); });
    connect(Menus.TrayExit, &QAction::triggered, this, [this] { rules_->Presenter.Exit(); });

    connect(ui_.Toolbar, &QToolBar::actionTriggered, this, [this](QAction* action) {
        const auto it = std::find(ui_.ToolbarButtons.begin(), ui_.ToolbarButtons.end(), action);
        if (it != ui_.ToolbarButtons.end())
            rules_->Presenter.ToolbarButton(static_cast<int>(it - ui_.ToolbarButtons.begin()) + 1);
    });

    // Every change of the selection (pointer, keys, a search, a re-built tree) is reported
    // here; the rules read it from nowhere else.
    connect(ui_.TV1, &QTreeView::clicked, this, [this] { rules_->Tree.TV1_NodeClick(); });
    connect(ui_.TV1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { rules_->Tree.TV1_NodeClick(); });
    connect(ui_.TV1, &QTreeView::doubleClicked, this, [this] { rules_->Tree.TV1_DblClick(); });

    // Key and pointer events of the controls the handlers watch.
    for (QWidget* w : {static_cast<QWidget*>(ui_.Client), static_cast<QWidget*>(ui_.Frame2),
                       static_cast<QWidget*>(ui_.Toolbar), static_cast<QWidget*>(ui_.txtKey),
                       static_cast<QWidget*>(ui_.lblFind)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    ui_.TV1->installEventFilter(this);
    ui_.TV1->viewport()->installEventFilter(this);
    for (QLineEdit* box : {ui_.txtTitle, ui_.txtName, ui_.txtPass, ui_.txtDate})
        box->installEventFilter(this);
}

bool frmMain::IsMenuShortcut(const QKeyEvent& key) const
{
    const QKeySequence pressed(key.keyCombination());
    for (const QAction* action : findChildren<QAction*>()) {
        if (!action->shortcut().isEmpty() && action->shortcut() == pressed)
            return true;
    }
    return false;
}

void frmMain::FocusTree()
{
    ui_.TV1->setFocus(Qt::OtherFocusReason);
}

QMenu* frmMain::TrayMenu()
{
    Menus.mnuTray->setDefaultAction(Menus.TrayShow);
    return Menus.mnuTray;
}

void frmMain::ShowTrayMenu()
{
    Menus.mnuTray->setDefaultAction(Menus.TrayShow);
    Menus.mnuTray->exec(QCursor::pos());
}

void frmMain::BringWindowForward()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void frmMain::SetStatusPanel(int panel, const std::u16string& text)
{
    if (panel >= 1 && panel <= 3)
        ui_.StatusPanels[static_cast<size_t>(panel - 1)]->setText(QString::fromStdU16String(text));
}

uint64_t frmMain::NativeWindow()
{
    return winId();
}

void frmMain::ClearClipboard()
{
    // Only what this program put there: a later copy in another program is the user's.
    if (QClipboard* clipboard = QGuiApplication::clipboard(); clipboard->ownsClipboard())
        clipboard->clear();
}

void frmMain::Form_Resize()
{
    if (isMinimized())
        return;
    // The rules speak of the outer size; without a window manager it is the client size.
    const QSize frame = frameGeometry().size();
    const QSize margins = frame - size();
    setMinimumSize(QSize(TwipsToPx(MainWindowMinWidth), TwipsToPx(MainWindowMinHeight)) - margins);
    const MainWindowLayout l =
        ComputeMainWindowLayout(frame.width() * TwipsPerPixel, frame.height() * TwipsPerPixel);
    // Too small: snap back. The controls are placed for the snapped size right away; the
    // window system may report the new size only later, or (X11 without a window
    // manager) not at all.
    if (l.Width != frame.width() * TwipsPerPixel || l.Height != frame.height() * TwipsPerPixel)
        resize(QSize(TwipsToPx(l.Width), TwipsToPx(l.Height)) - margins);
    ui_.PlaceMovable(l, TwipsToPx(l.Width) - margins.width());
}

void frmMain::FindFromBox()
{
    rules_->Presenter.Find(ui_.lblFind->isEnabled(), ui_.txtKey->text().toStdU16String());
}

void frmMain::DropData(const QMimeData* data)
{
    std::vector<std::string> files;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                files.push_back(url.toLocalFile().toStdString());
        }
    }
    rules_->Presenter.Drop(std::move(files));
}

void frmMain::ActivateForDrop()
{
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void frmMain::SetFindHover(bool on)
{
    findHover_ = on;
    ui_.SetFindLook(on);
}

void frmMain::SetSplash(std::function<SplashState()> state, std::function<void(bool)> close)
{
    splashState_ = std::move(state);
    closeSplash_ = std::move(close);
}

MainWindowView::SplashState frmMain::Splash()
{
    return splashState_ ? splashState_() : SplashState::None;
}

void frmMain::CloseSplash(bool openItsDocument)
{
    if (closeSplash_)
        closeSplash_(openItsDocument);
}

bool frmMain::WhenPasswordPromptCloses(std::function<void()> closed)
{
    if (!passwordPrompt_ || passwordPrompt_->IsUnloaded())
        return false;
    connect(passwordPrompt_, &QObject::destroyed, this, std::move(closed));
    return true;
}

void frmMain::WhenNoDialogOpen(std::function<void()> action)
{
    OwnedDialog::WhenNoneOpen(app_, this, std::move(action));
}

void frmMain::ShowWindowNormal()
{
    showNormal();
    activateWindow();
}

void frmMain::SetTrayItemText(const std::u16string& text)
{
    Menus.TrayShow->setText(QString::fromStdU16String(text));
}

void frmMain::SetCaption(const std::u16string& caption)
{
    setWindowTitle(QString::fromStdU16String(caption));
}

void frmMain::SetStatusText(const std::u16string& text)
{
    SetStatusPanel(1, text);
}

void frmMain::SetDocumentCommandsEnabled(bool enabled)
{
    for (QAction* item : {Menus.passAdd, Menus.passDelAll, Menus.fileSave, Menus.fileSaveas,
                          Menus.fileUser, Menus.fileClose})
        item->setEnabled(enabled);
    ui_.txtKey->setEnabled(enabled);
    ui_.lblFind->setEnabled(enabled);
}

void frmMain::SetRecordCommandsEnabled(bool enabled)
{
    Menus.passEdit->setEnabled(enabled);
    Menus.passDel->setEnabled(enabled);
}

void frmMain::SetUndoEnabled(bool enabled)
{
    Menus.passUndo->setEnabled(enabled);
}

void frmMain::ShowTree(const std::u16string& root, std::vector<std::u16string> rows)
{
    ui_.TreeModel->Reset(root, std::move(rows));
    ui_.TV1->expand(ui_.TreeModel->RootIndex());
}

int frmMain::SelectedPosition() const
{
    const QItemSelectionModel* selection = ui_.TV1->selectionModel();
    if (!selection)
        return 0;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return 0;
    return ui_.TreeModel->PositionOf(rows.first());
}

void frmMain::SelectPosition(int position)
{
    const QModelIndex index = ui_.TreeModel->IndexAt(position);
    if (!index.isValid())
        return;
    ui_.TV1->setCurrentIndex(index);
    ui_.TV1->scrollTo(index);
}

void frmMain::ShowDetails(const std::array<std::u16string, 4>& texts)
{
    ui_.ShowDetails(texts);
}

void frmMain::ClearFindBox()
{
    ui_.txtKey->clear();
}

void frmMain::ShowPasswordPrompt()
{
    const auto it = factories_.find(FormId::Asking);
    passwordPrompt_ = it != factories_.end() && it->second ? it->second(*this) : nullptr;
    if (passwordPrompt_)
        passwordPrompt_->ShowOverOwner();
}

void frmMain::ClosePasswordPrompt()
{
    if (passwordPrompt_ && !passwordPrompt_->IsUnloaded())
        passwordPrompt_->Unload();
}

void frmMain::ShowHelp()
{
    Menus.helpHelp->trigger();
}

void frmMain::RegisterForm(FormId form, FormFactory factory)
{
    factories_[form] = std::move(factory);
}

bool frmMain::ShowForm(FormId form)
{
    const auto it = factories_.find(form);
    if (it == factories_.end() || !it->second)
        return false;
    OwnedDialog* dialog = it->second(*this);
    if (!dialog)
        return false;
    dialog->ShowOverOwner();
    return true;
}

OwnedDialog* frmMain::FindForm(const QString& name) const
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = qobject_cast<OwnedDialog*>(widget);
        if (form && &form->App() == &app_ && !form->IsUnloaded() && form->objectName() == name)
            return form;
    }
    return nullptr;
}

void frmMain::UnloadForms()
{
    for (const char* name : FormUnloadOrder) {
        while (OwnedDialog* form = FindForm(QString::fromLatin1(name)))
            form->Unload();
    }
    // Forms outside the fixed list go last.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* form = qobject_cast<OwnedDialog*>(widget);
        if (form && &form->App() == &app_ && !form->IsUnloaded())
            form->Unload();
    }
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (rules_->Presenter.CloseRequested(isEnabled()))
        event->accept();
    else
        event->ignore();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (inResize_)
        return;
    inResize_ = true;
    Form_Resize();
    inResize_ = false;
}

void frmMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        rules_->Presenter.Minimized();
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == ui_.lblFind) {
            if (ui_.lblFind->isEnabled())
                SetFindHover(true);
            // Taken here: a label passes pointer moves on to its panel, which would turn
            // the look off again.
            event->accept();
            return true;
        }
        if (watched == ui_.Client || watched == ui_.Frame2 || watched == ui_.Toolbar || watched == ui_.txtKey)
            SetFindHover(false);
        break;
    case QEvent::Leave:
        if (watched == ui_.lblFind)
            SetFindHover(false);
        break;
    case QEvent::MouseButtonRelease:
        if (watched == ui_.lblFind &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            ui_.lblFind->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            FindFromBox();
        break;
    case QEvent::KeyPress: {
        const auto* press = static_cast<QKeyEvent*>(event);
        const bool plain = !(press->modifiers() &
                             (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
        const MainWindowKey key = press->key() == Qt::Key_Return || press->key() == Qt::Key_Enter
                                      ? MainWindowKey::Enter
                                  : press->key() == Qt::Key_Delete ? MainWindowKey::Delete
                                                                   : MainWindowKey::Other;
        if (watched == ui_.txtKey)
            rules_->Presenter.KeyInFindBox(key, plain, ui_.lblFind->isEnabled(), ui_.txtKey->text().toStdU16String());
        else if (watched == ui_.TV1)
            rules_->Presenter.KeyInTree(key, plain);
        break;
    }
    case QEvent::ShortcutOverride:
        // Text boxes claim Ctrl+A, Ctrl+Z and the like for themselves; in this window
        // those keys are the menu's (添加, 撤消, ...), wherever the focus is.
        if (qobject_cast<QLineEdit*>(watched) &&
            IsMenuShortcut(*static_cast<QKeyEvent*>(event))) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (watched == ui_.TV1->viewport()) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        break;
    case QEvent::Drop:
        if (watched == ui_.TV1->viewport()) {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            DropData(drop->mimeData());
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::dragEnterEvent(QDragEnterEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void frmMain::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
    DropData(event->mimeData());
}

}  // namespace kyq
