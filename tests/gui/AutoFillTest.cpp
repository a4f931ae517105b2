// Auto-fill in the program: the hot-key watcher in front of the main window (messages sent
// straight through the chain), the fill dialog's list, fill method and pop-up menu, what OK
// and Cancel do, and the desktop platform's load and shutdown steps.
#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <memory>

#include "platform/FillDesktop.h"
#include "core/settings/FillHistory.h"
#include "gui/GuiFixture.h"
#include "gui/autofill/ClipboardKeeper.h"
#include "gui/autofill/HotKeyWatcherFilter.h"
#include "gui/autofill/frmFill.h"
#include "gui/shell/DesktopPlatform.h"
#include "gui/widgets/HelpViewer.h"
#include "gui/widgets/OwnedDialog.h"

namespace kyq::test {
namespace {

constexpr uint32_t Released = 0xC0000001u;  // bit 31 set: the key goes up
constexpr uint32_t Pressed = 0x00000001u;

// A key event as the hook's flags describe it (bit 30: the key was down before).
HookKeyEvent HookKeyEventOf(uint32_t key, uint32_t flags)
{
    const bool released = (flags & 0x80000000u) != 0;
    return HookKeyEvent{static_cast<int32_t>(key), released,
                        !released && (flags & 0x40000000u) != 0};
}

// Stands in for the X11 desktop: answers the foreground window and records what would be
// activated and typed.
class RecordingDesktop final : public FillDesktop {
public:
    FillWindow ForegroundWindow{0x2a00007};
    bool ActivateSucceeds = true;
    bool Focused = true;
    bool Types = true;
    size_t UntypeableAt = AllTypeable;
    std::vector<uint64_t> Activated;
    std::vector<std::u16string> Typed;
    std::function<void(uint64_t)> WhileActivating;

    FillWindow Foreground() override { return ForegroundWindow; }
    bool Activate(const FillWindow& window) override
    {
        Activated.push_back(window.id);
        if (WhileActivating)
            WhileActivating(window.id);
        return ActivateSucceeds;
    }
    void ActivateOwn(uint64_t nativeWindow) override { Activated.push_back(nativeWindow); }
    bool HasFocus(const FillWindow&) override { return Focused; }
    bool CanType() const override { return Types; }
    size_t FirstUntypeable(std::u16string_view) override { return UntypeableAt; }
    void BeginTyping(std::u16string_view) override { Typed.emplace_back(); }
    bool TypePiece(std::u16string_view piece, const std::function<bool()>&) override
    {
        Typed.back() += piece;
        return true;
    }
};

// The fill dialog's list and fill-method box, found as a user sees them.
QListWidget* List(const frmFill* fill)
{
    return In<QListWidget>(fill, "lstPass");
}
QComboBox* Line(const frmFill* fill)
{
    return In<QComboBox>(fill, "cboLine");
}

class AutoFillTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        filter_ = std::make_unique<HotKeyWatcherFilter>(*app_, desktop_);
        filter_->ClearModifiers();
    }
    void TearDown() override
    {
        if (main_)
            main_->UnloadForms();
        FlushDeletes();
        filter_.reset();
        GuiTest::TearDown();
    }

    void Key(uint32_t key, uint32_t flags)
    {
        filter_->HookKey(HookKeyEventOf(key, flags));
    }
    // Ctrl and Alt down, P down and up (the default hot key), Alt and Ctrl up.
    void PressHotKey()
    {
        Key(17, Pressed);
        Key(18, Pressed);
        Key('P', Pressed);
        Key('P', Released);
        Key(18, Released);
        Key(17, Released);
        QCoreApplication::processEvents();
    }
    void OpenFour()
    {
        OpenDocument(MakeFile("fill.kyq", u"owner", u"doc-pw",
                              {Record(u"b-mail", u"张三", u"p^w{}+%~()[]^"),
                               Record(u"a-bank", u"alice", u"secret"),
                               Record(u"c-shop", u"carol", u"c^pw"),
                               Record(u"d-wiki", u"dave", u"dw")}),
                     u"doc-pw");
    }
    frmFill* Fill() const { return filter_->FillDialog(); }
    std::vector<QString> ListLines() const
    {
        std::vector<QString> lines;
        for (int i = 0; i < List(Fill())->count(); ++i)
            lines.push_back(List(Fill())->item(i)->text());
        return lines;
    }
    // The tree's selection as the 100 ms timer would pick it up.
    void SelectInTree(int position)
    {
        ClickNode(position);
        rules_->Tree.SyncSelection();
    }
    FillHistory StoredHistory()
    {
        FillHistory stored;
        LoadFillHistory(stored, app_->Registry);
        return stored;
    }

    RecordingDesktop desktop_;
    std::unique_ptr<HotKeyWatcherFilter> filter_;
};

TEST_F(AutoFillTest, HotKeyOpensTheFillDialogOnReleaseOfTheMainKey)
{
    OpenFour();
    Key(17, Pressed);
    Key(18, Pressed);
    Key('P', Pressed);
    Key('P', Pressed | 0x40000000u);  // auto-repeat
    EXPECT_EQ(Fill(), nullptr);
    Key('P', Released);
    QCoreApplication::processEvents();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_EQ(app_->Session.FillTarget, desktop_.ForegroundWindow);
    EXPECT_TRUE(Fill()->isVisible());
    // Asked the desktop for its own focus too (a window manager may refuse Qt's request),
    // once the window could take it.
    EXPECT_TRUE(QTest::qWaitFor([this] { return !desktop_.Activated.empty(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(desktop_.Activated, std::vector<uint64_t>{static_cast<uint64_t>(Fill()->winId())});

}

// Which modifiers count is HotKeyWatcherTest's; here the watcher reads the options' hot key
// at every event.
TEST_F(AutoFillTest, ANewHotKeyCountsAtOnce)
{
    OpenFour();
    app_->Settings.hotKey = HotKey{false, false, true, 116};  // Shift+F5
    Key(16, Pressed);
    Key(116, Pressed);
    Key(116, Released);
    EXPECT_NE(Fill(), nullptr);
}

// The decision is ShowStepDecision's (HotKeyWatcherTest); here the window feeds it the
// document and the options dialog, and the target is recorded whatever it decides.
TEST_F(AutoFillTest, TheDialogOpensOnlyWithADocumentAndNoOptionsDialogInFront)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool opens;
        bool recorded = true;
    };
    const Case cases[] = {
        {"no document", [] {}, false},
        {"options dialog in front",
         [this] {
             OpenFour();
             app_->Session.OptionsClosed = false;
             desktop_.ForegroundWindow = FillWindow{0x3c00009, true};
         },
         false, false},
        {"options open, another window in front",
         [this] { desktop_.ForegroundWindow = FillWindow{0x3c00002}; }, true},
        {"a new, never saved document", [this] { NewDocument(u"me", u"pw"); }, true},
        {"the main window in front",
         [this] { desktop_.ForegroundWindow = FillWindow{0x3c00003, true}; }, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.arrange();
        app_->Session.FillTarget = FillWindow{5};
        PressHotKey();
        EXPECT_EQ(Fill() != nullptr, c.opens);
        EXPECT_EQ(app_->Session.FillTarget == desktop_.ForegroundWindow, c.recorded);
        if (Fill())
            Press(Fill(), "cmdCancel");
        FlushDeletes();
    }
}

TEST_F(AutoFillTest, AHotKeyWhileADialogOfOursIsOpenWaitsForItOnce)
{
    OpenFour();
    // A dialog of ours over the disabled main window (添加密码, say).
    auto* dialog = new OwnedDialog(*app_, main_.get(), QStringLiteral("AddPass"));
    dialog->ShowOverOwner();
    PressHotKey();
    PressHotKey();
    EXPECT_EQ(Fill(), nullptr);
    dialog->Unload();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Fill() != nullptr; }, 2000));
    EXPECT_EQ(app_->Session.FillTarget, desktop_.ForegroundWindow);
}

// The fill dialog holds hand-overs and drops back like the program's other dialogs; and
// when the main window closes the document behind it anyway, OK types nothing.
TEST_F(AutoFillTest, TheFillDialogHoldsDocumentChangesAndNeverTypesFromAnotherDocument)
{
    OpenFour();
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_TRUE(app_->Modal.Busy());
    Press(Fill(), "cmdCancel");
    FlushDeletes();
    EXPECT_FALSE(app_->Modal.Busy());

    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    List(Fill())->setCurrentRow(1);
    rules_->Workflow.fileClose_Click();
    messages_->Boxes.clear();
    Press(Fill(), "cmdOK");
    FlushDeletes();
    EXPECT_EQ(Fill(), nullptr);
    EXPECT_TRUE(desktop_.Typed.empty());
    EXPECT_EQ(messages_->Boxes.size(), 1u);
    EXPECT_FALSE(app_->Modal.Busy());
}

// A quick second press finds the fill dialog in front; it must not become the target.
TEST_F(AutoFillTest, HotKeyWhileOpenBringsTheSameDialogForwardUnchangedWithItsTarget)
{
    OpenFour();
    PressHotKey();
    frmFill* first = Fill();
    ASSERT_NE(first, nullptr);
    List(first)->setCurrentRow(3);
    Line(first)->setEditText(QStringLiteral("^p"));
    first->hide();

    messages_->Answers.push_back(MsgAnswer::Yes);
    rules_->Commands.passDelAll_Click();  // the list is not read again
    app_->History.Update(u"^i");
    desktop_.ForegroundWindow = FillWindow{0x4400001};
    desktop_.Activated.clear();
    PressHotKey();
    EXPECT_EQ(Fill(), first);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(app_->Session.FillTarget.id, 0x2a00007u);
    EXPECT_EQ(ListLines().size(), 4u);
    EXPECT_EQ(List(first)->currentRow(), 3);
    EXPECT_EQ(Line(first)->currentText(), QStringLiteral("^p"));
    EXPECT_EQ(desktop_.Activated, std::vector<uint64_t>{static_cast<uint64_t>(first->winId())});
}

TEST_F(AutoFillTest, DialogShowsTheTitlesInDocumentOrderAndPicksTheTreesRecord)
{
    OpenFour();
    SelectInTree(1);  // the root: the first line
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_EQ(ListLines(), (std::vector<QString>{QStringLiteral("a-bank"), QStringLiteral("b-mail"),
                                                 QStringLiteral("c-shop"), QStringLiteral("d-wiki")}));
    EXPECT_EQ(List(Fill())->currentRow(), 0);
    EXPECT_TRUE(List(Fill())->hasFocus() || !Fill()->isActiveWindow());
    Press(Fill(), "cmdCancel");
    FlushDeletes();

    SelectInTree(4);  // third record
    ASSERT_EQ(app_->Session.SelectedIndex, 3);
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_EQ(List(Fill())->currentRow(), 2);
    Press(Fill(), "cmdCancel");
    FlushDeletes();

    TreeView()->clearSelection();
    rules_->Tree.SyncSelection();
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_EQ(List(Fill())->currentRow(), 0);
}

TEST_F(AutoFillTest, DialogStaysOnTopWithoutBlockingTheMainWindowAndSoDoesItsHelp)
{
    OpenFour();
    PressHotKey();
    frmFill* f = Fill();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(f->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(f->isModal());
    EXPECT_TRUE(main_->isEnabled());

    // The help about filling; the dialog stays open.
    const QString help = QString::fromStdString(Folder()) + QStringLiteral("/program/help");
    ASSERT_TRUE(QDir().mkpath(help));
    QFile page(help + QStringLiteral("/fill.htm"));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html><body><p>fill</p></body></html>");
    page.close();
    QTest::mouseClick(In<QPushButton>(f, "cmdHelp"), Qt::LeftButton);
    HelpViewer* viewer = FindHelpViewer();
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(ShownTopic(viewer), "fill.htm");
    // The fill dialog stays on top of every window: its help must too, or it opens
    // underneath.
    EXPECT_TRUE(viewer->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    viewer->close();
    EXPECT_EQ(Fill(), f);
}

TEST_F(AutoFillTest, FillMethodStartsWithTheDefaultOrTheLastUsedAndListsTheHistory)
{
    OpenFour();
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_EQ(Line(Fill())->currentText(), QStringLiteral("^n^t^p^r"));
    EXPECT_EQ(Line(Fill())->count(), 0);
    Line(Fill())->setEditText(QStringLiteral("^p^r"));
    Press(Fill(), "cmdOK");
    FlushDeletes();

    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    EXPECT_EQ(Line(Fill())->currentText(), QStringLiteral("^p^r"));
    ASSERT_EQ(Line(Fill())->count(), 1);
    EXPECT_EQ(Line(Fill())->itemText(0), QStringLiteral("^p^r"));
    Press(Fill(), "cmdCancel");
    FlushDeletes();

    app_->History.Assign({u"^i", u"x^n", u"^p^r"});
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    ASSERT_EQ(Line(Fill())->count(), 3);
    EXPECT_EQ(Line(Fill())->itemText(2), QStringLiteral("^p^r"));
    EXPECT_EQ(Line(Fill())->currentText(), QStringLiteral("^i"));
}

TEST_F(AutoFillTest, PopUpItemsAppendTheirEscapeFocusTheFillMethodAndSelectIt)
{
    OpenFour();
    PressHotKey();
    frmFill* f = Fill();
    ASSERT_NE(f, nullptr);
    const QList<QAction*> items = In<QMenu>(f, "mnuPop")->actions();
    ASSERT_EQ(items.size(), 8);
    EXPECT_TRUE(items[5]->isSeparator());
    const struct {
        QAction* item;
        QString escape;
    } expected[] = {
        {items[0], QStringLiteral("^i")}, {items[1], QStringLiteral("^n")},
        {items[2], QStringLiteral("^p")}, {items[3], QStringLiteral("^t")},
        {items[4], QStringLiteral("^r")}, {items[6], QStringLiteral("^h")},
        {items[7], QStringLiteral("^^")},
    };
    QString text = Line(f)->currentText();
    for (const auto& e : expected) {
        SCOPED_TRACE(e.escape.toStdString());
        List(f)->setFocus();
        e.item->trigger();
        const qsizetype start = text.size();
        text += e.escape;
        EXPECT_EQ(Line(f)->currentText(), text);
        EXPECT_EQ(Line(f)->lineEdit()->selectionStart(), start);
        EXPECT_EQ(Line(f)->lineEdit()->selectedText(), e.escape);
        if (f->isActiveWindow())
            EXPECT_TRUE(Line(f)->hasFocus());
        else
            EXPECT_EQ(f->focusWidget(), Line(f)->lineEdit());
    }

    // ">>" opens the menu.
    QTest::mouseClick(In<QPushButton>(f, "cmdMacro"), Qt::LeftButton);
    EXPECT_TRUE(In<QMenu>(f, "mnuPop")->isVisible());
    In<QMenu>(f, "mnuPop")->hide();
}

TEST_F(AutoFillTest, OkRemembersTheMethodClosesActivatesTheTargetAndTypesTheRecord)
{
    OpenFour();
    app_->History.Assign({u"^i", u"x", u"^p^r", u"y"});
    SelectInTree(3);  // b-mail
    desktop_.ForegroundWindow = FillWindow{0x1600005};
    PressHotKey();
    frmFill* f = Fill();
    ASSERT_NE(f, nullptr);
    Line(f)->setEditText(QStringLiteral("^N^t^P^r"));
    bool openWhileActivating = true;
    FillHistory storedWhileActivating;
    desktop_.Activated.clear();
    desktop_.WhileActivating = [&](uint64_t) {
        openWhileActivating = Fill() != nullptr && Fill()->isVisible();
        LoadFillHistory(storedWhileActivating, app_->Registry);
    };
    Press(f, "cmdOK");

    EXPECT_FALSE(openWhileActivating);
    EXPECT_EQ(desktop_.Activated, std::vector<uint64_t>{0x1600005});
    EXPECT_EQ(storedWhileActivating.Items(),
              (std::vector<std::u16string>{u"^N^t^P^r", u"^i", u"x", u"^p^r", u"y"}));
    ASSERT_EQ(desktop_.Typed.size(), 1u);
    EXPECT_EQ(desktop_.Typed[0], u"张三\tp^w{}+%~()[]^\r\n");
}

TEST_F(AutoFillTest, EnterInTheListFillsAndEscapeOrTheCloseBoxCancels)
{
    OpenFour();
    // Enter alone, and with a modifier still held from the hot key.
    for (const Qt::KeyboardModifiers held :
         {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ShiftModifier),
          Qt::ControlModifier | Qt::AltModifier}) {
        desktop_.Typed.clear();
        PressHotKey();
        ASSERT_NE(Fill(), nullptr);
        QTest::keyClick(List(Fill()), Qt::Key_Down);
        QTest::keyClick(List(Fill()), Qt::Key_Return, held);
        EXPECT_EQ(Fill(), nullptr);
        ASSERT_EQ(desktop_.Typed.size(), 1u);
        EXPECT_EQ(desktop_.Typed[0], u"张三\tp^w{}+%~()[]^\r\n");
        FlushDeletes();
    }

    const std::vector<std::u16string> before = app_->History.Items();
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    Line(Fill())->setEditText(QStringLiteral("^i"));
    QTest::keyClick(List(Fill()), Qt::Key_Escape);
    EXPECT_EQ(Fill(), nullptr);
    FlushDeletes();

    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    Line(Fill())->setEditText(QStringLiteral("^i"));
    Fill()->close();
    EXPECT_EQ(Fill(), nullptr);

    EXPECT_EQ(desktop_.Typed.size(), 1u);
    EXPECT_EQ(app_->History.Items(), before);
    EXPECT_EQ(StoredHistory().Items(), before);
}

TEST_F(AutoFillTest, EnterInTheFillMethodFillsWithTheTextAsTyped)
{
    OpenFour();
    // A history line that a completion would offer for what is typed below.
    app_->History.Assign({u"^x", u"^i-^nz"});
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    Line(Fill())->setFocus();
    Line(Fill())->setEditText(QString());
    QTest::keyClicks(Line(Fill())->lineEdit(), QStringLiteral("^I-^n"));
    QTest::keyClick(Line(Fill())->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(Fill(), nullptr);
    ASSERT_EQ(desktop_.Typed.size(), 1u);
    EXPECT_EQ(desktop_.Typed[0], u"a-bank-alice");
    EXPECT_EQ(app_->History.Items(), (std::vector<std::u16string>{u"^I-^n", u"^x", u"^i-^nz"}));
}

TEST_F(AutoFillTest, AFillThatCannotGoWhollyIntoTheTargetTellsTheUser)
{
    struct Case {
        const char* name;
        bool activates;
        bool focused;
        size_t untypeableAt = FillDesktop::AllTypeable;
        MsgAnswer answer = MsgAnswer::No;
        bool copies = false;  // a copy dialog for the record follows
    };
    const Case cases[] = {
        {"the target cannot be activated", false, true},
        {"the target loses the focus", true, false},
        {"a character the desktop cannot type, copy declined", true, true, 3, MsgAnswer::No},
        {"a character the desktop cannot type, copy taken", true, true, 3, MsgAnswer::Yes, true},
    };
    OpenFour();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PressHotKey();
        ASSERT_NE(Fill(), nullptr);
        desktop_.ActivateSucceeds = c.activates;
        desktop_.Focused = c.focused;
        desktop_.UntypeableAt = c.untypeableAt;
        desktop_.Typed.clear();
        messages_->Boxes.clear();
        if (c.untypeableAt != FillDesktop::AllTypeable)
            messages_->Answers.push_back(c.answer);
        Press(Fill(), "cmdOK");
        EXPECT_TRUE(desktop_.Typed.empty() || desktop_.Typed[0].empty());
        EXPECT_EQ(messages_->Boxes.size(), 1u);
        FlushDeletes();
        ASSERT_EQ(Fill() != nullptr, c.copies);
        if (!c.copies)
            continue;
        // The record picked before, copied field by field instead.
        QGuiApplication::clipboard()->clear();
        Press(Fill(), "cmdOK");
        EXPECT_FALSE(QGuiApplication::clipboard()->text().isEmpty());
        Press(Fill(), "cmdCancel");
        FlushDeletes();
    }
    desktop_.UntypeableAt = FillDesktop::AllTypeable;
    // The fill was still chosen: the method is remembered.
    EXPECT_EQ(StoredHistory().Items(), std::vector<std::u16string>{u"^n^t^p^r"});
}

TEST_F(AutoFillTest, WhereNothingCanBeTypedEachPressCopiesUserNameThenPasswordTakenBackLater)
{
    struct Case {
        const char* name;
        std::function<void()> meanwhile;  // after the last copy
        bool cleared;
    };
    QClipboard* clipboard = QGuiApplication::clipboard();
    const Case cases[] = {
        {"the wait ends", [] {}, true},
        {"another program copied meanwhile", [&] { clipboard->setText(QStringLiteral("x")); },
         false},
        // Last: the watcher goes with the program.
        {"the program ends", [&] { filter_.reset(); }, true},
    };
    OpenFour();
    desktop_.Types = false;
    SelectInTree(3);  // b-mail
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PressHotKey();
        ASSERT_NE(Fill(), nullptr);
        ClipboardKeeper& keeper = filter_->Clipboard();
        QTest::keyClick(List(Fill()), Qt::Key_Return);
        EXPECT_EQ(clipboard->text(), QStringLiteral("张三"));
        ASSERT_NE(Fill(), nullptr);
        QTest::mouseClick(In<QPushButton>(Fill(), "cmdOK"), Qt::LeftButton);
        EXPECT_EQ(clipboard->text(), QStringLiteral("p^w{}+%~()[]^"));
        EXPECT_EQ(Fill(), nullptr);
        EXPECT_TRUE(keeper.ClearPending());
        c.meanwhile();
        if (filter_)
            keeper.ClearIfStillOurs();
        EXPECT_EQ(clipboard->text().isEmpty(), c.cleared) << clipboard->text().toStdString();
        FlushDeletes();
    }
    EXPECT_TRUE(desktop_.Typed.empty());
    EXPECT_TRUE(StoredHistory().Items().empty());
}

// What the escapes insert without a record is ExpandFillMacro's (FillMacroTest); here the
// dialog hands over no record rather than the owner record, whose password is the
// document password, or a record deleted while it was open.
TEST_F(AutoFillTest, WithoutARecordOnlyTheMethodsOwnTextIsTyped)
{
    struct Case {
        const char* name;
        bool deleteAllWhileOpen;  // else a new document without records
        QString method;
        std::u16string typed;
    };
    // The record picked and then deleted in the main window: nothing at all (the user is
    // told), not the method with empty fields.
    const Case cases[] = {
        {"the record deleted meanwhile", true, QStringLiteral("[^n|^p]"), u""},
        {"a new document", false, QStringLiteral("a^ib^nc^pd^t"), u"abcd\t"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (app_->Document.Modified)
            messages_->Answers.push_back(MsgAnswer::No);  // not saved
        if (c.deleteAllWhileOpen)
            OpenFour();
        else
            NewDocument(u"me", u"doc-secret");
        PressHotKey();
        ASSERT_NE(Fill(), nullptr);
        if (c.deleteAllWhileOpen) {
            List(Fill())->setCurrentRow(3);
            // The main window stays usable: the user clears the document meanwhile.
            messages_->Answers.push_back(MsgAnswer::Yes);
            rules_->Commands.passDelAll_Click();
            ASSERT_EQ(app_->Document.EntryCount(), 0);
        }
        Line(Fill())->setEditText(c.method);
        messages_->Boxes.clear();
        Press(Fill(), "cmdOK");
        FlushDeletes();
        ASSERT_EQ(desktop_.Typed.size(), c.typed.empty() ? 0u : 1u);
        EXPECT_EQ(messages_->Boxes.size(), c.typed.empty() ? 1u : 0u);
        if (!c.typed.empty()) {
            EXPECT_EQ(desktop_.Typed[0], c.typed);
        }
        desktop_.Typed.clear();
    }
}

TEST_F(AutoFillTest, ShutdownUnloadsTheDialogWithoutFilling)
{
    OpenFour();
    PressHotKey();
    ASSERT_NE(Fill(), nullptr);
    main_->UnloadForms();
    EXPECT_EQ(Fill(), nullptr);
    EXPECT_TRUE(desktop_.Typed.empty());
    EXPECT_TRUE(app_->History.Items().empty());
}

// The real platform back end over the recording desktop: the watcher takes keys from load
// to shutdown, and runs the show step in between.
class DesktopPlatformTest : public GuiTest {};

TEST_F(DesktopPlatformTest, WatcherTakesKeysFromLoadToShutdown)
{
    auto desktop = std::make_unique<RecordingDesktop>();
    RecordingDesktop& recording = *desktop;
    auto owned = std::make_unique<DesktopPlatform>(*app_, *main_, std::move(desktop));
    DesktopPlatform& platform = *owned;
    app_->SetPlatform(std::move(owned));
    platform_ = nullptr;

    main_->Form_Load();
    // No hook library beside the test program: no hot key from the keyboard, but key
    // events handed to the window's rules still reach the watcher.
    EXPECT_FALSE(platform.HotKeyHookActive());
    OpenDocument(MakeFile("p.kyq", u"o", u"pw", {Record(u"t", u"u", u"p")}), u"pw");

    auto send = [&](uint32_t key, uint32_t flags) {
        app_->HandleEventNow(HookKeyEventOf(key, flags));
    };
    send(17, Pressed);
    send(18, Pressed);
    send('P', Pressed);
    send('P', Released);
    ASSERT_NE(platform.HotKeyFilter().FillDialog(), nullptr);
    EXPECT_EQ(app_->Session.FillTarget, recording.ForegroundWindow);

    ASSERT_TRUE(main_->Form_Unload());
    EXPECT_EQ(platform.HotKeyFilter().FillDialog(), nullptr);
    EXPECT_TRUE(recording.Typed.empty());
    app_->Session.FillTarget = FillWindow{};
    send('P', Pressed);
    send('P', Released);
    EXPECT_FALSE(app_->Session.FillTarget.Known());
}

}  // namespace
}  // namespace kyq::test
