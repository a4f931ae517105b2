// The main window's menu bar (file, password, tools, help) and the tray pop-up menu, with
// their captions, shortcuts and initial states. Items are named as the handlers use them.
#pragma once

#include <QAction>
#include <QMenu>

class QMainWindow;

namespace kyq {

class MainMenus {
public:
    // Fills window's menu bar; mnuTray belongs to the window but is not on the bar.
    explicit MainMenus(QMainWindow& window);

    QMenu* frmFile;
    QAction* fileNew;
    QAction* fileOpen;
    QAction* line1;
    QAction* fileSave;
    QAction* fileSaveas;
    QAction* fileUser;
    QAction* fileClose;
    QAction* line2;
    QAction* fileExit;

    QMenu* frmPass;
    QAction* passUndo;
    QAction* passAdd;
    QAction* line3;
    QAction* passEdit;
    QAction* passDel;
    QAction* passDelAll;

    QMenu* mnuTool;
    QAction* toolPass;
    QAction* line4;
    QAction* toolOption;

    QMenu* frmHelp;
    QAction* helpHelp;
    QMenu* helpWeb;
    QAction* WebTarnwick;
    QAction* WebKYQ;
    QAction* WebGuest;
    QAction* line5;
    QAction* WebMail;
    QAction* line6;
    QAction* helpRead;
    QAction* helpAbout;

    QMenu* mnuTray;
    QAction* TrayShow;
    QAction* line7;
    QAction* TrayHelp;
    QAction* TrayExit;
};

}  // namespace kyq
