// The fixture of the main-window tests: a fresh application object over a temporary
// registry folder, the scripted message service, a platform back end that records its
// steps, and the real main window on the offscreen platform.
#pragma once

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/document/PasswordEntry.h"
#include "core/workflow/KyqApp.h"
#include "core/workflow/MainWindowPlatform.h"
#include "core/workflow/MainWindowRules.h"
#include "gui/main/frmMain.h"
#include "support/ScriptedMessageService.h"
#include "support/TestEntries.h"

namespace kyq {
class Asking;
class NewOne;
class PasswordTreeModel;
}  // namespace kyq

namespace kyq::test {

class RecordingPlatform final : public MainWindowPlatform {
public:
    std::vector<std::string> Steps;
    bool HideOnClose = false;
    bool HasTray = true;
    bool HotKeyBusy = false;
    bool GrabPaused = false;
    std::vector<HookKeyEvent> Keys;

    void WriteHandleFile(uint64_t) override { Steps.push_back("WriteHandleFile"); }
    void InstallHotKeyWatcher(uint64_t) override { Steps.push_back("InstallHotKeyWatcher"); }
    void AddTrayIcon() override { Steps.push_back("AddTrayIcon"); }
    void DeleteHandleFile() override { Steps.push_back("DeleteHandleFile"); }
    void DeleteTrayIcon() override { Steps.push_back("DeleteTrayIcon"); }
    void RemoveHotKeyWatcher() override { Steps.push_back("RemoveHotKeyWatcher"); }
    bool CloseToTray() override
    {
        Steps.push_back("CloseToTray");
        return HideOnClose;
    }
    void HotKeyChanged() override { Steps.push_back("HotKeyChanged"); }
    void HookKey(const HookKeyEvent& key) override { Keys.push_back(key); }
    void SetHotKeyGrabPaused(bool paused) override { GrabPaused = paused; }
    bool HotKeyHeldElsewhere() const override { return HotKeyBusy; }
    bool TrayUsable() const override { return HasTray; }
};

// A control of any form by its name, as the form named it.
template <class Widget>
Widget* In(const QWidget* form, const char* name)
{
    auto* control = form->findChild<Widget*>(QString::fromLatin1(name));
    EXPECT_NE(control, nullptr) << name;
    return control;
}
// The page a help window shows, by its file name ("" before any).
inline std::string ShownTopic(const QWidget* help)
{
    return In<QTextBrowser>(help, "Browser")->source().fileName().toStdString();
}
// What a user does in a form: text into a named box, a click on a named button.
inline void Type(const QWidget* form, const char* box, const QString& text)
{
    In<QLineEdit>(form, box)->setText(text);
}
inline void Type(const QWidget* form, const char* box, const std::u16string& text)
{
    Type(form, box, QString::fromStdU16String(text));
}
inline void Press(const QWidget* form, const char* button)
{
    In<QPushButton>(form, button)->click();
}
// A named timer of a form running out.
inline void Expire(const QWidget* form, const char* timer)
{
    QMetaObject::invokeMethod(In<QTimer>(form, timer), "timeout", Qt::DirectConnection);
}
// A named action chosen as from its menu or tool bar.
inline void Trigger(const QWidget* form, const char* action)
{
    In<QAction>(form, action)->trigger();
}

class GuiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A format-200 document in the temporary folder; returns its path.
    std::string MakeFile(const std::string& name, std::u16string owner, std::u16string password,
                         std::vector<PasswordEntry> entries);
    // The open command, the file dialog answered with path, the prompt answered with the
    // password. Boxes on the way take the queued answers.
    void OpenDocument(const std::string& path, const std::u16string& password);
    // a.kyq (owner ann, password pw) holding FourRecords(), opened; no box left recorded.
    void OpenFourRecords();
    // A new untitled document through NewOne.
    void NewDocument(const std::u16string& owner, const std::u16string& password);

    Asking* Prompt() const;
    NewOne* NewDialog() const;
    // Runs the deletions that unloaded forms asked for.
    static void FlushDeletes();

    // A control of the main window by its name ("txtKey", "TV1", "Frame1", ...).
    template <class Widget>
    Widget* Control(const char* name) const
    {
        auto* control = main_->findChild<Widget*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    QLineEdit* Box(const char* name) const { return Control<QLineEdit>(name); }
    QTreeView* TreeView() const;
    PasswordTreeModel& TreeModel() const;

    std::vector<std::u16string> TreeRows() const;
    std::u16string RootText() const;
    // A mouse click on the node at a position (1 = root).
    void ClickNode(int position);
    void DoubleClickNode(int position);
    std::string Folder() const { return dir_.path().toStdString(); }

    QTemporaryDir dir_;
    ScriptedMessageService* messages_ = nullptr;  // owned by app_
    RecordingPlatform* platform_ = nullptr;       // owned by app_
    std::unique_ptr<KyqApp> app_;
    // What the application's assembly owns: the rules outlive the window over them.
    std::unique_ptr<MainWindowRules> rules_;
    std::unique_ptr<frmMain> main_;
};

}  // namespace kyq::test
