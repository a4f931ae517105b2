// Where the help and read-me are found, the help window (topics, links between pages, web
// links), and the help menu's read-me and web items.
#include <QAction>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <filesystem>
#include <unistd.h>

#include "core/workflow/LinkTargets.h"
#include "core/workflow/ProgramFiles.h"
#include "gui/AppFormsFixture.h"
#include "gui/widgets/HelpViewer.h"

namespace kyq::test {
namespace {

namespace fs = std::filesystem;

TEST(ProgramFiles, BesideTheProgramInTheBuildTreeUnderShareWhenInstalled)
{
    const fs::path root = fs::temp_directory_path() / ("kyq-program-files-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "build/src/app");
    fs::create_directories(root / "prefix/bin");
    fs::create_directories(root / "prefix/share/keyquill");
    const std::string build = (root / "build/src/app").string() + "/";
    const std::string installed = (root / "prefix/bin").string() + "/";

    EXPECT_EQ(ProgramDataFolder(build), build);
    EXPECT_EQ(HelpFolder(build), build + "help/");
    EXPECT_EQ(ReadmePath(build), build + "readme.txt");
    EXPECT_EQ(HelpTopicPath(build, "fill.htm"), build + "help/fill.htm");

    const std::string share = (root / "prefix/share/keyquill").string() + "/";
    EXPECT_EQ(ProgramDataFolder(installed), share);
    EXPECT_EQ(ProgramDataFolder((root / "prefix/bin").string()), share);  // without the "/"
    EXPECT_EQ(HelpTopicPath(installed, "intro.htm"), share + "help/intro.htm");
    EXPECT_EQ(ReadmePath(installed), share + "readme.txt");

    // A topic never leaves the help folder.
    for (const char* topic : {"", ".", "..", "../readme.txt", "sub/page.htm", "/etc/passwd"})
        EXPECT_EQ(HelpTopicPath(build, topic), "") << topic;
    EXPECT_EQ(HelpTopicPath(build, std::string("a\0b", 3)), "");
    fs::remove_all(root);
}

class HelpViewerTest : public AppFormsTest {
protected:
    void SetUp() override
    {
        AppFormsTest::SetUp();
        helpFolder_ = Folder() + "/program/help/";
        fs::create_directories(helpFolder_);
        for (const char* page : {"intro.htm", "fill.htm"})
            fs::copy_file(std::string(KYQ_SOURCE_DIR) + "/resources/help/" + page, helpFolder_ + page);
    }

    // Clicks the first link to href on the page shown, as the user does.
    static bool ClickLink(HelpViewer* viewer, const QString& href)
    {
        QTextBrowser* browser = In<QTextBrowser>(viewer, "Browser");
        for (QTextBlock block = browser->document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (!fragment.isValid() || fragment.charFormat().anchorHref() != href)
                    continue;
                QTextCursor cursor(browser->document());
                cursor.setPosition(fragment.position() + fragment.length() / 2);
                browser->setTextCursor(cursor);
                browser->ensureCursorVisible();
                const QPoint at = browser->cursorRect(cursor).center();
                QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
                return true;
            }
        }
        return false;
    }

    std::string helpFolder_;
};

TEST_F(HelpViewerTest, HelpMenuOpensTheMainTopicAndLinksLeadToOtherPages)
{
    ASSERT_EQ(FindHelpViewer(), nullptr);
    Trigger(main_.get(), "helpHelp");
    HelpViewer* viewer = FindHelpViewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");
    EXPECT_TRUE(In<QTextBrowser>(viewer, "Browser")->toPlainText().contains(QStringLiteral("快速上手")));
    EXPECT_TRUE(main_->isEnabled());  // the help does not hold the main window up
    EXPECT_FALSE(In<QAction>(viewer, "cmdBack")->isEnabled());

    ASSERT_TRUE(ClickLink(viewer, QStringLiteral("fill.htm")));
    EXPECT_EQ(ShownTopic(viewer), "fill.htm");
    EXPECT_TRUE(In<QAction>(viewer, "cmdBack")->isEnabled());
    Trigger(viewer, "cmdBack");
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");
    EXPECT_TRUE(In<QAction>(viewer, "cmdForward")->isEnabled());
    Trigger(viewer, "cmdForward");
    EXPECT_EQ(ShownTopic(viewer), "fill.htm");
    Trigger(viewer, "cmdHome");
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");

    // A web link goes to the desktop; the page stays.
    ASSERT_TRUE(ClickLink(viewer, QString::fromLatin1(LinkProductHome)));
    ASSERT_EQ(urls_.Urls.size(), 1u);
    EXPECT_EQ(urls_.Urls[0], QUrl(QString::fromLatin1(LinkProductHome)));
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(HelpViewerTest, OneWindowServesEveryRequestAndTheToolbarAndTrayOpenIt)
{
    ShowHelpTopic(*app_, main_.get(), "fill.htm");
    HelpViewer* viewer = FindHelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ShownTopic(viewer), "fill.htm");
    Control<QAction>("Button8")->trigger();
    EXPECT_EQ(FindHelpViewer(), viewer);
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");
    ShowHelpTopic(*app_, main_.get(), "fill.htm");
    Trigger(main_.get(), "TrayHelp");
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");

    // A place on a page.
    ShowHelpTopic(*app_, main_.get(), "intro.htm#options");
    EXPECT_EQ(In<QTextBrowser>(viewer, "Browser")->source().fragment(), QStringLiteral("options"));
    EXPECT_GT(In<QTextBrowser>(viewer, "Browser")->verticalScrollBar()->value(), 0);

    // A page that is not there changes nothing.
    ShowHelpTopic(*app_, main_.get(), "missing.htm");
    ShowHelpTopic(*app_, main_.get(), "../readme.txt");
    EXPECT_EQ(FindHelpViewer(), viewer);
    EXPECT_EQ(ShownTopic(viewer), "intro.htm");

    // Closed (Esc), it is gone; the next request makes a new one.
    viewer->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(viewer));
    QTest::keyClick(In<QTextBrowser>(viewer, "Browser"), Qt::Key_Escape);
    FlushDeletes();
    EXPECT_EQ(FindHelpViewer(), nullptr);
    ShowHelpTopic(*app_, main_.get(), "fill.htm");
    ASSERT_NE(FindHelpViewer(), nullptr);
    EXPECT_EQ(ShownTopic(FindHelpViewer()), "fill.htm");
}

TEST_F(HelpViewerTest, ANewWindowIsWhollyOnTheScreenAlsoFromAMainWindowInACorner)
{
    main_->move(0, 0);
    ShowHelpTopic(*app_, main_.get(), "intro.htm");
    HelpViewer* viewer = FindHelpViewer();
    ASSERT_NE(viewer, nullptr);
    const QRect screen = viewer->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(viewer->frameGeometry()))
        << viewer->frameGeometry().x() << "," << viewer->frameGeometry().y();
    EXPECT_GT(viewer->width(), main_->width() / 2);
}

TEST_F(HelpViewerTest, MissingHelpShowsNothingAndSaysNothing)
{
    fs::remove_all(helpFolder_);
    Trigger(main_.get(), "helpHelp");
    ShowHelpTopic(*app_, main_.get(), "fill.htm");
    EXPECT_EQ(FindHelpViewer(), nullptr);
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(HelpViewerTest, ReadmeOpensWithTheDesktopWhenItIsThere)
{
    Trigger(main_.get(), "helpRead");
    EXPECT_TRUE(urls_.Urls.empty());  // no read-me in the program folder yet
    const std::string readme = Folder() + "/program/readme.txt";
    WriteFile(readme, "Keyquill\n");
    Trigger(main_.get(), "helpRead");
    ASSERT_EQ(urls_.Urls.size(), 1u);
    EXPECT_EQ(urls_.Urls[0], QUrl::fromLocalFile(QString::fromStdString(readme)));
    EXPECT_TRUE(messages_->Boxes.empty());
}

TEST_F(HelpViewerTest, WebMenuItemsOpenTheirLinks)
{
    Trigger(main_.get(), "WebTarnwick");
    Trigger(main_.get(), "WebKYQ");
    Trigger(main_.get(), "WebGuest");
    Trigger(main_.get(), "WebMail");
    const std::vector<QUrl> expected{QUrl(QString::fromLatin1(LinkMakerHome)),
                                     QUrl(QString::fromLatin1(LinkProductHome)),
                                     QUrl(QString::fromLatin1(LinkGuestBook)),
                                     QUrl(QString::fromLatin1(LinkMail))};
    EXPECT_EQ(urls_.Urls, expected);
    EXPECT_TRUE(main_->isEnabled());
}

}  // namespace
}  // namespace kyq::test
