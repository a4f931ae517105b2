// The tray on the offscreen platform: the icon's activations through the main window's
// rules, the tray menu, closing and minimising to the tray with and without a tray on the
// desktop, and what is left of it all after the shutdown.
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

#include "platform/FillDesktop.h"
#include "gui/GuiFixture.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/shell/TrayIcon.h"

namespace kyq::test {
namespace {

class ForegroundDesktop final : public FillDesktop {
public:
    FillWindow Window{0x4400021};
    FillWindow Foreground() override { return Window; }
    bool Activate(const FillWindow&) override { return true; }
    bool HasFocus(const FillWindow&) override { return true; }
    size_t FirstUntypeable(std::u16string_view) override { return AllTypeable; }
    bool TypePiece(std::u16string_view, const std::function<bool()>&) override { return true; }
};

class TrayTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        auto desktop = std::make_unique<ForegroundDesktop>();
        desktop_ = desktop.get();
        auto platform = std::make_unique<DesktopPlatform>(*app_, *main_, std::move(desktop));
        desktopPlatform_ = platform.get();
        app_->SetPlatform(std::move(platform));
        platform_ = nullptr;
        main_->Form_Load();
        ASSERT_NE(desktopPlatform_->Tray(), nullptr);
        desktopPlatform_->Tray()->SetTrayAvailable([this] { return trayAvailable_; });
    }

    // An activation of the icon as it arrives from the event loop.
    void Tray(TrayActivation activation) { app_->HandleEventNow(activation); }

    // Acts on the tray menu once it is up (it runs modally inside the message). A menu
    // that never comes leaves the poll to end with the window.
    void WhenMenuShows(std::function<void(QMenu&)> act)
    {
        auto* poll = new QTimer(main_.get());
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, [this, poll, act] {
            QMenu* menu = Control<QMenu>("mnuTray");
            if (!menu->isVisible())
                return;
            poll->stop();
            poll->deleteLater();
            menuSeen_ = true;
            act(*menu);
        });
        poll->start();
    }

    ForegroundDesktop* desktop_ = nullptr;
    DesktopPlatform* desktopPlatform_ = nullptr;
    bool trayAvailable_ = true;
    bool menuSeen_ = false;
};

TEST_F(TrayTest, PointerOverTheIconRecordsTheForegroundWindow)
{
    app_->Session.FillTarget = FillWindow{1};
    Tray(TrayActivation::Hover);
    EXPECT_EQ(app_->Session.FillTarget, desktop_->Window);
    desktop_->Window = FillWindow{0x4400099};
    Tray(TrayActivation::Hover);
    EXPECT_EQ(app_->Session.FillTarget.id, 0x4400099u);
}

TEST_F(TrayTest, ActivationsActFromTheEventLoop)
{
    TrayIcon& icon = *desktopPlatform_->Tray();
    // Every activation records the foreground window first.
    app_->Session.FillTarget = FillWindow{1};
    icon.OnActivated(QSystemTrayIcon::MiddleClick);
    EXPECT_EQ(app_->Session.FillTarget.id, 1u);  // not inside the activation
    ASSERT_TRUE(QTest::qWaitFor([&] { return app_->Session.FillTarget == desktop_->Window; }, 5000));

    // A double click is not also a click: the click waiting out the double-click time is
    // called off, so no menu comes up; the double click shows the window.
    // Timers fire in the order they fall due: a marker due after the click's time has
    // passed once a click that was not called off would have shown the menu.
    WhenMenuShows([](QMenu& menu) { menu.close(); });
    main_->TrayShow_Click();
    icon.OnActivated(QSystemTrayIcon::Trigger);
    icon.OnActivated(QSystemTrayIcon::DoubleClick);
    bool clickTimePassed = false;
    QTimer::singleShot(2 * QApplication::doubleClickInterval(), [&] { clickTimePassed = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return clickTimePassed; }, 5000));
    EXPECT_TRUE(main_->isVisible());
    EXPECT_FALSE(menuSeen_);

    // A single click brings the menu up after the double-click time.
    WhenMenuShows([](QMenu& menu) { menu.close(); });
    icon.OnActivated(QSystemTrayIcon::Trigger);
    ASSERT_TRUE(QTest::qWaitFor([&] { return menuSeen_; }, 5000));
}

TEST_F(TrayTest, RightClickWhileHiddenOffersShowWindowFirstAndBold)
{
    main_->TrayShow_Click();
    ASSERT_FALSE(main_->isVisible());
    QAction* first = nullptr;
    QAction* defaultItem = nullptr;
    WhenMenuShows([&](QMenu& menu) {
        first = menu.actions().value(0);
        defaultItem = menu.defaultAction();
        Trigger(main_.get(), "TrayShow");
        menu.close();
    });
    Tray(TrayActivation::MenuClick);
    EXPECT_TRUE(menuSeen_);
    EXPECT_EQ(first, Control<QAction>("TrayShow"));
    EXPECT_EQ(defaultItem, Control<QAction>("TrayShow"));
    EXPECT_TRUE(main_->isVisible());
}

TEST_F(TrayTest, LeftClickMenuHidesAShownWindow)
{
    WhenMenuShows([&](QMenu& menu) {
        Trigger(main_.get(), "TrayShow");
        menu.close();
    });
    Tray(TrayActivation::Click);
    EXPECT_TRUE(menuSeen_);
    EXPECT_FALSE(main_->isVisible());
}

TEST_F(TrayTest, TrayMenuExitQuitsThroughTheShutdown)
{
    WhenMenuShows([&](QMenu& menu) {
        menu.close();
        Trigger(main_.get(), "TrayExit");
    });
    Tray(TrayActivation::MenuClick);
    EXPECT_TRUE(main_->IsUnloaded());
}

TEST_F(TrayTest, DoubleClickShows)
{
    // While shown: stays shown.
    Tray(TrayActivation::DoubleClick);
    EXPECT_TRUE(main_->isVisible());

    main_->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main_->isVisible(); }, 2000));
    Tray(TrayActivation::DoubleClick);
    EXPECT_TRUE(main_->isVisible());
    EXPECT_FALSE(main_->isMinimized());
}

TEST_F(TrayTest, MinimisingHidesToTheTrayWhateverCloseMinSays)
{
    app_->Settings.CloseMin = false;
    main_->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !main_->isVisible(); }, 2000));
    EXPECT_FALSE(main_->IsUnloaded());
    // Back from the tray in its normal size.
    Trigger(main_.get(), "TrayShow");
    EXPECT_TRUE(main_->isVisible());
    EXPECT_FALSE(main_->windowState() & Qt::WindowMinimized);
}

TEST_F(TrayTest, CloseBoxWithCloseMinHidesAndQuitItemsQuit)
{
    app_->Settings.CloseMin = true;
    main_->close();
    EXPECT_FALSE(main_->isVisible());
    EXPECT_FALSE(main_->IsUnloaded());

    Trigger(main_.get(), "fileExit");
    EXPECT_TRUE(main_->IsUnloaded());
    EXPECT_FALSE(desktopPlatform_->Tray()->Added());
}

TEST_F(TrayTest, CloseBoxWithoutCloseMinQuits)
{
    app_->Settings.CloseMin = false;
    main_->close();
    EXPECT_TRUE(main_->IsUnloaded());
}

TEST_F(TrayTest, WithoutATrayCloseQuitsAndMinimiseOnlyMinimises)
{
    trayAvailable_ = false;
    app_->Settings.CloseMin = true;
    main_->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return main_->isMinimized(); }, 2000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(main_->isVisible());
    main_->showNormal();
    main_->close();
    EXPECT_TRUE(main_->IsUnloaded());
}

TEST_F(TrayTest, AfterTheShutdownEventsDoNothingAndASenderIsLetGo)
{
    ASSERT_TRUE(main_->Form_Unload());
    bool finished = false;
    HandOverEvent handOver{"", "", [&finished] { finished = true; }};
    app_->HandleEventNow(handOver);
    EXPECT_TRUE(finished);
    // The icon's clicks reach nothing.
    main_->show();
    main_->TrayShow_Click();
    desktopPlatform_->Tray()->OnActivated(QSystemTrayIcon::DoubleClick);
    QCoreApplication::processEvents();
    EXPECT_FALSE(main_->isVisible());
}

TEST_F(TrayTest, SecondEndOfSessionRequestDuringThePromptIsIgnored)
{
    NewDocument(u"主人", u"pw");
    app_->Document.Modified = true;
    int prompts = 0;
    messages_->WhileShown = [&](const RecordedBox&) {
        ++prompts;
        if (prompts == 1)
            app_->HandleEventNow(EndSessionEvent{});
    };
    messages_->Answers.push_back(MsgAnswer::Cancel);
    app_->HandleEventNow(EndSessionEvent{});
    EXPECT_EQ(prompts, 1);
    EXPECT_FALSE(main_->IsUnloaded());
    EXPECT_EQ(messages_->Unexpected, 0);
}

}  // namespace
}  // namespace kyq::test
