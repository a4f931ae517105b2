// The main window's own rules without a window: a recording view and platform stand in for
// the Qt window and the desktop. These run under the sanitizers too.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/workflow/CommonDialog.h"
#include "core/workflow/DocumentWorkflow.h"
#include "core/workflow/EntryCommands.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPresenter.h"
#include "core/workflow/MainWindowView.h"
#include "core/workflow/PasswordTree.h"
#include "support/DocumentTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/ScriptedMessageService.h"

namespace kyq::test {
namespace {

namespace fs = std::filesystem;

// Every call the rules make on the window or the desktop, in order, as one list of steps.
struct Steps {
    std::vector<std::string> List;
    void Add(std::string step) { List.push_back(std::move(step)); }
};

struct RecordingPlatform final : MainWindowPlatform {
    explicit RecordingPlatform(Steps& steps) : steps_(steps) {}
    bool TakesClose = false;
    void WriteHandleFile(uint64_t) override { steps_.Add("WriteHandleFile"); }
    void InstallHotKeyWatcher(MessageChain&, uint64_t) override { steps_.Add("InstallHotKeyWatcher"); }
    void AddTrayIcon() override { steps_.Add("AddTrayIcon"); }
    void RemoveShellMessageFilter(MessageChain&) override { steps_.Add("RemoveShellMessageFilter"); }
    void DeleteHandleFile() override { steps_.Add("DeleteHandleFile"); }
    void DeleteTrayIcon() override { steps_.Add("DeleteTrayIcon"); }
    void RemoveHotKeyWatcher(MessageChain&) override { steps_.Add("RemoveHotKeyWatcher"); }
    bool CloseToTray() override { return TakesClose; }
    bool MinimizeToTray() override
    {
        steps_.Add("MinimizeToTray");
        return true;
    }
    void HiddenInTray() override { steps_.Add("HiddenInTray"); }

private:
    Steps& steps_;
};

struct RecordingView final : MainWindowView {
    explicit RecordingView(Steps& steps) : steps_(steps) {}
    int Selected = 0;
    std::vector<FormId> Forms;
    std::vector<std::function<void()>> Waiting;  // until no dialog is open
    std::vector<WindowMessage> Reposted;
    std::vector<std::function<void()>> Later;  // from the event loop
    std::u16string TrayItem;
    std::function<void()> OnClose;  // the window system's answer to CloseWindow

    void SetCaption(const std::u16string&) override {}
    void SetStatusText(const std::u16string&) override {}
    void SetDocumentCommandsEnabled(bool) override {}
    void SetRecordCommandsEnabled(bool) override {}
    void SetUndoEnabled(bool) override {}
    void ShowTree(const std::u16string&, std::vector<std::u16string>) override { Selected = 0; }
    int SelectedPosition() const override { return Selected; }
    void SelectPosition(int position) override { Selected = position; }
    void ShowDetails(const std::array<std::u16string, 4>&) override {}
    void ClearFindBox() override {}
    bool ShowForm(FormId form) override
    {
        Forms.push_back(form);
        return true;
    }
    void ShowPasswordPrompt() override { steps_.Add("PasswordPrompt"); }
    void ClosePasswordPrompt() override {}

    uint64_t NativeWindow() override { return 42; }
    void UnloadOtherForms() override { steps_.Add("UnloadOtherForms"); }
    void ClearClipboard() override { steps_.Add("ClearClipboard"); }
    void OnUnloaded() override { steps_.Add("Unloaded"); }
    void CloseWindow() override
    {
        if (OnClose)
            OnClose();
    }
    void Repost(const WindowMessage& message) override { Reposted.push_back(message); }
    void RepostWhenNoDialogOpen(const WindowMessage& message) override
    {
        Waiting.push_back([this, message] { Repost(message); });
    }
    void RunLater(std::function<void()> work) override { Later.push_back(work); }
    void WhenNoDialogOpen(std::function<void()> action) override { Waiting.push_back(action); }
    void ActivateForDrop() override { steps_.Add("ActivateForDrop"); }
    void ShowHelp() override { steps_.Add("ShowHelp"); }
    void HideWindow() override { steps_.Add("HideWindow"); }
    void ShowWindowNormal() override { steps_.Add("ShowWindowNormal"); }
    void SetTrayItemText(const std::u16string& text) override { TrayItem = text; }

private:
    Steps& steps_;
};

class MainWindowRules : public ::testing::Test {
protected:
    static std::unique_ptr<KyqApp> MakeApp(const fs::path& folder, ScriptedMessageService*& boxes)
    {
        fs::create_directories(folder / "registry");
        auto messages = std::make_unique<ScriptedMessageService>();
        boxes = messages.get();
        return std::make_unique<KyqApp>(folder.string() + "/", folder / "registry",
                                        std::move(messages));
    }

    MainWindowRules()
    {
        auto platform = std::make_unique<RecordingPlatform>(steps_);
        platform_ = platform.get();
        app_->SetPlatform(std::move(platform));
        app_->Settings.Days = 32767;
        app_->WindowMessages.SetWindowProc([this](const WindowMessage& m) {
            sent_.push_back(m);
            return 0;
        });
    }

    // A document with two records, open and unchanged; the tree shows it.
    void OpenTwo()
    {
        const std::string path = (folder_ / "two.kyq").string();
        if (!fs::exists(path)) {
            ASSERT_TRUE(WriteDocument(MakeDocument(u"ann", u"pw", {Record(u"b", u"bob", u"pb"),
                                                                  Record(u"A", u"ann", u"pa")}),
                                      path));
        }
        app_->Document = PasswordDocument();
        ASSERT_TRUE(workflow_.ProbeDocument(path));
        ASSERT_TRUE(workflow_.Unlock(u"pw").Opened());
        steps_.List.clear();
    }

    ScratchFolder scratch_{"kyq-main-window"};
    const fs::path folder_ = scratch_.Path();
    Steps steps_;
    ScriptedMessageService* boxes_ = nullptr;
    RecordingPlatform* platform_ = nullptr;
    std::unique_ptr<KyqApp> app_ = MakeApp(folder_, boxes_);
    std::vector<WindowMessage> sent_;
    RecordingView view_{steps_};
    CommonDialog dialog_{*app_};
    PasswordTree tree_{*app_, view_};
    EntryCommands commands_{*app_, view_, tree_};
    DocumentWorkflow workflow_{*app_, view_, dialog_, tree_, commands_};
    MainWindowPresenter presenter_{*app_, view_, tree_, workflow_, commands_};
};

TEST_F(MainWindowRules, LoadAndUnloadRunTheirStepsInOrder)
{
    struct Case {
        bool clearClip;
        std::vector<std::string> unloadSteps;
    };
    const std::vector<std::string> platformSteps = {"DeleteHandleFile", "RemoveShellMessageFilter",
                                                    "DeleteTrayIcon", "RemoveHotKeyWatcher",
                                                    "Unloaded"};
    const Case cases[] = {
        {false, {"UnloadOtherForms"}},
        {true, {"ClearClipboard", "UnloadOtherForms"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.clearClip);
        steps_.List.clear();
        MainWindowPresenter presenter(*app_, view_, tree_, workflow_, commands_);
        presenter.Load();
        EXPECT_EQ(steps_.List, (std::vector<std::string>{"WriteHandleFile", "InstallHotKeyWatcher",
                                                         "AddTrayIcon"}));
        steps_.List.clear();
        app_->Settings.ClearClip = c.clearClip;
        ASSERT_TRUE(presenter.Unload());
        std::vector<std::string> expected = c.unloadSteps;
        expected.insert(expected.end(), platformSteps.begin(), platformSteps.end());
        EXPECT_EQ(steps_.List, expected);
        // Once only.
        EXPECT_TRUE(presenter.Unload());
        EXPECT_EQ(steps_.List, expected);
    }
    // The settings were saved on the way out.
    EXPECT_TRUE(app_->Registry.Read(Hive::CurrentUser).FindKey("Software\\Tarnwick\\KYQ\\Setting") != nullptr);
}

// Who closes the window (退出 or its close box), whether a dialog disables it, whether the
// tray takes the close box, and the answer at the save prompt of a changed document.
TEST_F(MainWindowRules, ClosingFollowsWhoClosesAndTheSavePrompt)
{
    struct Case {
        const char* name;
        bool exit;
        bool windowEnabled;
        bool trayTakes;
        std::optional<MsgAnswer> answer;
        bool closes;
    };
    const Case cases[] = {
        {"close box", false, true, false, std::nullopt, true},
        {"close box to the tray", false, true, true, std::nullopt, false},
        {"close box under a dialog", false, false, false, std::nullopt, false},
        {"exit under a dialog", true, false, true, std::nullopt, true},
        {"exit, cancelled at the prompt", true, true, false, MsgAnswer::Cancel, false},
        {"close box, not saved", false, true, false, MsgAnswer::No, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowPresenter presenter(*app_, view_, tree_, workflow_, commands_);
        OpenTwo();
        boxes_->Boxes.clear();
        if (c.answer) {
            app_->Document.Modified = true;
            boxes_->Answers = {*c.answer};
        }
        platform_->TakesClose = c.trayTakes;
        std::optional<bool> closed;
        view_.OnClose = [&] { closed = presenter.CloseRequested(c.windowEnabled); };
        if (c.exit)
            presenter.Exit();
        else
            view_.CloseWindow();
        ASSERT_TRUE(closed.has_value());
        EXPECT_EQ(*closed, c.closes);
        EXPECT_EQ(presenter.IsUnloaded(), c.closes);
        EXPECT_EQ(app_->Document.IsOpen(), !c.closes);
        EXPECT_EQ(boxes_->Boxes.size(), c.answer ? 1u : 0u);
        // An unloaded window lets any later close through without asking again.
        if (c.closes) {
            EXPECT_TRUE(presenter.CloseRequested(false));
        }
    }
}

// Save, user card and add need a document even from the toolbar, whose buttons are never
// greyed out; edit and delete need a selected record; help always works.
TEST_F(MainWindowRules, ToolbarButtonsCheckWhatTheyNeed)
{
    struct Case {
        int position;
        bool open;
        int selected;
        std::vector<FormId> forms;
        bool help;
    };
    const Case cases[] = {
        {3, false, 0, {}, false},
        {4, false, 0, {}, false},
        {5, false, 0, {}, false},
        {6, false, 0, {}, false},
        {7, false, 0, {}, false},
        {0, false, 0, {}, false},
        {9, true, 0, {}, false},
        {8, false, 0, {}, true},
        {4, true, 0, {FormId::frmUser}, false},
        {5, true, 0, {FormId::AddPass}, false},
        {6, true, 0, {}, false},
        {6, true, 3, {FormId::EditPass}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.position);
        app_->Document = PasswordDocument();
        tree_.ResetTree(true, true);
        if (c.open)
            OpenTwo();
        view_.Selected = c.selected;
        view_.Forms.clear();
        steps_.List.clear();
        boxes_->Boxes.clear();
        boxes_->FileRequests.clear();
        presenter_.ToolbarButton(c.position);
        EXPECT_EQ(view_.Forms, c.forms);
        EXPECT_EQ(steps_.List == std::vector<std::string>{"ShowHelp"}, c.help);
        EXPECT_TRUE(boxes_->Boxes.empty());
        EXPECT_TRUE(boxes_->FileRequests.empty());
    }
}

// Enter in the find box searches for a non-empty keyword while finding is on; Delete in the
// tree deletes the selected record; either with Shift, Ctrl or Alt does nothing.
TEST_F(MainWindowRules, FindBoxAndTreeKeys)
{
    struct Case {
        const char* name;
        bool inTree;
        MainWindowKey key;
        bool plain;
        bool findEnabled;
        std::u16string keyword;
        bool acts;
    };
    const Case cases[] = {
        {"enter", false, MainWindowKey::Enter, true, true, u"a", true},
        {"shift+enter", false, MainWindowKey::Enter, false, true, u"Ma", false},
        {"empty box", false, MainWindowKey::Enter, true, true, u"", false},
        {"finding off", false, MainWindowKey::Enter, true, false, u"Ma", false},
        {"delete in the box", false, MainWindowKey::Delete, true, true, u"Ma", false},
        {"delete", true, MainWindowKey::Delete, true, true, u"", true},
        {"ctrl+delete", true, MainWindowKey::Delete, false, true, u"", false},
        {"enter in the tree", true, MainWindowKey::Enter, true, true, u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenTwo();
        view_.Selected = 3;
        view_.Forms.clear();
        boxes_->Boxes.clear();
        boxes_->Answers = {MsgAnswer::No};
        app_->Session.FindKeyword.clear();
        if (c.inTree)
            presenter_.KeyInTree(c.key, c.plain);
        else
            presenter_.KeyInFindBox(c.key, c.plain, c.findEnabled, c.keyword);
        const bool searched = view_.Forms == std::vector<FormId>{FormId::FoundResult};
        EXPECT_EQ(searched || !boxes_->Boxes.empty(), c.acts);
        if (searched) {
            EXPECT_EQ(app_->Session.FindKeyword, c.keyword);
        }
        if (!boxes_->Boxes.empty()) {  // the record selected now, by the document's title
            EXPECT_EQ(boxes_->Boxes[0].Text, u"你确定要删除密码“b”吗？");
        }
    }
}

// While a reader runs every message waits for it; a hand-over waits for open dialogs; the
// rest goes through the window's handling at once. A drop waits for open dialogs as well.
TEST_F(MainWindowRules, MessagesAndDropsWaitForReadersAndDialogs)
{
    struct Case {
        const char* name;
        bool reader;
        bool dialog;
        uint32_t msg;
        bool sentNow;
        bool held;
        bool waits;
    };
    const Case cases[] = {
        {"hot key", false, false, WM_HOTKEY_HOOK, true, false, false},
        {"hand-over", false, false, WM_HANDOVER, true, false, false},
        {"hot key under a dialog", false, true, WM_HOTKEY_HOOK, true, false, false},
        {"hand-over under a dialog", false, true, WM_HANDOVER, false, false, true},
        {"hand-over while reading", true, true, WM_HANDOVER, false, true, false},
        {"end of session while reading", true, false, WM_QUERYENDSESSION, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sent_.clear();
        view_.Waiting.clear();
        view_.Reposted.clear();
        app_->Session.ReaderRunning = c.reader;
        if (c.dialog)
            app_->Modal.Enter();
        presenter_.MessageArrived({c.msg, 0, 7});
        EXPECT_EQ(sent_.size(), c.sentNow ? 1u : 0u);
        EXPECT_EQ(view_.Waiting.size(), c.waits ? 1u : 0u);
        app_->Session.ReaderRunning = false;
        presenter_.ReleaseHeldMessages();
        for (auto& action : view_.Waiting)
            action();
        // Whatever waited goes back to the window's queue, unchanged.
        ASSERT_EQ(view_.Reposted.size(), c.held || c.waits ? 1u : 0u);
        if (!view_.Reposted.empty()) {
            EXPECT_EQ(view_.Reposted[0].Msg, c.msg);
        }
        if (c.dialog)
            app_->Modal.Leave();
    }

    // A tray click while a reader runs waits for it too, then runs from the event loop.
    int clicks = 0;
    app_->Session.ReaderRunning = true;
    presenter_.RunOutsideReader([&] { ++clicks; });
    EXPECT_EQ(clicks, 0);
    app_->Session.ReaderRunning = false;
    presenter_.ReleaseHeldMessages();
    ASSERT_EQ(view_.Later.size(), 1u);
    view_.Later[0]();
    presenter_.RunOutsideReader([&] { ++clicks; });
    EXPECT_EQ(clicks, 2);

    const std::string file = (folder_ / "dropped.kyq").string();
    ASSERT_TRUE(WriteDocument(MakeDocument(u"bea", u"pw", {Record(u"t", u"u", u"p")}), file));
    for (const bool dialog : {false, true}) {
        SCOPED_TRACE(dialog);
        view_.Waiting.clear();
        steps_.List.clear();
        if (dialog)
            app_->Modal.Enter();
        presenter_.Drop({file, "second.kyq"});
        EXPECT_EQ(view_.Waiting.size(), dialog ? 1u : 0u);
        for (auto& action : view_.Waiting)
            action();
        EXPECT_EQ(steps_.List, (std::vector<std::string>{"ActivateForDrop", "PasswordPrompt"}));
        EXPECT_EQ(app_->Document.Path, file);
        if (dialog)
            app_->Modal.Leave();
        app_->Document = PasswordDocument();
    }
}

TEST_F(MainWindowRules, TrayItemOffersTheOtherStateAndMinimisingGoesToTheTray)
{
    presenter_.TrayShowClicked();
    EXPECT_TRUE(presenter_.IsHiddenInTray());
    EXPECT_EQ(view_.TrayItem, u"显示窗口");
    presenter_.TrayShowClicked();
    EXPECT_FALSE(presenter_.IsHiddenInTray());
    EXPECT_EQ(view_.TrayItem, u"隐藏窗口");
    presenter_.Minimized();
    EXPECT_EQ(steps_.List, (std::vector<std::string>{"HiddenInTray", "HideWindow",
                                                     "ShowWindowNormal", "MinimizeToTray"}));
}

// Each command that asks where to save takes a bare name typed into its dialog into the
// dialog's folder (not the program's working folder).
TEST_F(MainWindowRules, EverySaveDialogTakesABareNameIntoItsFolder)
{
    struct Case {
        const char* name;
        std::function<void()> command;
        std::optional<MsgAnswer> savePrompt;
    };
    const Case cases[] = {
        {"save", [this] { workflow_.fileSave_Click(); }, std::nullopt},
        {"save as", [this] { workflow_.fileSaveas_Click(); }, std::nullopt},
        {"close", [this] { workflow_.fileClose_Click(); }, MsgAnswer::Yes},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenTwo();
        app_->Document.Path = PasswordDocument::NewDocumentPath;  // untitled, as 新建 leaves it
        app_->Document.Modified = true;
        const std::string name = std::string(c.name) + ".kyq";
        fs::remove(folder_ / name);
        dialog_.InitDir = folder_.string();
        boxes_->Files = {name};
        if (c.savePrompt)
            boxes_->Answers = {*c.savePrompt};
        c.command();
        EXPECT_TRUE(fs::exists(folder_ / name));
        EXPECT_EQ(app_->Settings.LastFile, (folder_ / name).string());
        EXPECT_TRUE(dialog_.FileName.empty());
    }
}

// A rebuilt tree has no selection, and the selected record follows that at once (no view
// reports a selection lost with the rows it belonged to).
TEST_F(MainWindowRules, ARebuiltTreeLeavesNoRecordSelected)
{
    OpenTwo();
    tree_.SelectNode(3);
    EXPECT_EQ(app_->Session.SelectedIndex, 2);
    tree_.RebuildTree();
    EXPECT_EQ(app_->Session.SelectedIndex, 0);
    tree_.SelectNode(2);
    tree_.ResetTree(false, false);
    EXPECT_EQ(app_->Session.SelectedIndex, 0);
}

}  // namespace
}  // namespace kyq::test
