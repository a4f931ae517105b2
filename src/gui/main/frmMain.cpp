#include "gui/main/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDropEvent>
#include <QFrame>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QUrl>
#include <algorithm>

#include "core/workflow/KyqApp.h"
#include "core/workflow/LinkTargets.h"
#include "core/workflow/MainWindowLayout.h"
#include "gui/main/LaunchGenerator.h"
#include "gui/main/PasswordTreeModel.h"
#include "gui/main/WindowMessageEvent.h"
#include "gui/widgets/DesktopLink.h"
#include "gui/widgets/HelpViewer.h"
#include "gui/widgets/KeyWork.h"
#include "gui/widgets/OwnedDialog.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"
#include "platform/Log.h"

namespace kyq {

namespace {

int Px(int twips)
{
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

// Row tops of the details panel and the order the shutdown unloads the other forms in.
constexpr int DetailRowTops[4] = {120, 600, 1080, 1560};
const char* const FormUnloadOrder[] = {"About",       "AddPass", "Asking",  "ChangePass",
                                       "EditPass",    "FoundResult", "frmFill", "frmName",
                                       "NewOne",      "Options", "Splash",  "frmUser"};

constexpr int TextBoxHeight = 20;
// The find panel is taller than designed (400 twips) so a 12-pixel text box fits in it.
constexpr int FindPanelHeight = 480;

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QLineEdit* MakeDetailBox(QWidget* parent, const char* name)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    // Shown, never read back: the user may select and copy, not type.
    box->setReadOnly(true);
    box->setFrame(false);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    box->setPalette(palette);
    SelectAllOnFocus::Attach(box);
    return box;
}

// Labels keep their designed place; where the text needs more room than the design gives
// they grow to the right (into the gap before the box they label) instead of clipping.
void PlaceLabel(QLabel* label, int leftTw, int topTw, int widthTw)
{
    const int width = std::max(Px(widthTw), label->sizeHint().width());
    label->setGeometry(Px(leftTw), Px(topTw) + 2, width, TextBoxHeight - 2);
}

}  // namespace

frmMain::frmMain(KyqApp& app)
    : Menus(*this),
      Dialog(app),
      Tree(app, *this),
      Commands(app, *this, Tree),
      Workflow(app, *this, Dialog, Tree, Commands),
      app_(app)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Keyquill"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/keyquill.svg")));
    BuildControls();
    BuildToolbar();
    PlaceFixedControls();
    ConnectHandlers();
    setAcceptDrops(true);
    resize(Px(MainWindowMinWidth), Px(MainWindowMinHeight));
    setMinimumSize(Px(MainWindowMinWidth), Px(MainWindowMinHeight));

    app_.SetMessagePoster([this](const WindowMessage& message) {
        QCoreApplication::postEvent(this, new WindowMessageEvent(message));
    });
    app_.KeyWork = [this](const std::function<void()>& work) { RunKeyWork(app_, work, [this] { ReleaseHeldMessages(); }); };
    Timer1->start();
}

frmMain::~frmMain()
{
    app_.SetMessagePoster({});
    app_.KeyWork = nullptr;
}

void frmMain::BuildControls()
{
    Client = new QWidget(this);
    Client->setObjectName(QStringLiteral("Client"));
    setCentralWidget(Client);

    Frame2 = new QFrame(Client);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::NoFrame);
    Image1 = MakeLabel(Frame2, "Image1", {});
    Image1->setPixmap(QIcon(QStringLiteral(":/icons/find.svg")).pixmap(Px(270), Px(270)));
    Image1->setToolTip(QStringLiteral("查找"));
    Label1 = MakeLabel(Frame2, "Label1", QStringLiteral("输入关键字进行查找："));
    txtKey = new QLineEdit(Frame2);
    txtKey->setObjectName(QStringLiteral("txtKey"));
    SelectAllOnFocus::Attach(txtKey);
    TextLengthGuard::Attach(txtKey, app_);
    lblFind = MakeLabel(Frame2, "lblFind", QStringLiteral("Go!"));
    lblFind->setCursor(Qt::PointingHandCursor);
    SetFindHover(false);
    // The find box works on an open document only.
    txtKey->setEnabled(false);
    lblFind->setEnabled(false);

    TreeModel = new PasswordTreeModel(this);
    TV1 = new QTreeView(Client);
    TV1->setObjectName(QStringLiteral("TV1"));
    TV1->setModel(TreeModel);
    TV1->setHeaderHidden(true);
    TV1->setUniformRowHeights(true);
    TV1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TV1->setSelectionMode(QAbstractItemView::SingleSelection);
    TV1->setIconSize(QSize(16, 16));
    TV1->viewport()->setAcceptDrops(true);

    Frame1 = new QFrame(Client);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::NoFrame);
    Label2 = MakeLabel(Frame1, "Label2", QStringLiteral("密码标题："));
    txtTitle = MakeDetailBox(Frame1, "txtTitle");
    Label5 = MakeLabel(Frame1, "Label5", QStringLiteral("用户名称："));
    txtName = MakeDetailBox(Frame1, "txtName");
    Label3 = MakeLabel(Frame1, "Label3", QStringLiteral("密码内容："));
    txtPass = MakeDetailBox(Frame1, "txtPass");
    Label4 = MakeLabel(Frame1, "Label4", QStringLiteral("修改时间："));
    txtDate = MakeDetailBox(Frame1, "txtDate");
    for (size_t i = 0; i < Line.size(); ++i) {
        Line[i] = new QFrame(Frame1);
        Line[i]->setObjectName(QStringLiteral("Line%1").arg(i + 1));
        Line[i]->setFrameShape(QFrame::HLine);
        Line[i]->setFrameShadow(QFrame::Sunken);
    }

    Status = statusBar();
    Status->setObjectName(QStringLiteral("Status"));
    Status->setSizeGripEnabled(true);
    const QString panelTexts[3] = {QStringLiteral("未打开文件"), QStringLiteral("Keyquill"),
                                   QStringLiteral("Tarnwick工作室")};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(panelTexts[i], Status);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(3, 0, 3, 0);
        StatusPanels[static_cast<size_t>(i)] = panel;
        if (i == 0)
            Status->addWidget(panel, 1);
        else
            Status->addPermanentWidget(panel);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
}

void frmMain::BuildToolbar()
{
    // Part of the client area, as wide as the window, above the find panel.
    Toolbar = new QToolBar(Client);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setMovable(false);
    Toolbar->setFloatable(false);
    Toolbar->setIconSize(QSize(16, 16));
    struct Button {
        const char* icon;
        const char* tip;
    };
    static const Button buttons[8] = {
        {"tool-new", "新建一个Keyquill文档"},
        {"tool-open", "打开一个Keyquill文档"},
        {"tool-save", "保存当前文档"},
        {"tool-user", "显示/更改当前文档的用户信息"},
        {"tool-add", "添加一个密码到当前文档"},
        {"tool-edit", "编辑选定的密码"},
        {"tool-delete", "删除选定的密码"},
        {"tool-help", "显示帮助主题"},
    };
    for (size_t i = 0; i < 8; ++i) {
        // Separators are no buttons: positions stay 1..8.
        if (i == 3 || i == 4 || i == 7)
            Toolbar->addSeparator();
        QAction* action = Toolbar->addAction(
            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(buttons[i].icon))),
            QString::fromUtf8(buttons[i].tip));
        action->setObjectName(QStringLiteral("Button%1").arg(i + 1));
        action->setToolTip(QString::fromUtf8(buttons[i].tip));
        ToolbarButtons[i] = action;
    }
}

void frmMain::PlaceFixedControls()
{
    Toolbar->setGeometry(0, 0, Px(MainWindowMinWidth), Px(380));
    Frame2->setGeometry(Px(480), Px(380), Px(4815), Px(FindPanelHeight));
    Image1->setGeometry(Px(120), Px(120), Px(270), Px(270));
    PlaceLabel(Label1, 450, 150, 1800);
    txtKey->setGeometry(Px(2280), Px(150) - 1, Px(1845), TextBoxHeight);
    PlaceLabel(lblFind, 4260, 150, 270);

    TV1->setGeometry(Px(120), Px(930), Px(2355), Px(2565));
    Frame1->setGeometry(Px(2800), Px(1200), Px(2655), Px(1935));
    QLabel* labels[4] = {Label2, Label5, Label3, Label4};
    QLineEdit* boxes[4] = {txtTitle, txtName, txtPass, txtDate};
    for (size_t i = 0; i < 4; ++i) {
        const int top = DetailRowTops[i];
        PlaceLabel(labels[i], 0, top, 900);
        boxes[i]->setGeometry(Px(1050), Px(top), Px(i == 1 ? 1455 : 1440), TextBoxHeight);
        const int lineY = Px(top) + TextBoxHeight;
        Line[i]->setGeometry(Px(990), lineY, Px(2550) - Px(990), 2);
    }
}

void frmMain::ConnectHandlers()
{
    connect(Menus.fileNew, &QAction::triggered, this, [this] { Workflow.fileNew_Click(); });
    connect(Menus.fileOpen, &QAction::triggered, this, [this] { Workflow.fileOpen_Click(); });
    connect(Menus.fileSave, &QAction::triggered, this, [this] { Workflow.fileSave_Click(); });
    connect(Menus.fileSaveas, &QAction::triggered, this, [this] { Workflow.fileSaveas_Click(); });
    connect(Menus.fileUser, &QAction::triggered, this, [this] { Workflow.fileUser_Click(); });
    connect(Menus.fileClose, &QAction::triggered, this, [this] { Workflow.fileClose_Click(); });
    connect(Menus.fileExit, &QAction::triggered, this, [this] { fileExit_Click(); });
    connect(Menus.passUndo, &QAction::triggered, this, [this] { Commands.passUndo_Click(); });
    connect(Menus.passAdd, &QAction::triggered, this, [this] { Commands.passAdd_Click(); });
    connect(Menus.passEdit, &QAction::triggered, this, [this] { Commands.passEdit_Click(); });
    connect(Menus.passDel, &QAction::triggered, this, [this] { Commands.passDel_Click(); });
    connect(Menus.passDelAll, &QAction::triggered, this, [this] { Commands.passDelAll_Click(); });
    connect(Menus.toolPass, &QAction::triggered, this, [this] { toolPass_Click(); });
    connect(Menus.toolOption, &QAction::triggered, this, [this] { toolOption_Click(); });
    connect(Menus.helpHelp, &QAction::triggered, this, [this] { helpHelp_Click(); });
    connect(Menus.helpAbout, &QAction::triggered, this, [this] { helpAbout_Click(); });
    connect(Menus.helpRead, &QAction::triggered, this, [this] { helpRead_Click(); });
    const std::pair<QAction*, const char*> links[] = {{Menus.WebTarnwick, LinkMakerHome},
                                                      {Menus.WebKYQ, LinkProductHome},
                                                      {Menus.WebGuest, LinkGuestBook},
                                                      {Menus.WebMail, LinkMail}};
    for (const auto& [item, link] : links) {
        connect(item, &QAction::triggered, this,
                [this, link] { OpenWithDesktop(app_, QUrl(QString::fromLatin1(link))); });
    }
    connect(Menus.TrayShow, &QAction::triggered, this, [this] { TrayShow_Click(); });
    connect(Menus.TrayHelp, &QAction::triggered, this, [this] { Menus.helpHelp->trigger(); });
    connect(Menus.TrayExit, &QAction::triggered, this, [this] { fileExit_Click(); });

    connect(Toolbar, &QToolBar::actionTriggered, this, [this](QAction* action) {
        const auto it = std::find(ToolbarButtons.begin(), ToolbarButtons.end(), action);
        if (it != ToolbarButtons.end())
            Toolbar_ButtonClick(static_cast<int>(it - ToolbarButtons.begin()) + 1);
    });

    connect(TV1, &QTreeView::clicked, this, [this] { Tree.TV1_NodeClick(); });
    connect(TV1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { Tree.TV1_NodeClick(); });
    connect(TV1, &QTreeView::doubleClicked, this, [this] { Tree.TV1_DblClick(); });
    connect(Timer1, &QTimer::timeout, this, [this] { Tree.Timer1_Timer(); });

    // Key and pointer events of the controls the handlers watch.
    for (QWidget* w : {static_cast<QWidget*>(Client), static_cast<QWidget*>(Frame2),
                       static_cast<QWidget*>(Toolbar), static_cast<QWidget*>(txtKey),
                       static_cast<QWidget*>(lblFind)}) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
    }
    TV1->installEventFilter(this);
    TV1->viewport()->installEventFilter(this);
    for (QLineEdit* box : {txtTitle, txtName, txtPass, txtDate})
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
    TV1->setFocus(Qt::OtherFocusReason);
}

void frmMain::SetStatusPanel(int panel, const std::u16string& text)
{
    if (panel >= 1 && panel <= 3)
        StatusPanels[static_cast<size_t>(panel - 1)]->setText(QString::fromStdU16String(text));
}

std::u16string frmMain::StatusPanel(int panel) const
{
    if (panel < 1 || panel > 3)
        return {};
    return StatusPanels[static_cast<size_t>(panel - 1)]->text().toStdU16String();
}

void frmMain::Form_Load()
{
    Tree.ResetTree(true, true);
    const uint64_t handle = winId();
    MainWindowPlatform& platform = app_.Platform();
    platform.WriteHandleFile(handle);
    platform.InstallHotKeyWatcher(app_.WindowMessages, handle);
    platform.AddTrayIcon(handle);
}

bool frmMain::Form_Unload()
{
    if (unloaded_)
        return true;
    if (Workflow.CloseDocument() == DocumentWorkflow::CloseResult::Cancelled)
        return false;
    app_.SaveSettings();
    if (app_.Settings.ClearClip)
        QGuiApplication::clipboard()->clear();
    UnloadForms();
    MainWindowPlatform& platform = app_.Platform();
    platform.DeleteHandleFile();
    platform.RemoveShellMessageFilter(app_.WindowMessages);
    platform.DeleteTrayIcon();
    platform.RemoveHotKeyWatcher(app_.WindowMessages);
    Timer1->stop();
    unloaded_ = true;
    emit Unloaded();
    return true;
}

void frmMain::Form_Resize()
{
    if (isMinimized())
        return;
    // The rules speak of the outer size; without a window manager it is the client size.
    const QSize frame = frameGeometry().size();
    const QSize margins = frame - size();
    setMinimumSize(QSize(Px(MainWindowMinWidth), Px(MainWindowMinHeight)) - margins);
    const MainWindowLayout l =
        ComputeMainWindowLayout(frame.width() * TwipsPerPixel, frame.height() * TwipsPerPixel);
    // Too small: snap back. The controls are placed for the snapped size right away; the
    // window system may report the new size only later, or (X11 without a window
    // manager) not at all.
    if (l.Width != frame.width() * TwipsPerPixel || l.Height != frame.height() * TwipsPerPixel)
        resize(QSize(Px(l.Width), Px(l.Height)) - margins);
    Toolbar->setGeometry(0, 0, std::max(Client->width(), Px(l.Width) - margins.width()),
                         Toolbar->height());
    Frame2->move(Px(l.FindPanelLeft), Frame2->y());
    TV1->resize(Px(l.TreeWidth), Px(l.TreeHeight));
    Frame1->move(Px(l.DetailsLeft), Px(l.DetailsTop));
}

void frmMain::fileExit_Click()
{
    closingFromProgram_ = true;
    close();
    closingFromProgram_ = false;
}

void frmMain::lblFind_Click()
{
    if (!lblFind->isEnabled() || txtKey->text().isEmpty())
        return;
    app_.Session.FindKeyword = txtKey->text().toStdU16String();
    ShowForm(FormId::FoundResult);
}

void frmMain::txtKey_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool plain = !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && plain)
        lblFind_Click();
}

void frmMain::TV1_KeyDown(int key, Qt::KeyboardModifiers modifiers)
{
    const bool plain = !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
    if (key == Qt::Key_Delete && plain)
        Commands.passDel_Click();
}

void frmMain::OLEDragDrop(const QMimeData* data)
{
    activateWindow();
    setFocus(Qt::OtherFocusReason);
    std::vector<std::string> files;
    if (data && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile())
                files.push_back(url.toLocalFile().toStdString());
        }
    }
    OwnedDialog::WhenNoneOpen(app_, this, [this, files] { Workflow.DropFiles(files); });
}

void frmMain::SetFindHover(bool on)
{
    findHover_ = on;
    // Only the enabled looks: a disabled label stays grey like every other control.
    QPalette palette = lblFind->palette();
    const QColor colour = on ? QColor(255, 0, 0) : QColor(0, 0, 255);
    palette.setColor(QPalette::Active, QPalette::WindowText, colour);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    lblFind->setPalette(palette);
    QFont font = lblFind->font();
    font.setUnderline(on);
    lblFind->setFont(font);
}

void frmMain::ReleaseHeldMessages()
{
    std::vector<WindowMessage> held;
    held.swap(heldMessages_);
    for (const WindowMessage& message : held)
        QCoreApplication::postEvent(this, new WindowMessageEvent(message));
}

void frmMain::TrayShow_Click()
{
    if (!hiddenInTray_) {
        SetHiddenInTray(true);
        hide();
    } else {
        SetHiddenInTray(false);
        showNormal();
        activateWindow();
    }
}

void frmMain::SetHiddenInTray(bool hidden)
{
    hiddenInTray_ = hidden;
    // The tray menu's item offers the other state.
    Menus.TrayShow->setText(hidden ? QStringLiteral("显示窗口") : QStringLiteral("隐藏窗口"));
    if (hidden)
        app_.Platform().HiddenInTray();
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
    txtKey->setEnabled(enabled);
    lblFind->setEnabled(enabled);
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
    TreeModel->Reset(root, std::move(rows));
    TV1->expand(TreeModel->RootIndex());
}

int frmMain::SelectedPosition() const
{
    const QItemSelectionModel* selection = TV1->selectionModel();
    if (!selection)
        return 0;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty())
        return 0;
    return TreeModel->PositionOf(rows.first());
}

void frmMain::SelectPosition(int position)
{
    const QModelIndex index = TreeModel->IndexAt(position);
    if (!index.isValid())
        return;
    TV1->setCurrentIndex(index);
    TV1->scrollTo(index);
}

std::u16string frmMain::RowText(int position) const
{
    return TreeModel->NodeText(position);
}

void frmMain::ShowDetails(const std::array<std::u16string, 4>& texts)
{
    QLineEdit* boxes[4] = {txtTitle, txtName, txtPass, txtDate};
    for (size_t i = 0; i < 4; ++i) {
        boxes[i]->setText(QString::fromStdU16String(texts[i]));
        boxes[i]->setCursorPosition(0);
    }
}

void frmMain::ClearFindBox()
{
    txtKey->clear();
}

void frmMain::ShowPasswordPrompt()
{
    ShowForm(FormId::Asking);
}

void frmMain::ClosePasswordPrompt()
{
    if (OwnedDialog* prompt = FindForm(QStringLiteral("Asking")))
        prompt->Unload();
}

void frmMain::toolPass_Click()
{
    LaunchGenerator(app_, Dialog);
}

void frmMain::toolOption_Click()
{
    ShowForm(FormId::Options);
}

void frmMain::helpAbout_Click()
{
    ShowForm(FormId::About);
}

void frmMain::helpHelp_Click()
{
    ShowHelpTopic(app_, this, "intro.htm");
}

void frmMain::helpRead_Click()
{
    OpenReadme(app_);
}

void frmMain::Toolbar_ButtonClick(int position)
{
    const bool open = app_.Document.IsOpen();
    switch (position) {
    case 1:
        Workflow.fileNew_Click();
        break;
    case 2:
        Workflow.fileOpen_Click();
        break;
    case 3:
        if (open)
            Workflow.fileSave_Click();
        break;
    case 4:
        if (open)
            Workflow.fileUser_Click();
        break;
    case 5:
        if (open)
            Commands.passAdd_Click();
        break;
    case 6:
        Commands.passEdit_Click();
        break;
    case 7:
        Commands.passDel_Click();
        break;
    case 8:
        Menus.helpHelp->trigger();
        break;
    default:
        break;
    }
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
    ShowOwnedForm(dialog);
    return true;
}

void frmMain::ShowOwnedForm(OwnedDialog* form)
{
    if (form)
        form->ShowOverOwner();
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

bool frmMain::event(QEvent* event)
{
    if (event->type() == WindowMessageEvent::EventType()) {
        const WindowMessage& message = static_cast<WindowMessageEvent*>(event)->Message();
        if (app_.Session.ReaderRunning) {
            heldMessages_.push_back(message);
        } else if (message.Msg == WM_HANDOVER && app_.Modal.Busy()) {
            // A hand-over opens a document: it waits for the dialog in front (its sender
            // keeps waiting for the reply meanwhile).
            LogInfo(LogArea::Documents, "a handed-over document waits for the open dialog to close");
            OwnedDialog::WhenNoneOpen(app_, this, [this, message] {
                QCoreApplication::postEvent(this, new WindowMessageEvent(message));
            });
        } else {
            app_.SendMessage(message);
        }
        return true;
    }
    return QMainWindow::event(event);
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    if (!closingFromProgram_) {
        // A disabled window takes no input, its close box included.
        if (!isEnabled() || app_.Platform().CloseToTray(winId())) {
            event->ignore();
            return;
        }
    }
    if (Form_Unload())
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
        app_.Platform().MinimizeToTray(winId());
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == lblFind) {
            if (lblFind->isEnabled())
                SetFindHover(true);
            // Taken here: a label passes pointer moves on to its panel, which would turn
            // the look off again.
            event->accept();
            return true;
        }
        if (watched == Client || watched == Frame2 || watched == Toolbar || watched == txtKey)
            SetFindHover(false);
        break;
    case QEvent::Leave:
        if (watched == lblFind)
            SetFindHover(false);
        break;
    case QEvent::MouseButtonRelease:
        if (watched == lblFind &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
            lblFind->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
            lblFind_Click();
        break;
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == txtKey)
            txtKey_KeyDown(key->key(), key->modifiers());
        else if (watched == TV1)
            TV1_KeyDown(key->key(), key->modifiers());
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
        if (watched == TV1->viewport()) {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
            return true;
        }
        break;
    case QEvent::Drop:
        if (watched == TV1->viewport()) {
            auto* drop = static_cast<QDropEvent*>(event);
            drop->setDropAction(Qt::CopyAction);
            drop->accept();
            OLEDragDrop(drop->mimeData());
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
    OLEDragDrop(event->mimeData());
}

}  // namespace kyq
