// The options dialog: what it shows, hot-key capture, Apply/OK/Cancel, the state the
// hot-key watcher reads, and the *.kyq association in temporary desktop folders.
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/settings/FileAssociation.h"
#include "gui/AppFormsFixture.h"
#include "gui/shell/Options.h"

namespace kyq::test {
namespace {

class OptionsTest : public AppFormsTest {
protected:
    Options* Open()
    {
        Trigger(main_.get(), "toolOption");
        auto* options = qobject_cast<Options*>(main_->FindForm(QStringLiteral("Options")));
        EXPECT_NE(options, nullptr);
        return options;
    }

    // A key pressed in the hot-key box with the focus in it, as the user does it.
    static void PressInKeyBox(Options* options, Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        options->activateWindow();
        In<QLineEdit>(options, "txtKey")->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(In<QLineEdit>(options, "txtKey"), key, modifiers);
    }

    // The number box inside the day counter, where digits are typed.
    static QLineEdit* DaysBox(const Options* options)
    {
        return In<QSpinBox>(options, "UpDown1")->findChild<QLineEdit*>();
    }

    // The settings as the registry holds them now.
    AppSettings Saved() const
    {
        AppSettings saved;
        LoadSettings(saved, app_->Registry, app_->ProgramFolder);
        return saved;
    }

    FileAssociation Association() const { return FileAssociation(DataHome(), ConfigHome()); }

    void SetOtherDefault(const std::string& desktopId)
    {
        WriteFile(ConfigHome() + "/mimeapps.list",
                  "[Default Applications]\napplication/x-keyquill=" + desktopId + "\n");
    }
};

TEST_F(OptionsTest, LoadShowsTheSettingsAndPublishesTheWindow)
{
    app_->Settings.hotKey = HotKey{false, true, true, 'Q'};
    app_->Settings.AutoLoad = true;
    app_->Settings.ClearClip = false;
    app_->Settings.CloseMin = true;
    app_->Settings.Days = 90;
    app_->Settings.DblClick = 2;
    Options* options = Open();
    ASSERT_NE(options, nullptr);

    EXPECT_EQ(In<QLineEdit>(options, "txtKey")->text(), QStringLiteral("Shift+Ctrl+Q"));
    EXPECT_TRUE(In<QLineEdit>(options, "txtKey")->isReadOnly());
    EXPECT_TRUE(In<QCheckBox>(options, "chkAutoLoad")->isChecked());
    EXPECT_FALSE(In<QCheckBox>(options, "chkClear")->isChecked());
    EXPECT_TRUE(In<QCheckBox>(options, "chkMin")->isChecked());
    EXPECT_EQ(In<QSpinBox>(options, "UpDown1")->value(), 90);
    EXPECT_EQ(DaysBox(options)->text(), QStringLiteral("90"));
    EXPECT_TRUE(In<QRadioButton>(options, "optEdit")->isChecked());
    EXPECT_FALSE(In<QRadioButton>(options, "optShow")->isChecked());
    EXPECT_FALSE(In<QCheckBox>(options, "chkExt")->isChecked());  // nothing associated in the fresh folders
    EXPECT_FALSE(In<QPushButton>(options, "Command3")->isEnabled());

    EXPECT_FALSE(main_->isEnabled());
    EXPECT_FALSE(app_->Session.OptionsClosed);

    Press(options, "Command2");
    FlushDeletes();
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(app_->Session.OptionsClosed);

    // A stored key without a name shows the modifiers only (HotKeyTextTest); anything but
    // 2 is "show".
    app_->Settings.hotKey = HotKey{true, true, false, 13};
    app_->Settings.DblClick = 7;
    options = Open();
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(In<QLineEdit>(options, "txtKey")->text(), QStringLiteral("Ctrl+Alt+"));
    EXPECT_TRUE(In<QRadioButton>(options, "optShow")->isChecked());
}

TEST_F(OptionsTest, OpensWhollyOnTheScreenOverAMainWindowInACorner)
{
    main_->move(0, 0);
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(options->screen()->availableGeometry().contains(options->frameGeometry()))
        << options->frameGeometry().x() << "," << options->frameGeometry().y();
}

TEST_F(OptionsTest, CapturedKeysShowTheirTextAndBecomeTheWorkingHotKey)
{
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        const char* text;
        HotKey hotKey;
    };
    const Case cases[] = {
        {Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, "Ctrl+Alt+K", {true, true, false, 'K'}},
        {Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier, "Shift+Ctrl+F5", {false, true, true, 116}},
        {Qt::Key_7, Qt::AltModifier, "Alt+7", {true, false, false, '7'}},
        {Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier, "Ctrl+Alt+Space", {true, true, false, 32}},
        {Qt::Key_F12, Qt::NoModifier, "F12", {false, false, false, 123}},
        {Qt::Key_Left, Qt::ShiftModifier | Qt::AltModifier, "Shift+Alt+Left", {true, false, true, 37}},
        // Shift turns the digit keys into symbols; the key is still the digit.
        {Qt::Key_Exclam, Qt::ShiftModifier | Qt::ControlModifier, "Shift+Ctrl+1", {false, true, true, '1'}},
        {Qt::Key_ParenRight, Qt::ShiftModifier, "Shift+0", {false, false, true, '0'}},
        // Alt+A is the Apply button's mnemonic; in the box it is a hot key like any other.
        {Qt::Key_A, Qt::AltModifier, "Alt+A", {true, false, false, 'A'}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PressInKeyBox(options, c.key, c.modifiers);
        EXPECT_EQ(In<QLineEdit>(options, "txtKey")->text().toStdString(), c.text);
        EXPECT_EQ(options->WorkingHotKey(), c.hotKey);
    }
    EXPECT_TRUE(In<QPushButton>(options, "Command3")->isEnabled());
    // None of the presses applied anything.
    EXPECT_EQ(app_->Settings.hotKey, HotKey{});
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), options);

    // The box claims a combination before the shortcuts see it, so Alt+A does not press
    // Apply there; Tab and Esc keep moving the focus and cancelling.
    const auto claimed = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent override(QEvent::ShortcutOverride, key, modifiers);
        override.ignore();
        QApplication::sendEvent(In<QLineEdit>(options, "txtKey"), &override);
        return override.isAccepted();
    };
    EXPECT_TRUE(claimed(Qt::Key_A, Qt::AltModifier));
    EXPECT_TRUE(claimed(Qt::Key_P, Qt::ControlModifier));
    EXPECT_FALSE(claimed(Qt::Key_Tab, Qt::NoModifier));
    EXPECT_FALSE(claimed(Qt::Key_Escape, Qt::NoModifier));
}

TEST_F(OptionsTest, KeysWithoutANameChangeNothing)
{
    app_->Settings.hotKey = HotKey{true, true, false, 'P'};
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    const std::pair<Qt::Key, Qt::KeyboardModifiers> presses[] = {
        {Qt::Key_Control, Qt::ControlModifier},
        {Qt::Key_Return, Qt::ControlModifier},
        {Qt::Key_7, Qt::KeypadModifier | Qt::AltModifier},  // keypad digits are not digits
        {Qt::Key_Exclam, Qt::NoModifier},                    // a symbol key without Shift
        {Qt::Key_Comma, Qt::ControlModifier},
        {Qt::Key_Delete, Qt::NoModifier},
        {Qt::Key_F13, Qt::NoModifier},
    };
    for (const auto& [key, modifiers] : presses) {
        PressInKeyBox(options, key, modifiers);
        EXPECT_EQ(In<QLineEdit>(options, "txtKey")->text(), QStringLiteral("Ctrl+Alt+P")) << key;
    }
    EXPECT_EQ(options->WorkingHotKey(), (HotKey{true, true, false, 'P'}));
    EXPECT_FALSE(In<QPushButton>(options, "Command3")->isEnabled());
    // Enter alone in the box is no hot key: it is the dialog's OK.
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), options);
    PressInKeyBox(options, Qt::Key_Enter, Qt::KeypadModifier);
    FlushDeletes();
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
}

TEST_F(OptionsTest, ApplyCopiesEveryControlIntoTheSettingsAndSavesThem)
{
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    PressInKeyBox(options, Qt::Key_F5, Qt::ControlModifier | Qt::ShiftModifier);
    In<QCheckBox>(options, "chkAutoLoad")->click();
    In<QCheckBox>(options, "chkClear")->click();
    In<QCheckBox>(options, "chkMin")->click();
    In<QSpinBox>(options, "UpDown1")->stepUp();
    In<QRadioButton>(options, "optEdit")->click();
    ASSERT_TRUE(In<QPushButton>(options, "Command3")->isEnabled());

    Press(options, "Command3");
    EXPECT_FALSE(In<QPushButton>(options, "Command3")->isEnabled());
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), options);  // Apply keeps it open

    const AppSettings& now = app_->Settings;
    EXPECT_EQ(now.hotKey, (HotKey{false, true, true, 116}));
    EXPECT_TRUE(now.AutoLoad);
    EXPECT_TRUE(now.ClearClip);
    EXPECT_FALSE(now.CloseMin);
    EXPECT_EQ(now.Days, 1);  // the fixture starts from 0
    EXPECT_EQ(now.DblClick, 2);

    const AppSettings saved = Saved();
    EXPECT_EQ(saved.hotKey, now.hotKey);
    EXPECT_EQ(saved.AutoLoad, true);
    EXPECT_EQ(saved.ClearClip, true);
    EXPECT_EQ(saved.CloseMin, false);
    EXPECT_EQ(saved.Days, 1);
    EXPECT_EQ(saved.DblClick, 2);

    // Each control alone enables Apply again.
    In<QRadioButton>(options, "optShow")->click();
    EXPECT_TRUE(In<QPushButton>(options, "Command3")->isEnabled());
    Press(options, "Command3");
    EXPECT_EQ(app_->Settings.DblClick, 1);
    In<QCheckBox>(options, "chkExt")->click();
    EXPECT_TRUE(In<QPushButton>(options, "Command3")->isEnabled());
}

// Without a notification area closing quits whatever the setting says: the box is not
// offered, and Apply keeps the stored setting for a desktop that has one.
TEST_F(OptionsTest, WithoutATrayClosingToItIsNotOfferedAndTheSettingIsKept)
{
    platform_->HasTray = false;
    app_->Settings.CloseMin = true;
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(In<QCheckBox>(options, "chkMin")->isEnabled());
    EXPECT_FALSE(In<QCheckBox>(options, "chkMin")->isChecked());
    EXPECT_TRUE(In<QLabel>(options, "lblMinNote")->isVisibleTo(options));
    Press(options, "Command1");
    EXPECT_TRUE(app_->Settings.CloseMin);
    EXPECT_TRUE(Saved().CloseMin);
}

// The keyboard hook takes the new chord from other programs as soon as it is applied; while
// the dialog has the focus the chord is left to its key box, and taken again when it closes.
TEST_F(OptionsTest, ApplyHandsAChangedHotKeyToTheHook)
{
    const auto retakes = [this] {
        return std::count(platform_->Steps.begin(), platform_->Steps.end(), "HotKeyChanged");
    };
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    // The offscreen platform activates no window by itself.
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    QApplication::setActiveWindow(options);
#else
    options->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(options));
#endif
    EXPECT_TRUE(platform_->GrabPaused);
    In<QCheckBox>(options, "chkClear")->click();
    Press(options, "Command3");
    EXPECT_EQ(retakes(), 0);
    PressInKeyBox(options, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
    Press(options, "Command3");
    EXPECT_EQ(retakes(), 1);
    Press(options, "Command1");
    EXPECT_FALSE(platform_->GrabPaused);
}

TEST_F(OptionsTest, CancelAndTheCloseBoxChangeNothing)
{
    const AppSettings before = app_->Settings;
    const std::string hive = Folder() + "/registry/HKEY_CURRENT_USER.reg";
    const std::string savedBefore = ReadFile(hive);
    for (bool closeBox : {false, true}) {
        Options* options = Open();
        ASSERT_NE(options, nullptr);
        PressInKeyBox(options, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
        In<QCheckBox>(options, "chkAutoLoad")->click();
        In<QCheckBox>(options, "chkExt")->click();
        In<QSpinBox>(options, "UpDown1")->setValue(200);
        In<QRadioButton>(options, "optEdit")->click();
        if (closeBox)
            options->close();
        else
            Press(options, "Command2");
        FlushDeletes();
        EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
        EXPECT_TRUE(main_->isEnabled());
        EXPECT_TRUE(app_->Session.OptionsClosed);
        EXPECT_EQ(app_->Settings.hotKey, before.hotKey);
        EXPECT_EQ(app_->Settings.AutoLoad, before.AutoLoad);
        EXPECT_EQ(app_->Settings.Days, before.Days);
        EXPECT_EQ(app_->Settings.DblClick, before.DblClick);
        EXPECT_FALSE(Association().IsAssociated());
        EXPECT_FALSE(std::filesystem::exists(Association().DesktopEntryPath()));
        EXPECT_EQ(ReadFile(hive), savedBefore);  // nothing saved
    }
}

TEST_F(OptionsTest, OkWithNothingChangedStillRewritesSettingsAndAssociation)
{
    ASSERT_TRUE(Association().Register("/opt/old/KYQ"));
    app_->Settings.Days = 45;
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    ASSERT_TRUE(In<QCheckBox>(options, "chkExt")->isChecked());
    ASSERT_FALSE(In<QPushButton>(options, "Command3")->isEnabled());

    Press(options, "Command1");
    FlushDeletes();
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(app_->Session.OptionsClosed);
    EXPECT_EQ(Saved().Days, 45);
    // The desktop entry now starts this program, with the product icon installed.
    const std::string entry = ReadFile(Association().DesktopEntryPath());
    EXPECT_NE(entry.find("Exec=" + FileAssociation::ExecArgument(
                             QCoreApplication::applicationFilePath().toStdString()) + " %f"),
              std::string::npos)
        << entry;
    EXPECT_NE(ReadFile(Association().IconPath()).find("<svg"), std::string::npos);
    EXPECT_TRUE(Association().IsAssociated());
}

// The other settings are applied, but the ticked box that did not take is not left unsaid.
TEST_F(OptionsTest, AnAssociationThatCannotBeWrittenIsTold)
{
    std::filesystem::remove_all(DataHome());
    std::ofstream(DataHome()) << "x";  // a plain file where the data folder should be
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    const size_t before = messages_->Boxes.size();
    In<QCheckBox>(options, "chkExt")->click();
    Press(options, "Command3");
    EXPECT_EQ(messages_->Boxes.size(), before + 1);
    options->close();
    FlushDeletes();
}

TEST_F(OptionsTest, TickingRegistersAndUntickingRemovesTheAssociation)
{
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    ASSERT_FALSE(In<QCheckBox>(options, "chkExt")->isChecked());
    In<QCheckBox>(options, "chkExt")->click();
    Press(options, "Command3");
    EXPECT_TRUE(Association().IsAssociated());
    EXPECT_TRUE(std::filesystem::exists(Association().MimePackagePath()));
    Press(options, "Command1");
    FlushDeletes();

    options = Open();
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(In<QCheckBox>(options, "chkExt")->isChecked());  // shows the association as it is now
    In<QCheckBox>(options, "chkExt")->click();
    Press(options, "Command1");
    FlushDeletes();
    EXPECT_FALSE(Association().IsAssociated());
    EXPECT_FALSE(std::filesystem::exists(Association().DesktopEntryPath()));
    EXPECT_FALSE(std::filesystem::exists(Association().MimePackagePath()));
}

TEST_F(OptionsTest, AnotherProgramsAssociationIsLeftAloneWhileTheBoxStaysUnticked)
{
    SetOtherDefault("other-viewer.desktop");
    const std::string theirs = ReadFile(ConfigHome() + "/mimeapps.list");
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(In<QCheckBox>(options, "chkExt")->isChecked());
    // Apply with the box unticked as shown: their default stays exactly as it was.
    In<QCheckBox>(options, "chkAutoLoad")->click();
    Press(options, "Command3");
    EXPECT_EQ(ReadFile(ConfigHome() + "/mimeapps.list"), theirs);
    // Theirs coming back after ours is FileAssociationTest's.
}

TEST_F(OptionsTest, DaysStayBetweenZeroAnd365AndTakeNoTyping)
{
    for (const auto& [stored, shown] : {std::pair<int16_t, int>{1000, 365}, {-5, 0}, {365, 365}, {0, 0}}) {
        app_->Settings.Days = stored;
        Options* options = Open();
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(In<QSpinBox>(options, "UpDown1")->value(), shown) << stored;
        In<QSpinBox>(options, "UpDown1")->stepUp();
        In<QSpinBox>(options, "UpDown1")->stepDown();
        In<QSpinBox>(options, "UpDown1")->stepBy(shown == 0 ? -1 : 1);  // beyond the ends stays at the end
        EXPECT_EQ(In<QSpinBox>(options, "UpDown1")->value(), shown);
        Press(options, "Command1");
        FlushDeletes();
        EXPECT_EQ(app_->Settings.Days, shown);
        EXPECT_EQ(Saved().Days, shown);
    }

    app_->Settings.Days = 30;
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    options->activateWindow();
    In<QSpinBox>(options, "UpDown1")->setFocus(Qt::OtherFocusReason);
    DaysBox(options)->selectAll();
    QTest::keyClicks(In<QSpinBox>(options, "UpDown1"), "7");  // typed digits and Backspace are taken
    EXPECT_EQ(In<QSpinBox>(options, "UpDown1")->value(), 7);
    QTest::keyClick(In<QSpinBox>(options, "UpDown1"), Qt::Key_Backspace);
    QTest::keyClicks(In<QSpinBox>(options, "UpDown1"), "45");
    EXPECT_EQ(In<QSpinBox>(options, "UpDown1")->value(), 45);
    QTest::keyClick(In<QSpinBox>(options, "UpDown1"), Qt::Key_Up);  // the arrow keys work like the arrows
    EXPECT_EQ(In<QSpinBox>(options, "UpDown1")->value(), 46);
    DaysBox(options)->selectAll();
    QTest::keyClicks(In<QSpinBox>(options, "UpDown1"), "999");  // past the range: not taken
    EXPECT_LE(In<QSpinBox>(options, "UpDown1")->value(), 365);
    EXPECT_TRUE(In<QPushButton>(options, "Command3")->isEnabled());
}

TEST_F(OptionsTest, MainWindowShutdownUnloadsTheDialogAndClearsThePublishedState)
{
    Options* options = Open();
    ASSERT_NE(options, nullptr);
    ASSERT_FALSE(app_->Session.OptionsClosed);
    main_->UnloadForms();
    FlushDeletes();
    EXPECT_EQ(main_->FindForm(QStringLiteral("Options")), nullptr);
    EXPECT_TRUE(app_->Session.OptionsClosed);
}

TEST(OptionsKeys, VirtualKeyCodesOfQtKeys)
{
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_A, Qt::NoModifier), 65);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_Z, Qt::ShiftModifier), 90);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_0, Qt::NoModifier), 48);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_9, Qt::KeypadModifier), 105);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_F1, Qt::NoModifier), 112);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_F12, Qt::NoModifier), 123);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_Down, Qt::KeypadModifier), 40);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_At, Qt::ShiftModifier), '2');
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_At, Qt::ShiftModifier | Qt::KeypadModifier), 0);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_Shift, Qt::ShiftModifier), 0);
    EXPECT_EQ(Options::VirtualKeyOfKey(Qt::Key_Tab, Qt::NoModifier), 0);
    EXPECT_EQ(Options::ShiftStateOf(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(Options::ShiftStateOf(Qt::ControlModifier | Qt::KeypadModifier), 2);
}

}  // namespace
}  // namespace kyq::test
