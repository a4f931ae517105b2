// The program's help window: shows the help pages at a named topic, follows the links
// between them and hands links to the web or mail to the desktop. Also the help menu's
// read-me entry.
#pragma once

#include <QWidget>
#include <string>

class QTextBrowser;
class QToolBar;
class QAction;

namespace kyq {

class KyqApp;

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    // helpFolder: the folder of the pages, ending in "/".
    HelpViewer(KyqApp& app, const std::string& helpFolder);

    // Shows a page of the help folder ("fill.htm", or "intro.htm#options" for a place on
    // it). False, and nothing changes, when the page is missing.
    bool ShowTopic(const std::string& topic);
    const std::string& HelpFolder() const { return helpFolder_; }

private:
    QToolBar* Toolbar;
    QAction* cmdBack;
    QAction* cmdForward;
    QAction* cmdHome;
    QTextBrowser* Browser;

    KyqApp& app_;
    std::string helpFolder_;
};

// Opens the help window at a topic of the program's help, or brings the open one to the
// front at that topic. owner places a newly made window; it does not own it (the help
// stays while dialogs come and go). A missing page shows nothing, and says nothing.
void ShowHelpTopic(KyqApp& app, QWidget* owner, const std::string& topic);
// The open help window, or null.
HelpViewer* FindHelpViewer();
// Opens the read-me file with the desktop's viewer; nothing when the file is missing.
void OpenReadme(KyqApp& app);

}  // namespace kyq
