#include "gui/main/MainWindowControls.h"

#include <QAction>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolBar>
#include <QTreeView>
#include <algorithm>

#include "core/workflow/KyqApp.h"
#include "gui/main/PasswordTreeModel.h"
#include "gui/widgets/LinkLook.h"
#include "gui/widgets/SelectAllOnFocus.h"
#include "gui/widgets/TextLengthGuard.h"

namespace kyq {

namespace {

// Row tops of the details panel.
constexpr int DetailRowTops[4] = {120, 600, 1080, 1560};

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
    const int width = std::max(TwipsToPx(widthTw), label->sizeHint().width());
    label->setGeometry(TwipsToPx(leftTw), TwipsToPx(topTw) + 2, width, TextBoxHeight - 2);
}

}  // namespace

void MainWindowControls::Build(QMainWindow& window, KyqApp& app)
{
    BuildControls(window, app);
    BuildToolbar();
    PlaceFixedControls();
}

void MainWindowControls::BuildControls(QMainWindow& window, KyqApp& app)
{
    Client = new QWidget(&window);
    Client->setObjectName(QStringLiteral("Client"));
    window.setCentralWidget(Client);

    Frame2 = new QFrame(Client);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::NoFrame);
    Image1 = MakeLabel(Frame2, "Image1", {});
    Image1->setPixmap(QIcon(QStringLiteral(":/icons/find.svg")).pixmap(TwipsToPx(270), TwipsToPx(270)));
    Image1->setToolTip(QStringLiteral("查找"));
    Label1 = MakeLabel(Frame2, "Label1", QStringLiteral("输入关键字进行查找："));
    txtKey = new QLineEdit(Frame2);
    txtKey->setObjectName(QStringLiteral("txtKey"));
    SelectAllOnFocus::Attach(txtKey);
    TextLengthGuard::Attach(txtKey, app);
    lblFind = MakeLabel(Frame2, "lblFind", QStringLiteral("Go!"));
    lblFind->setCursor(Qt::PointingHandCursor);
    // The find box works on an open document only.
    txtKey->setEnabled(false);
    lblFind->setEnabled(false);

    TreeModel = new PasswordTreeModel(&window);
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

    Status = window.statusBar();
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
}

void MainWindowControls::BuildToolbar()
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

void MainWindowControls::PlaceFixedControls()
{
    Toolbar->setGeometry(0, 0, TwipsToPx(MainWindowMinWidth), TwipsToPx(380));
    Frame2->setGeometry(TwipsToPx(480), TwipsToPx(380), TwipsToPx(4815), TwipsToPx(FindPanelHeight));
    Image1->setGeometry(TwipsToPx(120), TwipsToPx(120), TwipsToPx(270), TwipsToPx(270));
    PlaceLabel(Label1, 450, 150, 1800);
    txtKey->setGeometry(TwipsToPx(2280), TwipsToPx(150) - 1, TwipsToPx(1845), TextBoxHeight);
    PlaceLabel(lblFind, 4260, 150, 270);

    TV1->setGeometry(TwipsToPx(120), TwipsToPx(930), TwipsToPx(2355), TwipsToPx(2565));
    Frame1->setGeometry(TwipsToPx(2800), TwipsToPx(1200), TwipsToPx(2655), TwipsToPx(1935));
    QLabel* labels[4] = {Label2, Label5, Label3, Label4};
    QLineEdit* boxes[4] = {txtTitle, txtName, txtPass, txtDate};
    for (size_t i = 0; i < 4; ++i) {
        const int top = DetailRowTops[i];
        PlaceLabel(labels[i], 0, top, 900);
        boxes[i]->setGeometry(TwipsToPx(1050), TwipsToPx(top), TwipsToPx(i == 1 ? 1455 : 1440), TextBoxHeight);
        const int lineY = TwipsToPx(top) + TextBoxHeight;
        Line[i]->setGeometry(TwipsToPx(990), lineY, TwipsToPx(2550) - TwipsToPx(990), 2);
    }
}

void MainWindowControls::PlaceMovable(const MainWindowLayout& l, int outerWidthPx)
{
    Toolbar->setGeometry(0, 0, std::max(Client->width(), outerWidthPx), Toolbar->height());
    Frame2->move(TwipsToPx(l.FindPanelLeft), Frame2->y());
    TV1->resize(TwipsToPx(l.TreeWidth), TwipsToPx(l.TreeHeight));
    Frame1->move(TwipsToPx(l.DetailsLeft), TwipsToPx(l.DetailsTop));
}

void MainWindowControls::ShowDetails(const std::array<std::u16string, 4>& texts)
{
    QLineEdit* boxes[4] = {txtTitle, txtName, txtPass, txtDate};
    for (size_t i = 0; i < 4; ++i) {
        boxes[i]->setText(QString::fromStdU16String(texts[i]));
        boxes[i]->setCursorPosition(0);
    }
}

void MainWindowControls::SetFindLook(bool hover)
{
    SetLinkLook(lblFind, hover);
}

}  // namespace kyq
