// The main window's wiring: the tree and details pane, the entry commands with undo, the
// toolbar, the find box, the layout, the program's own events and exit. The rules behind them are
// tested in the core (tests/core/workflow/MainWindowPresenterTest.cpp).
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <filesystem>
#include <initializer_list>
#include <fstream>

#include "core/workflow/MainWindowLayout.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/NewOne.h"
#include "gui/main/PasswordTreeModel.h"
#include "gui/widgets/HelpViewer.h"
#include "gui/widgets/OwnedDialog.h"

namespace kyq::test {
namespace {

class MainWindowTest : public GuiTest {
protected:
    // A stand-in for a form registered by another folder: records that it was shown.
    void RegisterProbeForm(FormId form, const QString& name)
    {
        main_->RegisterForm(form, [this, name](frmMain& owner) {
            shownForms_.push_back(name);
            return new OwnedDialog(*app_, &owner, name);
        });
    }
    std::vector<QString> shownForms_;
};

TEST_F(MainWindowTest, MenusHaveTheirShortcutsAndTheTrayMenuIsOffTheBar)
{
    auto shortcut = [this](const char* action) { return Control<QAction>(action)->shortcut(); };
    EXPECT_EQ(shortcut("fileClose"), QKeySequence(QStringLiteral("Ctrl+L")));
    EXPECT_EQ(shortcut("passAdd"), QKeySequence(QStringLiteral("Ctrl+A")));
    EXPECT_EQ(shortcut("toolOption"), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(shortcut("helpHelp"), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(main_->menuBar()->actions().size(), 4);
    QMenu* tray = Control<QMenu>("mnuTray");
    EXPECT_FALSE(main_->menuBar()->actions().contains(tray->menuAction()));
    EXPECT_EQ(tray->defaultAction(), Control<QAction>("TrayShow"));
}

TEST_F(MainWindowTest, TreeFollowsTitleOrderAndRowNIsRecordN)
{
    OpenFourRecords();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    EXPECT_TRUE(TreeView()->isExpanded(TreeModel().RootIndex()));
    EXPECT_EQ(TreeView()->editTriggers(), QAbstractItemView::NoEditTriggers);
    ClickNode(3);
    EXPECT_EQ(Box("txtTitle")->text(), QStringLiteral("b"));
    EXPECT_EQ(Box("txtName")->text(), QStringLiteral("bob"));
    EXPECT_EQ(Box("txtPass")->text(), QStringLiteral("pb"));
    EXPECT_EQ(Box("txtDate")->text(), QStringLiteral("2000年7月4日"));
    EXPECT_TRUE(Control<QAction>("passEdit")->isEnabled());
    EXPECT_TRUE(Control<QAction>("passDel")->isEnabled());
    EXPECT_EQ(app_->Session.SelectedIndex, 2);

    ClickNode(1);
    EXPECT_TRUE(Box("txtTitle")->text().isEmpty());
    EXPECT_TRUE(Box("txtDate")->text().isEmpty());
    EXPECT_FALSE(Control<QAction>("passEdit")->isEnabled());
    EXPECT_FALSE(Control<QAction>("passDel")->isEnabled());
    EXPECT_EQ(Control<QLabel>("Panel1")->text(), QStringLiteral("文件a.kyq共有4个密码。"));
    EXPECT_EQ(app_->Session.SelectedIndex, 0);
}

TEST_F(MainWindowTest, DoubleClickShowsTheRecordOrOpensTheEditForm)
{
    OpenFourRecords();
    DoubleClickNode(3);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Title, u"b");

    RegisterProbeForm(FormId::EditPass, QStringLiteral("EditPass"));
    app_->Settings.DblClick = 2;
    DoubleClickNode(4);
    EXPECT_EQ(shownForms_, std::vector<QString>{QStringLiteral("EditPass")});
    EXPECT_FALSE(main_->isEnabled());
    main_->FindForm(QStringLiteral("EditPass"))->close();
    EXPECT_TRUE(main_->isEnabled());
}

TEST_F(MainWindowTest, DeleteActsOnTheRecordSelectedNowAndUndoRedoes)
{
    OpenFourRecords();
    ClickNode(2);
    // Moved by the keyboard and deleted at once.
    QTest::keyClick(TreeView(), Qt::Key_Down);
    messages_->Answers = {MsgAnswer::Yes};
    QTest::keyClick(TreeView(), Qt::Key_Delete);
    EXPECT_EQ(messages_->Boxes.back().Text, u"你确定要删除密码“b”吗？");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"c", u"Mail"}));
    EXPECT_EQ(app_->Document.Entries[2].UserName, u"cid");
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_TRUE(Control<QAction>("passUndo")->isEnabled());

    Trigger(main_.get(), "passUndo");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    EXPECT_EQ(app_->Document.Entries[2].UserName, u"bob");
    Trigger(main_.get(), "passUndo");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"c", u"Mail"}));
}

TEST_F(MainWindowTest, ToolbarButtonsReachTheirCommands)
{
    RegisterProbeForm(FormId::frmUser, QStringLiteral("frmUser"));
    Control<QAction>("Button4")->trigger();  // no document: nothing
    EXPECT_TRUE(shownForms_.empty());

    std::filesystem::create_directories(Folder() + "/program/help");
    std::ofstream(Folder() + "/program/help/intro.htm") << "<html><body>intro</body></html>";
    Control<QAction>("Button8")->trigger();
    ASSERT_NE(FindHelpViewer(), nullptr);
    EXPECT_EQ(ShownTopic(FindHelpViewer()), "intro.htm");
    FindHelpViewer()->close();

    Control<QAction>("Button1")->trigger();  // new
    ASSERT_NE(NewDialog(), nullptr);
    Press(NewDialog(), "cmdCancel");
    FlushDeletes();

    OpenFourRecords();
    Control<QAction>("Button4")->trigger();
    EXPECT_EQ(shownForms_, std::vector<QString>{QStringLiteral("frmUser")});
}

TEST_F(MainWindowTest, MenuShortcutsWinOverTheTextBoxesOwnKeys)
{
    OpenFourRecords();
    // A text box would take Ctrl+A (select all) and Ctrl+Z (its own undo) for itself;
    // here they are 添加 and 撤消 wherever the focus is. Copying stays the box's.
    const auto claimed = [](QWidget* box, Qt::Key key) {
        QKeyEvent override(QEvent::ShortcutOverride, key, Qt::ControlModifier);
        override.ignore();
        QApplication::sendEvent(box, &override);
        return override.isAccepted();
    };
    for (QLineEdit* box : {Box("txtKey"), Box("txtTitle"), Box("txtPass")}) {
        EXPECT_FALSE(claimed(box, Qt::Key_A)) << box->objectName().toStdString();
        EXPECT_FALSE(claimed(box, Qt::Key_Z)) << box->objectName().toStdString();
        EXPECT_TRUE(claimed(box, Qt::Key_C)) << box->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, FindLabelHoverIsOnOverTheLabelOnlyWithADocument)
{
    QLabel* label = Control<QLabel>("lblFind");
    auto moveOver = [](QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
    };
    // Without a document the label is disabled and takes no pointer events.
    moveOver(label);
    EXPECT_FALSE(main_->FindHover());
    NewDocument(u"ann", u"pw");
    for (const char* off : {"Frame2", "txtKey", "Toolbar", "Client"}) {
        moveOver(label);
        EXPECT_TRUE(main_->FindHover());
        moveOver(Control<QWidget>(off));
        EXPECT_FALSE(main_->FindHover()) << off;
    }
    // The tree is none of the places that turn it off.
    moveOver(label);
    moveOver(TreeView()->viewport());
    EXPECT_TRUE(main_->FindHover());
}

TEST_F(MainWindowTest, BoxesSelectTheirWholeTextOnFocus)
{
    OpenFourRecords();
    ClickNode(3);
    Box("txtKey")->setText(QStringLiteral("keyword"));
    main_->activateWindow();
    for (const char* name : {"txtTitle", "txtName", "txtPass", "txtDate", "txtKey"}) {
        QLineEdit* box = Box(name);
        TreeView()->setFocus();
        box->deselect();
        box->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(box->selectedText(), box->text()) << box->objectName().toStdString();
        EXPECT_FALSE(box->text().isEmpty());
    }
}

// Each named control shown whole inside its parent and none over another.
void ExpectWholeAndApart(const QWidget* parent, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QWidget* c = In<QWidget>(parent, name);
        EXPECT_TRUE(c->isVisible());
        EXPECT_TRUE(parent->rect().contains(c->geometry()));
        for (const char* other : names) {
            if (other != name) {
                EXPECT_FALSE(c->geometry().intersects(In<QWidget>(parent, other)->geometry())) << other;
            }
        }
    }
}

// What a user sees at any size, the smallest allowed and below it included: every control
// whole inside the window and apart from the others, the tree taking all the window gains,
// no Chinese caption cut short.
TEST_F(MainWindowTest, ControlsStayWholeAndApartAsTheWindowIsResized)
{
    // Outer sizes, the smallest allowed first.
    const QSize smallest(TwipsToPx(MainWindowMinWidth), TwipsToPx(MainWindowMinHeight));
    const QSize margins = main_->frameGeometry().size() - main_->size();
    const struct {
        QSize asked, shown;
    } sizes[] = {
        {smallest, smallest},
        {smallest + QSize(133, 67), smallest + QSize(133, 67)},
        {QSize(100, 100), smallest},  // snaps back
        {QSize(smallest.width() + 300, 100), QSize(smallest.width() + 300, smallest.height())},
    };
    QSize smallestTree;
    for (const auto& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.asked.width() << "x" << size.asked.height());
        main_->resize(size.asked - margins);
        QApplication::processEvents();
        ASSERT_EQ(main_->frameGeometry().size(), size.shown);
        if (smallestTree.isEmpty())
            smallestTree = TreeView()->size();
        const QSize gained = size.shown - smallest;
        EXPECT_NEAR(TreeView()->width() - smallestTree.width(), gained.width(), 1);
        EXPECT_NEAR(TreeView()->height() - smallestTree.height(), gained.height(), 1);
        ExpectWholeAndApart(Control<QWidget>("Client"), {"Toolbar", "Frame2", "TV1", "Frame1"});
        ExpectWholeAndApart(Control<QWidget>("Frame2"), {"Image1", "Label1", "txtKey", "lblFind"});
        ExpectWholeAndApart(Control<QWidget>("Frame1"), {"Label2", "txtTitle", "Label5", "txtName",
                                                          "Label3", "txtPass", "Label4", "txtDate"});
    }
    for (const char* name : {"Label1", "Label2", "Label3", "Label4", "Label5", "lblFind"}) {
        QLabel* label = Control<QLabel>(name);
        EXPECT_GE(label->width(), label->sizeHint().width()) << name;
    }
}

TEST_F(MainWindowTest, PostedEventsArriveFromTheEventLoopAfterAnyReader)
{
    app_->PostEvent(HookKeyEvent{80, true, false});
    EXPECT_TRUE(platform_->Keys.empty());  // queued, not handled yet
    QApplication::processEvents();
    ASSERT_EQ(platform_->Keys.size(), 1u);
    EXPECT_TRUE(platform_->Keys[0].Released);

    // Held back while a reader runs, delivered when it is done.
    app_->Session.ReaderRunning = true;
    app_->PostEvent(HookKeyEvent{81, false, false});
    QApplication::processEvents();
    EXPECT_EQ(platform_->Keys.size(), 1u);
    app_->Session.ReaderRunning = false;
    main_->ReleaseHeldEvents();
    QApplication::processEvents();
    ASSERT_EQ(platform_->Keys.size(), 2u);
    EXPECT_EQ(platform_->Keys[1].Key, 81);
}

TEST_F(MainWindowTest, ExitWithCancelKeepsTheWindow)
{
    NewDocument(u"ann", u"pw");
    messages_->Answers = {MsgAnswer::Cancel};
    Trigger(main_.get(), "fileExit");
    EXPECT_FALSE(main_->IsUnloaded());
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(messages_->Boxes.back().Text, u"将改动保存到无标题吗？");
}

// The offscreen clipboard never counts as this program's: like another program's copy,
// it outlives the exit.
TEST_F(MainWindowTest, ExitUnloadsFormsAndLeavesAClipboardThatIsNotOurs)
{
    RegisterProbeForm(FormId::Options, QStringLiteral("Options"));
    app_->Settings.ClearClip = true;
    QGuiApplication::clipboard()->setText(QStringLiteral("another program's copy"));
    ASSERT_FALSE(QGuiApplication::clipboard()->ownsClipboard());
    Trigger(main_.get(), "toolOption");
    ASSERT_NE(main_->FindForm(QStringLiteral("Options")), nullptr);
    platform_->Steps.clear();
    Trigger(main_.get(), "fileExit");
    EXPECT_TRUE(main_->IsUnloaded());
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("another program's copy"));
    EXPECT_EQ(platform_->Steps.size(), 3u);
}

TEST_F(MainWindowTest, CloseBoxAsksTheRulesWithTheWindowsState)
{
    rules_->Workflow.fileNew_Click();  // the new-document dialog disables the window
    ASSERT_FALSE(main_->isEnabled());
    main_->close();
    EXPECT_FALSE(main_->IsUnloaded());
    kyq::test::Press(NewDialog(), "cmdCancel");
    FlushDeletes();
    platform_->HideOnClose = true;
    main_->close();
    EXPECT_FALSE(main_->IsUnloaded());
    platform_->HideOnClose = false;
    main_->close();
    EXPECT_TRUE(main_->IsUnloaded());
}

TEST_F(MainWindowTest, TrayShowTogglesTheWindow)
{
    Trigger(main_.get(), "TrayShow");
    EXPECT_FALSE(main_->isVisible());
    EXPECT_TRUE(main_->IsHiddenInTray());
    Trigger(main_.get(), "TrayShow");
    EXPECT_TRUE(main_->isVisible());
    EXPECT_FALSE(main_->IsHiddenInTray());
}

}  // namespace
}  // namespace kyq::test
