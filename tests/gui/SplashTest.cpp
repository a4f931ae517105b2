// The splash over the hidden main window: what its timers do, which clicks close it, and
// that its close opens the pending document exactly once.
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <fstream>

#include "gui/GuiFixture.h"
#include "gui/credentials/Asking.h"
#include "gui/shell/Splash.h"

namespace kyq::test {
namespace {

class SplashTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        main_->hide();
        splash_ = new Splash(*app_, *main_, rules_->Workflow);
        splash_->Form_Load();
    }
    void TearDown() override
    {
        delete splash_.data();
        GuiTest::TearDown();
    }

    int OpenPrompts() const
    {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* prompt = qobject_cast<Asking*>(w);
            if (prompt && !prompt->IsUnloaded())
                ++count;
        }
        return count;
    }

    bool SplashOpen() const { return splash_ && !splash_->IsUnloaded() && splash_->isVisible(); }

    QPointer<Splash> splash_;
};

TEST_F(SplashTest, PlacedCentredOnTopWithoutTakingTheActivation)
{
    EXPECT_TRUE(splash_->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash_->testAttribute(Qt::WA_ShowWithoutActivating));
    const QPoint centre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((splash_->geometry().center() - centre).manhattanLength(), 2);
    EXPECT_FALSE(In<QTimer>(splash_, "Timer1")->isActive());
    EXPECT_FALSE(In<QTimer>(splash_, "Timer2")->isActive());
}

TEST_F(SplashTest, ClicksAndKeysDoNothingWhileStartUpRuns)
{
    splash_->PendingDocument = MakeFile("p.kyq", u"o", u"pw", {Record(u"t", u"u", u"p")});
    QTest::mouseClick(In<QLabel>(splash_, "Picture"), Qt::LeftButton);
    QTest::mouseClick(In<QLabel>(splash_, "Label1"), Qt::LeftButton);
    QTest::mouseClick(splash_, Qt::LeftButton);
    QTest::keyClick(splash_, Qt::Key_Space);
    QTest::keyClick(splash_, Qt::Key_Escape);
    EXPECT_TRUE(SplashOpen());
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(OpenPrompts(), 0);
}

TEST_F(SplashTest, NoticeClickClosesAtOnceAndOpensThePendingDocumentOnce)
{
    splash_->PendingDocument = MakeFile("p.kyq", u"o", u"pw", {Record(u"t", u"u", u"p")});
    QTest::mouseClick(In<QLabel>(splash_, "lblNotice"), Qt::LeftButton);
    EXPECT_FALSE(splash_->isVisible());
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(OpenPrompts(), 1);
    Asking* prompt = Prompt();
    ASSERT_NE(prompt, nullptr);
    // The prompt has the main window disabled; the splash's unload did not enable it again.
    EXPECT_FALSE(main_->isEnabled());

    // Its timers died with it; a second close does nothing.
    Expire(splash_, "Timer1");
    splash_->CloseSplash();
    FlushDeletes();
    EXPECT_TRUE(splash_.isNull());
    EXPECT_EQ(OpenPrompts(), 1);
    EXPECT_EQ(Prompt(), prompt);
}

TEST_F(SplashTest, Timer2ShowsTheMainWindowUnderTheSplash)
{
    splash_->StartTimers();
    main_->setEnabled(false);
    Expire(splash_, "Timer2");
    EXPECT_TRUE(main_->isVisible());
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_FALSE(In<QTimer>(splash_, "Timer2")->isActive());
    EXPECT_TRUE(In<QTimer>(splash_, "Timer1")->isActive());
    EXPECT_TRUE(SplashOpen());
}

TEST_F(SplashTest, ClickOrKeyClosesOnceStartUpHasFinished)
{
    splash_->StartTimers();
    QTest::mouseClick(In<QLabel>(splash_, "Picture"), Qt::LeftButton);
    EXPECT_FALSE(splash_->isVisible());
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(OpenPrompts(), 0);

    auto* second = new Splash(*app_, *main_, rules_->Workflow);
    QPointer<Splash> guard(second);
    second->Form_Load();
    second->StartTimers();
    QTest::keyClick(second, Qt::Key_Return);
    EXPECT_TRUE(second->IsUnloaded());
    FlushDeletes();
    EXPECT_TRUE(guard.isNull());
}

TEST_F(SplashTest, TimersRunTheEndOfStartUp)
{
    splash_->PendingDocument = MakeFile("p.kyq", u"o", u"pw", {Record(u"t", u"u", u"p")});
    In<QTimer>(splash_, "Timer2")->setInterval(10);
    In<QTimer>(splash_, "Timer1")->setInterval(200);
    splash_->StartTimers();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_->isVisible(); }, 5000));
    EXPECT_TRUE(SplashOpen());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !SplashOpen(); }, 5000));
    EXPECT_EQ(OpenPrompts(), 1);
}

TEST_F(SplashTest, ShutdownUnloadsTheSplashWithoutOpening)
{
    splash_->PendingDocument = MakeFile("p.kyq", u"o", u"pw", {Record(u"t", u"u", u"p")});
    splash_->StartTimers();
    main_->UnloadForms();
    EXPECT_TRUE(splash_->IsUnloaded());
    EXPECT_FALSE(In<QTimer>(splash_, "Timer1")->isActive());
    EXPECT_EQ(OpenPrompts(), 0);
}

TEST_F(SplashTest, PendingDocumentThatCannotBeOpenedLeavesNoDocument)
{
    const std::string path = Folder() + "/damaged.kyq";
    std::ofstream(path, std::ios::binary) << "not a document";
    splash_->PendingDocument = path;
    QTest::mouseClick(In<QLabel>(splash_, "lblNotice"), Qt::LeftButton);
    EXPECT_EQ(OpenPrompts(), 0);
    EXPECT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(app_->Document.Path, "");
    EXPECT_TRUE(main_->isVisible());
    EXPECT_TRUE(main_->isEnabled());
}

}  // namespace
}  // namespace kyq::test
