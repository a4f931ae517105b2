#include "gui/main/MainMenus.h"

#include <QMainWindow>
#include <QMenuBar>

namespace kyq {

namespace {

QMenu* TopMenu(QMainWindow& window, const char* name, const QString& caption)
{
    QMenu* menu = window.menuBar()->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* Item(QMenu* menu, const char* name, const QString& caption,
              const QKeySequence& shortcut = {}, bool enabled = true)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    action->setEnabled(enabled);
    return action;
}

QAction* Separator(QMenu* menu, const char* name)
{
    QAction* line = menu->addSeparator();
    line->setObjectName(QString::fromLatin1(name));
    return line;
}

}  // namespace

MainMenus::MainMenus(QMainWindow& window)
{
    frmFile = TopMenu(window, "frmFile", QStringLiteral("文件(&F)"));
    fileNew = Item(frmFile, "fileNew", QStringLiteral("新建(&N)"), QKeySequence(QStringLiteral("Ctrl+N")));
    fileOpen = Item(frmFile, "fileOpen", QStringLiteral("打开(&O)"), QKeySequence(QStringLiteral("Ctrl+O")));
    line1 = Separator(frmFile, "line1");
    fileSave = Item(frmFile, "fileSave", QStringLiteral("保存(&S)"), QKeySequence(QStringLiteral("Ctrl+S")), false);
    fileSaveas = Item(frmFile, "fileSaveas", QStringLiteral("另存为(&A)"), {}, false);
    fileUser = Item(frmFile, "fileUser", QStringLiteral("用户(&U)"), {}, false);
    fileClose = Item(frmFile, "fileClose", QStringLiteral("关闭(&C)"), QKeySequence(QStringLiteral("Ctrl+L")), false);
    line2 = Separator(frmFile, "line2");
    fileExit = Item(frmFile, "fileExit", QStringLiteral("退出(&Q)"), QKeySequence(QStringLiteral("Ctrl+Q")));

    frmPass = TopMenu(window, "frmPass", QStringLiteral("密码(&P)"));
    passUndo = Item(frmPass, "passUndo", QStringLiteral("撤消(&U)"), QKeySequence(QStringLiteral("Ctrl+Z")), false);
    passAdd = Item(frmPass, "passAdd", QStringLiteral("添加(&D)"), QKeySequence(QStringLiteral("Ctrl+A")), false);
    line3 = Separator(frmPass, "line3");
    passEdit = Item(frmPass, "passEdit", QStringLiteral("编辑(&E)"), QKeySequence(QStringLiteral("Ctrl+E")), false);
    passDel = Item(frmPass, "passDel", QStringLiteral("删除(&L)"), {}, false);
    passDelAll = Item(frmPass, "passDelAll", QStringLiteral("清空(&A)"), {}, false);

    mnuTool = TopMenu(window, "mnuTool", QStringLiteral("工具(&T)"));
    toolPass = Item(mnuTool, "toolPass", QStringLiteral("Ranzel(&P)"));
    line4 = Separator(mnuTool, "line4");
    toolOption = Item(mnuTool, "toolOption", QStringLiteral("选项(&O)"), QKeySequence(QStringLiteral("Ctrl+P")));

    frmHelp = TopMenu(window, "frmHelp", QStringLiteral("帮助(&H)"));
    helpHelp = Item(frmHelp, "helpHelp", QStringLiteral("帮助主题(&T)"), QKeySequence(Qt::Key_F1));
    helpWeb = frmHelp->addMenu(QStringLiteral("网络资源(&N)"));
    helpWeb->setObjectName(QStringLiteral("helpWeb"));
    WebTarnwick = Item(helpWeb, "WebTarnwick", QStringLiteral("Tarnwick主页(&C)"));
    WebKYQ = Item(helpWeb, "WebKYQ", QStringLiteral("Keyquill主页(&P)"));
    WebGuest = Item(helpWeb, "WebGuest", QStringLiteral("留言版(&G)"));
    line5 = Separator(helpWeb, "line5");
    WebMail = Item(helpWeb, "WebMail", QStringLiteral("电子邮件(&M)"));
    line6 = Separator(frmHelp, "line6");
    helpRead = Item(frmHelp, "helpRead", QStringLiteral("自述文件(&R)"));
    helpAbout = Item(frmHelp, "helpAbout", QStringLiteral("关于(&A)"));

    // The tray's pop-up menu: the window's, but never on its menu bar.
    mnuTray = new QMenu(QStringLiteral("Tray"), &window);
    mnuTray->setObjectName(QStringLiteral("mnuTray"));
    TrayShow = Item(mnuTray, "TrayShow", QStringLiteral("隐藏窗口"));
    line7 = Separator(mnuTray, "line7");
    TrayHelp = Item(mnuTray, "TrayHelp", QStringLiteral("帮助"));
    TrayExit = Item(mnuTray, "TrayExit", QStringLiteral("退出"));
    mnuTray->setDefaultAction(TrayShow);
}

}  // namespace kyq
