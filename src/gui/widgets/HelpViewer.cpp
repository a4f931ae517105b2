#include "gui/widgets/HelpViewer.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QPointer>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

#include "core/workflow/KyqApp.h"
#include "core/workflow/ProgramFiles.h"
#include "gui/widgets/DesktopLink.h"

namespace kyq {

namespace {

constexpr char HomeTopic[] = "intro.htm";

// Centred over the owner's window, but whole on its screen: the help is larger than a
// small main window in a corner.
void PlaceNear(QWidget* viewer, const QWidget* owner)
{
    const QWidget* top = owner ? owner->window() : nullptr;
    const QScreen* screen = top && top->isVisible() ? top->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    viewer->resize(viewer->size().boundedTo(area.size() * 0.9));
    const QPoint centre = top && top->isVisible() ? top->frameGeometry().center() : area.center();
    QPoint at = centre - QPoint(viewer->width() / 2, viewer->height() / 2);
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - viewer->width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - viewer->height())));
    viewer->move(at);
}

}  // namespace

HelpViewer::HelpViewer(KyqApp& app, const std::string& helpFolder)
    : QWidget(nullptr), app_(app), helpFolder_(helpFolder)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Keyquill 帮助"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/keyquill.svg")));
    setAttribute(Qt::WA_DeleteOnClose);
    // The help may stay open while the main window sits in the tray; closing it must not
    // end the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    Toolbar = new QToolBar(this);
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    cmdBack = Toolbar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("后退"));
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    cmdBack->setShortcut(QKeySequence::Back);
    cmdForward = Toolbar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("前进"));
    cmdForward->setObjectName(QStringLiteral("cmdForward"));
    cmdForward->setShortcut(QKeySequence::Forward);
    cmdHome = Toolbar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("目录"));
    cmdHome->setObjectName(QStringLiteral("cmdHome"));

    Browser = new QTextBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    // Pages of the help folder open here; the web and mail links go to the desktop, which
    // may have no program for them: that is said, not swallowed.
    Browser->setOpenLinks(false);
    connect(Browser, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme().isEmpty() || url.isLocalFile() || url.scheme() == QLatin1String("qrc"))
            Browser->setSource(url);
        else
            OpenWithDesktop(app_, url);
    });
    Browser->setSearchPaths({QString::fromStdString(helpFolder_)});

    auto* all = new QVBoxLayout(this);
    all->setContentsMargins(0, 0, 0, 0);
    all->setSpacing(0);
    all->addWidget(Toolbar);
    all->addWidget(Browser, 1);
    resize(720, 600);

    auto* closeWindow = new QAction(this);
    closeWindow->setShortcut(Qt::Key_Escape);
    addAction(closeWindow);
    connect(closeWindow, &QAction::triggered, this, &QWidget::close);

    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    connect(cmdBack, &QAction::triggered, Browser, &QTextBrowser::backward);
    connect(cmdForward, &QAction::triggered, Browser, &QTextBrowser::forward);
    connect(cmdHome, &QAction::triggered, this, [this] { ShowTopic(HomeTopic); });
    connect(Browser, &QTextBrowser::backwardAvailable, cmdBack, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, cmdForward, &QAction::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = Browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Keyquill 帮助") : title);
    });
}

bool HelpViewer::ShowTopic(const std::string& topic)
{
    const size_t hash = topic.find('#');
    const std::string page = topic.substr(0, hash);
    if (!IsPlainFileName(page))
        return false;
    const std::string path = helpFolder_ + page;
    if (!QFileInfo(QString::fromStdString(path)).isFile())
        return false;
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    if (hash != std::string::npos)
        url.setFragment(QString::fromStdString(topic.substr(hash + 1)));
    Browser->setSource(url, QTextDocument::HtmlResource);
    return true;
}

HelpViewer* FindHelpViewer()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        // A closed window waits for its deletion; it no longer counts.
        if (auto* viewer = qobject_cast<HelpViewer*>(widget); viewer && viewer->isVisible())
            return viewer;
    }
    return nullptr;
}

void ShowHelpTopic(KyqApp& app, QWidget* owner, const std::string& topic)
{
    const std::string folder = kyq::HelpFolder(app.ProgramFolder);
    HelpViewer* viewer = FindHelpViewer();
    if (viewer && viewer->HelpFolder() != folder) {
        viewer->close();
        viewer = nullptr;
    }
    bool made = false;
    if (!viewer) {
        // Make the window only for a page that is there.
        const std::string page = topic.substr(0, topic.find('#'));
        const std::string path = HelpTopicPath(app.ProgramFolder, page);
        if (path.empty() || !QFileInfo(QString::fromStdString(path)).isFile())
            return;
        viewer = new HelpViewer(app, folder);
        made = true;
    }
    if (!viewer->ShowTopic(topic)) {
        if (made)
            viewer->deleteLater();
        return;
    }
    if (made)
        PlaceNear(viewer, owner);
    // An owner that stays on top (the fill dialog) would cover its own help: the help
    // stays on top as long as that owner is there, and is an ordinary window again after.
    QWidget* ownerWindow = owner ? owner->window() : nullptr;
    if (ownerWindow && ownerWindow->windowFlags().testFlag(Qt::WindowStaysOnTopHint) &&
        !viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) {
        viewer->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        QPointer<HelpViewer> help = viewer;
        QObject::connect(ownerWindow, &QObject::destroyed, viewer, [help] {
            if (!help || !help->isVisible())
                return;
            help->setWindowFlag(Qt::WindowStaysOnTopHint, false);
            help->show();
        });
    }
    viewer->show();
    viewer->showNormal();
    viewer->raise();
    viewer->activateWindow();
}

void OpenReadme(KyqApp& app)
{
    const QString path = QString::fromStdString(ReadmePath(app.ProgramFolder));
    if (QFileInfo(path).isFile())
        OpenWithDesktop(app, QUrl::fromLocalFile(path));
}

}  // namespace kyq
