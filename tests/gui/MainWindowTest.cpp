// The main window itself: the tree and details pane, the entry commands with undo, the
// toolbar, the find box, the layout rules, window messages, the load sequence and exit.
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <filesystem>
#include <fstream>

#include "core/workflow/MainWindowLayout.h"
#include "gui/GuiFixture.h"
#include "gui/credentials/NewOne.h"
#include "gui/main/PasswordTreeModel.h"
#include "gui/main/WindowMessageEvent.h"
#include "gui/widgets/HelpViewer.h"
#include "gui/widgets/OwnedDialog.h"

namespace kyq::test {
namespace {

class MainWindowTest : public GuiTest {
protected:
    void OpenThree()
    {
        OpenDocument(MakeFile("a.kyq", u"ann",  u"pw",
                              {Entry(u"b", u"bob", u"pb", 2000, 7, 4), Entry(u"A", u"ann", u"pa"),
                               Entry(u"Mail", u"me", u"pm"), Entry(u"c", u"cid", u"pc")}),
                     u"pw");
    }
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

TEST_F(MainWindowTest, ControlsCarryTheirNames)
{
    for (const char* name : {"Toolbar", "Frame2", "Image1", "Label1", "txtKey", "lblFind", "TV1",
                             "Frame1", "Label2", "txtTitle", "Label5", "txtName", "Label3",
                             "txtPass", "Label4", "txtDate", "Status", "Timer1"})
        EXPECT_NE(main_->findChild<QObject*>(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(main_->Label1->text(), QStringLiteral("输入关键字进行查找："));
    EXPECT_EQ(main_->lblFind->text(), QStringLiteral("Go!"));
    EXPECT_EQ(main_->Image1->toolTip(), QStringLiteral("查找"));
    EXPECT_EQ(main_->Timer1->interval(), 100);
    EXPECT_TRUE(main_->Timer1->isActive());
}

TEST_F(MainWindowTest, MenusHaveTheirCaptionsAndShortcuts)
{
    const MainMenus& m = main_->Menus;
    const QList<QAction*> bar = main_->menuBar()->actions();
    ASSERT_EQ(bar.size(), 4);
    EXPECT_EQ(bar[0]->text(), QStringLiteral("文件(&F)"));
    EXPECT_EQ(bar[1]->text(), QStringLiteral("密码(&P)"));
    EXPECT_EQ(bar[2]->text(), QStringLiteral("工具(&T)"));
    EXPECT_EQ(bar[3]->text(), QStringLiteral("帮助(&H)"));
    EXPECT_EQ(m.fileClose->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    EXPECT_EQ(m.passAdd->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
    EXPECT_EQ(m.toolOption->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    EXPECT_EQ(m.helpHelp->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(m.passDelAll->text(), QStringLiteral("清空(&A)"));
    EXPECT_EQ(m.WebGuest->text(), QStringLiteral("留言版(&G)"));
    // The tray menu is the window's but not on its bar.
    EXPECT_EQ(m.mnuTray->parent(), main_.get());
    EXPECT_FALSE(bar.contains(m.mnuTray->menuAction()));
    const QList<QAction*> tray = m.mnuTray->actions();
    ASSERT_EQ(tray.size(), 4);
    EXPECT_EQ(tray[0]->text(), QStringLiteral("隐藏窗口"));
    EXPECT_TRUE(tray[1]->isSeparator());
    EXPECT_EQ(tray[3]->text(), QStringLiteral("退出"));
    EXPECT_EQ(m.mnuTray->defaultAction(), m.TrayShow);
}

TEST_F(MainWindowTest, TreeFollowsTitleOrderAndRowNIsRecordN)
{
    OpenThree();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    EXPECT_TRUE(main_->TV1->isExpanded(main_->TreeModel->RootIndex()));
    ClickNode(3);
    EXPECT_EQ(main_->txtTitle->text(), QStringLiteral("b"));
    EXPECT_EQ(main_->txtName->text(), QStringLiteral("bob"));
    EXPECT_EQ(main_->txtPass->text(), QStringLiteral("pb"));
    EXPECT_EQ(main_->txtDate->text(), QStringLiteral("2000年7月4日"));
    EXPECT_TRUE(main_->Menus.passEdit->isEnabled());
    EXPECT_TRUE(main_->Menus.passDel->isEnabled());
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 2);

    ClickNode(1);
    EXPECT_TRUE(main_->txtTitle->text().isEmpty());
    EXPECT_TRUE(main_->txtDate->text().isEmpty());
    EXPECT_FALSE(main_->Menus.passEdit->isEnabled());
    EXPECT_FALSE(main_->Menus.passDel->isEnabled());
    EXPECT_EQ(main_->StatusPanel(1), u"文件a.kyq共有4个密码。");
    main_->Tree.Timer1_Timer();
    EXPECT_EQ(app_->Session.SelectedIndex, 0);
}

TEST_F(MainWindowTest, TreeLabelsCannotBeEditedInPlace)
{
    OpenThree();
    EXPECT_EQ(main_->TV1->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(main_->TreeModel->flags(main_->TreeModel->IndexAt(2)) & Qt::ItemIsEditable);
}

TEST_F(MainWindowTest, DoubleClickShowsTheRecordOrEditsIt)
{
    OpenThree();
    DoubleClickNode(1);
    EXPECT_TRUE(messages_->Boxes.empty());

    DoubleClickNode(3);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Title, u"b");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Information);
    EXPECT_EQ(messages_->Boxes[0].Text,
              u"密码标题：“b”\r\n用户名称：“bob”\r\n密码内容：“pb”\r\n上次修改日期：2000年7月4日");

    RegisterProbeForm(FormId::EditPass, QStringLiteral("EditPass"));
    app_->Settings.DblClick = 2;
    DoubleClickNode(4);
    EXPECT_EQ(shownForms_, std::vector<QString>{QStringLiteral("EditPass")});
    EXPECT_EQ(app_->Session.EditIndex, 3);
    EXPECT_FALSE(main_->isEnabled());
    main_->FindForm(QStringLiteral("EditPass"))->close();
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_EQ(messages_->Boxes.size(), 1u);

    app_->Settings.DblClick = 3;
    DoubleClickNode(2);
    EXPECT_EQ(messages_->Boxes.size(), 1u);
}

TEST_F(MainWindowTest, DeleteKeyWithModifiersDoesNothing)
{
    OpenThree();
    ClickNode(5);
    for (Qt::KeyboardModifier m : {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier})
        QTest::keyClick(main_->TV1, Qt::Key_Delete, m);
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_EQ(app_->Document.EntryCount(), 4);

    messages_->Answers = {MsgAnswer::No};
    QTest::keyClick(main_->TV1, Qt::Key_Delete);
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"你确定要删除密码“Mail”吗？");
    EXPECT_EQ(messages_->Boxes[0].Title, u"确定删除");
    EXPECT_EQ(messages_->Boxes[0].Buttons, MsgButtons::YesNo);
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_EQ(app_->Document.EntryCount(), 4);
    EXPECT_FALSE(app_->Document.Modified);
}

TEST_F(MainWindowTest, DeleteActsOnTheRecordSelectedNowAndUndoRedoes)
{
    OpenThree();
    ClickNode(2);
    // Moved by the keyboard and deleted at once, before the timer ticked.
    QTest::keyClick(main_->TV1, Qt::Key_Down);
    messages_->Answers = {MsgAnswer::Yes};
    QTest::keyClick(main_->TV1, Qt::Key_Delete);
    EXPECT_EQ(messages_->Boxes.back().Text, u"你确定要删除密码“b”吗？");
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"c", u"Mail"}));
    EXPECT_EQ(app_->Document.Entries[2].UserName, u"cid");
    EXPECT_TRUE(app_->Document.Modified);
    EXPECT_TRUE(main_->Menus.passUndo->isEnabled());

    main_->Menus.passUndo->trigger();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
    EXPECT_EQ(app_->Document.Entries[2].UserName, u"bob");
    main_->Menus.passUndo->trigger();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"c", u"Mail"}));
}

TEST_F(MainWindowTest, DeletingTheOnlyRecordLeavesTheRootAndUndoBringsItBack)
{
    OpenDocument(MakeFile("one.kyq", u"ann", u"pw", {Entry(u"only", u"u", u"p")}), u"pw");
    ClickNode(2);
    messages_->Answers = {MsgAnswer::Yes};
    main_->Commands.passDel_Click();
    EXPECT_TRUE(TreeRows().empty());
    EXPECT_EQ(app_->Document.EntryCount(), 0);
    EXPECT_EQ(app_->Document.Entries.size(), 1u);
    main_->Commands.passUndo_Click();
    EXPECT_EQ(TreeRows(), std::vector<std::u16string>{u"only"});
}

TEST_F(MainWindowTest, DeleteAllAsksThenEmptiesAndUndoRestores)
{
    OpenThree();
    messages_->Answers = {MsgAnswer::No};
    main_->Commands.passDelAll_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"您确定要删除所有的密码吗？！");
    EXPECT_EQ(messages_->Boxes[0].Title, u"有没有搞错？");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Critical);
    EXPECT_EQ(app_->Document.EntryCount(), 4);

    messages_->Answers = {MsgAnswer::Yes};
    main_->Commands.passDelAll_Click();
    EXPECT_TRUE(TreeRows().empty());
    EXPECT_EQ(RootText(), u"ann");
    EXPECT_EQ(app_->Document.EntryCount(), 0);
    EXPECT_EQ(app_->Document.OwnerName(), u"ann");
    EXPECT_TRUE(app_->Document.Modified);

    main_->Commands.passUndo_Click();
    EXPECT_EQ(TreeRows(), (std::vector<std::u16string>{u"A", u"b", u"c", u"Mail"}));
}

TEST_F(MainWindowTest, ToolbarDispatchesByPositionAndChecksForADocument)
{
    RegisterProbeForm(FormId::frmUser, QStringLiteral("frmUser"));
    RegisterProbeForm(FormId::AddPass, QStringLiteral("AddPass"));
    ASSERT_EQ(main_->ToolbarButtons.size(), 8u);
    EXPECT_EQ(main_->ToolbarButtons[0]->toolTip(), QStringLiteral("新建一个Keyquill文档"));
    EXPECT_EQ(main_->ToolbarButtons[7]->toolTip(), QStringLiteral("显示帮助主题"));
    for (int position : {3, 4, 5, 6, 7, 9, 0})
        main_->Toolbar_ButtonClick(position);
    EXPECT_TRUE(shownForms_.empty());
    EXPECT_TRUE(messages_->Boxes.empty());
    EXPECT_TRUE(messages_->FileRequests.empty());
    EXPECT_TRUE(main_->isEnabled());

    std::filesystem::create_directories(Folder() + "/program/help");
    std::ofstream(Folder() + "/program/help/intro.htm") << "<html><body>intro</body></html>";
    main_->ToolbarButtons[7]->trigger();
    ASSERT_NE(FindHelpViewer(), nullptr);
    EXPECT_EQ(FindHelpViewer()->CurrentTopic(), "intro.htm");
    FindHelpViewer()->close();

    main_->ToolbarButtons[0]->trigger();  // new
    ASSERT_NE(NewDialog(), nullptr);
    NewDialog()->cmdCancel_Click();
    FlushDeletes();

    OpenThree();
    main_->Toolbar_ButtonClick(4);
    EXPECT_EQ(shownForms_, std::vector<QString>{QStringLiteral("frmUser")});
}

TEST_F(MainWindowTest, AddRefusesAtTheRecordLimitAndStaysUsable)
{
    RegisterProbeForm(FormId::AddPass, QStringLiteral("AddPass"));
    NewDocument(u"ann", u"pw");
    messages_->Boxes.clear();
    app_->Document.Entries.resize(PasswordDocument::MaxEntries + 1);
    main_->Commands.passAdd_Click();
    ASSERT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_EQ(messages_->Boxes[0].Text, u"已经达到密码数的最大值(32767)，不能再增加密码了。");
    EXPECT_EQ(messages_->Boxes[0].Icon, MsgIcon::Warning);
    EXPECT_TRUE(shownForms_.empty());
    EXPECT_TRUE(main_->isEnabled());

    app_->Document.Entries.resize(PasswordDocument::MaxEntries);
    main_->Commands.passAdd_Click();
    EXPECT_EQ(shownForms_, std::vector<QString>{QStringLiteral("AddPass")});
    EXPECT_FALSE(main_->isEnabled());
}

TEST_F(MainWindowTest, EnterInTheFindBoxSearchesShiftEnterDoesNot)
{
    RegisterProbeForm(FormId::FoundResult, QStringLiteral("FoundResult"));
    OpenThree();
    QTest::keyClick(main_->txtKey, Qt::Key_Return);  // empty box: no search
    EXPECT_TRUE(shownForms_.empty());
    main_->txtKey->setText(QStringLiteral("Ma"));
    QTest::keyClick(main_->txtKey, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_TRUE(shownForms_.empty());
    QTest::keyClick(main_->txtKey, Qt::Key_Return);
    EXPECT_EQ(shownForms_, std::vector<QString>{QStringLiteral("FoundResult")});
    EXPECT_EQ(app_->Session.FindKeyword, u"Ma");
}

TEST_F(MainWindowTest, MenuShortcutsWinOverTheTextBoxesOwnKeys)
{
    OpenThree();
    // A text box would take Ctrl+A (select all) and Ctrl+Z (its own undo) for itself;
    // here they are 添加 and 撤消 wherever the focus is. Copying stays the box's.
    const auto claimed = [](QWidget* box, Qt::Key key) {
        QKeyEvent override(QEvent::ShortcutOverride, key, Qt::ControlModifier);
        override.ignore();
        QApplication::sendEvent(box, &override);
        return override.isAccepted();
    };
    for (QLineEdit* box : {main_->txtKey, main_->txtTitle, main_->txtPass}) {
        EXPECT_FALSE(claimed(box, Qt::Key_A)) << box->objectName().toStdString();
        EXPECT_FALSE(claimed(box, Qt::Key_Z)) << box->objectName().toStdString();
        EXPECT_TRUE(claimed(box, Qt::Key_C)) << box->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, FindLabelHoverLook)
{
    auto colour = [this] {
        return main_->lblFind->palette().color(QPalette::Active, QPalette::WindowText);
    };
    auto moveOver = [](QWidget* w) {
        QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &move);
    };
    EXPECT_EQ(colour(), QColor(0, 0, 255));
    EXPECT_FALSE(main_->lblFind->font().underline());
    // Without a document the label is disabled and takes no pointer events.
    moveOver(main_->lblFind);
    EXPECT_FALSE(main_->FindHover());
    NewDocument(u"ann", u"pw");
    moveOver(main_->lblFind);
    EXPECT_TRUE(main_->FindHover());
    EXPECT_EQ(colour(), QColor(255, 0, 0));
    EXPECT_TRUE(main_->lblFind->font().underline());
    for (QWidget* off : {static_cast<QWidget*>(main_->Frame2), static_cast<QWidget*>(main_->txtKey),
                         static_cast<QWidget*>(main_->Toolbar), main_->Client}) {
        moveOver(main_->lblFind);
        moveOver(off);
        EXPECT_FALSE(main_->FindHover()) << off->objectName().toStdString();
    }
    EXPECT_EQ(colour(), QColor(0, 0, 255));
    EXPECT_FALSE(main_->lblFind->font().underline());
    // The tree is none of the places that turn it off.
    moveOver(main_->lblFind);
    moveOver(main_->TV1->viewport());
    EXPECT_TRUE(main_->FindHover());
}

TEST_F(MainWindowTest, BoxesSelectTheirWholeTextOnFocus)
{
    OpenThree();
    ClickNode(3);
    main_->txtKey->setEnabled(true);
    main_->txtKey->setText(QStringLiteral("keyword"));
    main_->activateWindow();
    for (QLineEdit* box : {main_->txtTitle, main_->txtName, main_->txtPass, main_->txtDate,
                           main_->txtKey}) {
        main_->TV1->setFocus();
        box->deselect();
        box->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
        EXPECT_EQ(box->selectedText(), box->text()) << box->objectName().toStdString();
        EXPECT_FALSE(box->text().isEmpty());
    }
}

TEST_F(MainWindowTest, LayoutFollowsTheResizeRules)
{
    // The outer size nearest to 7850 x 5740 twips.
    const QSize margins = main_->frameGeometry().size() - main_->size();
    main_->resize(QSize(523, 383) - margins);
    QApplication::processEvents();
    const QSize frame = main_->frameGeometry().size();
    ASSERT_EQ(frame, QSize(523, 383));
    const MainWindowLayout l = ComputeMainWindowLayout(frame.width() * 15, frame.height() * 15);
    auto px = [](int twips) { return (twips + 7) / 15; };
    EXPECT_EQ(main_->Frame2->x(), px(l.FindPanelLeft));
    EXPECT_EQ(main_->TV1->width(), px(l.TreeWidth));
    EXPECT_EQ(main_->TV1->height(), px(l.TreeHeight));
    EXPECT_EQ(main_->Frame1->x(), px(l.DetailsLeft));
    EXPECT_EQ(main_->Frame1->y(), px(l.DetailsTop));
    // Within a pixel of the values the rules give for 7850 x 5740.
    EXPECT_NEAR(main_->Frame2->x() * 15, 1480, 15);
    EXPECT_NEAR(main_->TV1->width() * 15, 4355, 15);
    EXPECT_NEAR(main_->TV1->height() * 15, 3565, 15);
    EXPECT_NEAR(main_->Frame1->x() * 15, 4800, 15);
    EXPECT_NEAR(main_->Frame1->y() * 15, 1700, 15);
    EXPECT_EQ(main_->Toolbar->width(), main_->Client->width());

    // Below the minimum the window snaps back to the design size.
    main_->resize(100, 100);
    QApplication::processEvents();
    EXPECT_EQ(main_->frameGeometry().size(), QSize(390, 316));
    EXPECT_EQ(main_->Frame2->x(), px(480));
    EXPECT_EQ(main_->Frame1->pos(), QPoint(px(2800), px(1200)));
    EXPECT_EQ(main_->TV1->size(), QSize(px(2355), px(2565)));
}

TEST_F(MainWindowTest, FixedControlsDoNotClipTheirChineseCaptions)
{
    for (QLabel* label : {main_->Label1, main_->Label2, main_->Label3, main_->Label4,
                          main_->Label5, main_->lblFind})
        EXPECT_GE(label->width(), label->sizeHint().width()) << label->objectName().toStdString();
    // No caption runs into the box it labels.
    EXPECT_LE(main_->Label1->geometry().right(), main_->txtKey->x());
    EXPECT_LE(main_->Label2->geometry().right(), main_->txtTitle->x());
    EXPECT_LE(main_->txtKey->geometry().bottom(), main_->Frame2->height());
}

TEST_F(MainWindowTest, MessagesPostedToTheWindowPassTheFilters)
{
    std::vector<WindowMessage> seen;
    class Recorder : public MessageFilter {
    public:
        explicit Recorder(std::vector<WindowMessage>& seen) : seen_(seen) {}
    protected:
        void Filter(const WindowMessage& m) override { seen_.push_back(m); }
    private:
        std::vector<WindowMessage>& seen_;
    } recorder(seen);
    recorder.Install(app_->WindowMessages);
    app_->PostMessage({1024, 80, static_cast<int32_t>(0x80000000u)});
    EXPECT_TRUE(seen.empty());  // queued, not handled yet
    QApplication::processEvents();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Msg, 1024u);
    EXPECT_EQ(seen[0].wParam, 80u);
    EXPECT_LT(seen[0].lParam, 0);

    // Held back while a reader runs, delivered when it is done.
    app_->Session.ReaderRunning = true;
    app_->PostMessage({1025, 0, 0});
    QApplication::processEvents();
    EXPECT_EQ(seen.size(), 1u);
    app_->Session.ReaderRunning = false;
    main_->ReleaseHeldMessages();
    QApplication::processEvents();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].Msg, 1025u);
    recorder.Remove();
}

TEST_F(MainWindowTest, LoadRunsThePlatformStepsInOrder)
{
    EXPECT_EQ(platform_->Steps, (std::vector<std::string>{"WriteHandleFile", "InstallHotKeyWatcher",
                                                          "AddTrayIcon"}));
}

TEST_F(MainWindowTest, ExitWithCancelKeepsEverything)
{
    NewDocument(u"ann", u"pw");
    platform_->Steps.clear();
    messages_->Answers = {MsgAnswer::Cancel};
    main_->fileExit_Click();
    EXPECT_FALSE(main_->IsUnloaded());
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(app_->Document.Path, "nul");
    EXPECT_TRUE(platform_->Steps.empty());
    EXPECT_EQ(messages_->Boxes.back().Text, u"将改动保存到无标题吗？");
}

TEST_F(MainWindowTest, ExitUnloadsFormsAndUndoesTheLoadInOrder)
{
    RegisterProbeForm(FormId::Options, QStringLiteral("Options"));
    app_->Settings.ClearClip = true;
    QGuiApplication::clipboard()->setText(QStringLiteral("a password"));
    main_->toolOption_Click();
    ASSERT_NE(main_->FindForm(QStringLiteral("Options")), nullptr);
    platform_->Steps.clear();
    main_->Menus.fileExit->trigger();
    EXPECT_TRUE(main_->IsUnloaded());
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().isEmpty());
    EXPECT_EQ(platform_->Steps,
              (std::vector<std::string>{"DeleteHandleFile", "RemoveShellMessageFilter",
                                        "DeleteTrayIcon", "RemoveHotKeyWatcher"}));
    // The settings were saved on the way out.
    EXPECT_TRUE(app_->Registry.KeyExists(Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Setting"));
}

TEST_F(MainWindowTest, CloseBoxGoesToTheTrayWhenThePlatformTakesIt)
{
    platform_->HideOnClose = true;
    main_->close();
    EXPECT_FALSE(main_->IsUnloaded());
    platform_->HideOnClose = false;
    main_->close();
    EXPECT_TRUE(main_->IsUnloaded());
}

TEST_F(MainWindowTest, DisabledWindowIgnoresItsCloseBox)
{
    main_->Workflow.fileNew_Click();
    ASSERT_FALSE(main_->isEnabled());
    main_->close();
    EXPECT_FALSE(main_->IsUnloaded());
}

TEST_F(MainWindowTest, TrayShowTogglesTheWindow)
{
    main_->Menus.TrayShow->trigger();
    EXPECT_FALSE(main_->isVisible());
    EXPECT_EQ(main_->Menus.TrayShow->text(), QStringLiteral("显示窗口"));
    main_->Menus.TrayShow->trigger();
    EXPECT_TRUE(main_->isVisible());
    EXPECT_EQ(main_->Menus.TrayShow->text(), QStringLiteral("隐藏窗口"));
}

}  // namespace
}  // namespace kyq::test
