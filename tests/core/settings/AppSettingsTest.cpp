#include "core/settings/AppSettings.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>

#include "core/settings/FillHistory.h"
#include "core/settings/Registry.h"
#include "platform/RegistryTestFolder.h"

namespace kyq {
namespace {

using testing::RegistryTestFolder;

constexpr char ProgramFolder[] = "/opt/keyquill/";
constexpr char ProgramKey[] = "Software\\Tarnwick\\KYQ";
constexpr char KeyKey[] = "Software\\Tarnwick\\KYQ\\Key";
constexpr char SettingKey[] = "Software\\Tarnwick\\KYQ\\Setting";
constexpr char HistoryKey[] = "Software\\Tarnwick\\KYQ\\History";

class AppSettingsTest : public ::testing::Test {
protected:
    void SetText(const char* key, const char* name, const std::string& text)
    {
        EXPECT_TRUE(WriteTextValue(store, Hive::CurrentUser, key, name, text));
    }
    void SetNumber(const char* name, int32_t number)
    {
        EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, KeyKey, name, number));
    }
    std::string Stored(const char* key, const char* name)
    {
        return ReadTextValue(store, Hive::CurrentUser, key, name);
    }
    // Starts from values unlike every default, so a field that loading forgets shows.
    AppSettings Loaded()
    {
        AppSettings s;
        s.hotKey = HotKey{false, false, true, 1};
        s.LastFile = "stale";
        s.DblClick = 9;
        s.Days = 9;
        s.AutoLoad = true;
        s.ClearClip = true;
        s.CloseMin = false;
        s.InitDir = "stale";
        LoadSettings(s, store, ProgramFolder);
        return s;
    }

    RegistryTestFolder tmp;
    RegistryStore store{tmp.Hives()};
};

TEST_F(AppSettingsTest, AnEmptyRegistryGivesTheDefaults)
{
    const AppSettings s = Loaded();
    EXPECT_EQ(s.hotKey, (HotKey{true, true, false, 80}));
    EXPECT_EQ(s.LastFile, "");
    EXPECT_EQ(s.DblClick, 1);
    EXPECT_EQ(s.Days, 60);
    EXPECT_FALSE(s.AutoLoad);
    EXPECT_FALSE(s.ClearClip);
    EXPECT_TRUE(s.CloseMin);
    EXPECT_EQ(s.InitDir, "/opt/keyquill");
    // Loading writes nothing.
    EXPECT_FALSE(std::filesystem::exists(tmp.Hives()));
}

TEST_F(AppSettingsTest, HotKeyCodesReadOneAsOnAndZeroAsTheDefault)
{
    struct Case {
        int32_t alt, ctrl, shift, main;
        HotKey expected;
    };
    const Case cases[] = {
        {0, 0, 0, 0, {true, true, false, 80}},
        {1, 1, 1, 112, {true, true, true, 112}},
        {2, 2, 2, 65, {false, false, false, 65}},
        {3, 3, 3, 80, {false, false, false, 80}},
        {-1, 1, 0, -5, {false, true, false, -5}},
    };
    for (const Case& c : cases) {
        SetNumber("Alt", c.alt);
        SetNumber("Ctrl", c.ctrl);
        SetNumber("Shift", c.shift);
        SetNumber("Main", c.main);
        EXPECT_EQ(Loaded().hotKey, c.expected) << c.alt << " " << c.ctrl << " " << c.shift;
    }
    // A code stored as text is not a number and reads as missing.
    SetText(KeyKey, "Alt", "2");
    SetText(KeyKey, "Main", "66");
    EXPECT_TRUE(Loaded().hotKey.Alt);
    EXPECT_EQ(Loaded().hotKey.Main, 80);
}

TEST_F(AppSettingsTest, NumbersAndWordsReadFromTextFollowTheirRules)
{
    const struct {
        const char* text;
        int days;
    } days[] = {{"0", 0}, {"", 60}, {"abc", 0}, {"-5", -5}, {"90 天", 90}, {"7.5", 8},
                {"32767", 32767}, {"32768", 60}, {"-32768", -32768}};
    for (const auto& d : days) {
        SetText(SettingKey, "Days", d.text);
        EXPECT_EQ(Loaded().Days, d.days) << "Days=" << d.text;
    }

    const struct {
        const char* text;
        int dblClick;
    } clicks[] = {{"0", 1}, {"", 1}, {"2", 2}, {"x", 1}, {"255", 255}, {"256", 1}, {"-2", 1}};
    for (const auto& c : clicks) {
        SetText(SettingKey, "DblClick", c.text);
        EXPECT_EQ(Loaded().DblClick, c.dblClick) << "DblClick=" << c.text;
    }

    const struct {
        const char* text;
        bool on;       // AutoLoad and ClearClip
        bool closeMin;
    } words[] = {{"TRUE", true, true},   {"true", true, true},     {"True", true, true},
                 {"tRuE", true, true},   {"", false, true},        {"yes", false, false},
                 {"1", false, false},    {" true", false, false},  {"False", false, false},
                 {"true ", false, false}};
    for (const auto& w : words) {
        SetText(SettingKey, "AutoLoad", w.text);
        SetText(SettingKey, "ClearClip", w.text);
        SetText(SettingKey, "CloseMin", w.text);
        const AppSettings s = Loaded();
        EXPECT_EQ(s.AutoLoad, w.on) << w.text;
        EXPECT_EQ(s.ClearClip, w.on) << w.text;
        EXPECT_EQ(s.CloseMin, w.closeMin) << w.text;
    }

    SetText(SettingKey, "InitDir", "/srv/docs");
    EXPECT_EQ(Loaded().InitDir, "/srv/docs");
}

TEST_F(AppSettingsTest, SavedHivesAreTheCurrentLayoutInReadableText)
{
    AppSettings s;
    s.hotKey = HotKey{false, true, true, 116};
    s.LastFile = "/home/用户/文档/我的\"密码\".kyq";
    s.DblClick = 2;
    s.Days = -3;
    s.AutoLoad = true;
    s.Sealed = true;
    s.InitDir = "/somewhere/else";
    EXPECT_TRUE(SaveSettings(s, store, ProgramFolder));
    EXPECT_EQ(s.InitDir, "/home/用户/文档");
    EXPECT_TRUE(Loaded().Sealed);

    EXPECT_EQ(tmp.ReadFile("HKEY_CURRENT_USER.reg"),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ]\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Key]\n"
              "\"Alt\"=dword:00000002\n"
              "\"Ctrl\"=dword:00000001\n"
              "\"Shift\"=dword:00000001\n"
              "\"Main\"=dword:00000074\n"
              "\n"
              "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Setting]\n"
              "\"DblClick\"=\"2\"\n"
              "\"AutoLoad\"=\"True\"\n"
              "\"ClearClip\"=\"False\"\n"
              "\"CloseMin\"=\"True\"\n"
              "\"Days\"=\"-3\"\n"
              "\"Sealed\"=\"True\"\n"
              "\"InitDir\"=\"/home/用户/文档\"\n"
              "\"LastFile\"=\"/home/用户/文档/我的\\\"密码\\\".kyq\"\n"
              "\n");
    EXPECT_EQ(tmp.ReadFile("HKEY_LOCAL_MACHINE.reg"),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Tarnwick]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Tarnwick\\KYQ]\n"
              "\"Version\"=\"2.01.0026\"\n"
              "\"Path\"=\"/opt/keyquill/\"\n"
              "\n");
    EXPECT_EQ(InstalledVersion(store), "2.01.0026");
    EXPECT_EQ(InstalledPath(store), "/opt/keyquill/");
}

TEST_F(AppSettingsTest, SaveThenLoadGivesTheSameSettingsChinesePathIncluded)
{
    AppSettings s;
    s.hotKey = HotKey{true, false, true, 32};
    s.LastFile = "/home/张三/密码本/工作 (2024).kyq";
    s.DblClick = 2;
    s.Days = 0;
    s.ClearClip = true;
    s.CloseMin = false;
    EXPECT_TRUE(SaveSettings(s, store, ProgramFolder));

    const AppSettings back = Loaded();
    EXPECT_EQ(back.hotKey, s.hotKey);
    EXPECT_EQ(back.LastFile, s.LastFile);
    EXPECT_EQ(back.DblClick, 2);
    EXPECT_EQ(back.Days, 0);
    EXPECT_FALSE(back.AutoLoad);
    EXPECT_TRUE(back.ClearClip);
    EXPECT_FALSE(back.CloseMin);
    EXPECT_EQ(back.InitDir, "/home/张三/密码本");
}

TEST_F(AppSettingsTest, SaveReplacesTheInitialFolderWithTheFolderOfTheLastFile)
{
    SetText(SettingKey, "InitDir", "/loaded/at/start");
    AppSettings s = Loaded();
    EXPECT_EQ(s.InitDir, "/loaded/at/start");

    // No last file: the stored folder is empty, so the next start uses the program folder.
    EXPECT_TRUE(SaveSettings(s, store, ProgramFolder));
    EXPECT_EQ(Stored(SettingKey, "InitDir"), "");
    EXPECT_EQ(Loaded().InitDir, "/opt/keyquill");

    s.LastFile = "/data/a.kyq";
    EXPECT_TRUE(SaveSettings(s, store, ProgramFolder));
    EXPECT_EQ(Stored(SettingKey, "InitDir"), "/data");

    // The installation record carries the folder with its trailing "/" however it is given.
    EXPECT_TRUE(SaveSettings(s, store, "/usr/lib/keyquill"));
    EXPECT_EQ(InstalledPath(store), "/usr/lib/keyquill/");
}

TEST_F(AppSettingsTest, MigrationMovesTheOldLayoutIntoTheCurrentOne)
{
    SetText(ProgramKey, "LastFile", "/旧/文件.kyq");
    SetText(ProgramKey, "DblClick", "2");
    SetText(ProgramKey, "Days", "15");
    SetText(ProgramKey, "AutoLoad", "TRUE");
    SetText(ProgramKey, "ClearClip", "true");
    SetText(ProgramKey, "CloseMin", "False");
    SetText(ProgramKey, "InitDir", "/旧");
    SetNumber("Alt", 2);
    SetNumber("Main", 75);
    EXPECT_TRUE(WriteNumberValue(store, Hive::CurrentUser, HistoryKey, "Total", 2));
    SetText(HistoryKey, "1", "^p^r");
    SetText(HistoryKey, "2", "^n^t中");
    ASSERT_EQ(InstalledVersion(store), "");

    AppSettings s;
    FillHistory history;
    EXPECT_TRUE(MigrateOldSettings(s, history, store, ProgramFolder));

    EXPECT_EQ(s.hotKey, (HotKey{false, true, false, 75}));
    EXPECT_EQ(s.LastFile, "/旧/文件.kyq");
    EXPECT_EQ(s.DblClick, 2);
    EXPECT_EQ(s.Days, 15);
    EXPECT_TRUE(s.AutoLoad);
    EXPECT_TRUE(s.ClearClip);
    EXPECT_FALSE(s.CloseMin);
    EXPECT_EQ(history.Items(), (std::vector<std::u16string>{u"^p^r", u"^n^t中"}));

    // The old values are gone, the current layout holds them, and loading agrees.
    const RegistryHive hive = store.Read(Hive::CurrentUser);
    const RegistryKey* program = hive.FindKey(ProgramKey);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(program->ValueCount(), 0u);
    const AppSettings back = Loaded();
    EXPECT_EQ(back.hotKey, s.hotKey);
    EXPECT_EQ(back.LastFile, "/旧/文件.kyq");
    EXPECT_EQ(back.Days, 15);
    EXPECT_FALSE(back.CloseMin);
    EXPECT_EQ(back.InitDir, "/旧");
    FillHistory reloaded;
    LoadFillHistory(reloaded, store);
    EXPECT_EQ(reloaded.Items(), history.Items());
    EXPECT_EQ(InstalledVersion(store), "2.01.0026");
}

TEST_F(AppSettingsTest, MigrationWithoutAnInstallationRecordKeepsTheCurrentSettings)
{
    // A user with settings in the current layout whose machine hive was never written
    // (or was lost): start-up migrates every time, and must not wipe anything.
    AppSettings mine;
    mine.hotKey = HotKey{false, true, true, 70};
    mine.LastFile = "/home/u/工作.kyq";
    mine.Days = 5;
    mine.AutoLoad = true;
    mine.CloseMin = false;
    EXPECT_TRUE(SaveSettings(mine, store, ProgramFolder));
    FillHistory saved;
    saved.Update(u"^i^t^p");
    EXPECT_TRUE(SaveFillHistory(saved, store));
    std::filesystem::remove(store.HivePath(Hive::LocalMachine));
    SetText(ProgramKey, "Days", "21");  // one stray value of the old layout

    for (int start = 0; start < 2; ++start) {
        AppSettings s;
        FillHistory history;
        EXPECT_TRUE(MigrateOldSettings(s, history, store, ProgramFolder));
        EXPECT_EQ(s.hotKey, mine.hotKey);
        EXPECT_EQ(s.LastFile, mine.LastFile);
        EXPECT_EQ(s.Days, 21);  // present in the old place, so it wins
        EXPECT_TRUE(s.AutoLoad);
        EXPECT_FALSE(s.CloseMin);
        EXPECT_EQ(history.Items(), saved.Items());

        const AppSettings back = Loaded();
        EXPECT_EQ(back.hotKey, mine.hotKey);
        EXPECT_EQ(back.LastFile, mine.LastFile);
        EXPECT_EQ(back.Days, 21);
        EXPECT_TRUE(back.AutoLoad);
        EXPECT_FALSE(back.CloseMin);
        EXPECT_EQ(Stored(HistoryKey, "1"), "^i^t^p");
        EXPECT_FALSE(store.GetValue(Hive::CurrentUser, ProgramKey, "Days"));
        std::filesystem::remove(store.HivePath(Hive::LocalMachine));
    }
}

// Which of two saved states a hive holds, judged from one snapshot; nullopt for a mix.
std::optional<int> StateOf(const RegistryHive& hive, const AppSettings states[2])
{
    const RegistryValue* last = hive.FindValue(SettingKey, "LastFile");
    const RegistryValue* days = hive.FindValue(SettingKey, "Days");
    const RegistryValue* main = hive.FindValue(KeyKey, "Main");
    const RegistryValue* clear = hive.FindValue(SettingKey, "ClearClip");
    if (!last || !days || !main || !clear)
        return std::nullopt;
    for (int i = 0; i < 2; ++i) {
        const AppSettings& s = states[i];
        if (last->text == s.LastFile && days->text == std::to_string(s.Days) &&
            main->number == static_cast<uint32_t>(s.hotKey.Main) &&
            clear->text == (s.ClearClip ? "True" : "False"))
            return i;
    }
    return std::nullopt;
}

TEST_F(AppSettingsTest, TwoProcessesSavingAtOnceLeaveOneWholeState)
{
    AppSettings states[2];
    states[0].LastFile = "/a/甲.kyq";
    states[0].Days = 11;
    states[0].hotKey.Main = 65;
    states[1].LastFile = "/bbbbbbbbbbbbbbbbbbbb/乙乙乙乙乙乙乙乙乙乙乙乙.kyq";
    states[1].Days = 2222;
    states[1].hotKey.Main = 66;
    states[1].ClearClip = true;
    constexpr int Saves = 200;

    pid_t children[2];
    for (int i = 0; i < 2; ++i) {
        children[i] = ::fork();
        ASSERT_GE(children[i], 0);
        if (children[i] == 0) {
            RegistryStore own(tmp.Hives());
            int failures = 0;
            for (int n = 0; n < Saves; ++n) {
                AppSettings s = states[i];
                EXPECT_TRUE(SaveSettings(s, own, ProgramFolder));
                // Whatever the other process is doing, the file is whole at every moment.
                if (own.Inspect(Hive::CurrentUser).error != HiveTextError::None ||
                    !StateOf(own.Read(Hive::CurrentUser), states))
                    ++failures;
            }
            ::_exit(failures > 100 ? 100 : failures);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "saves that left a broken or mixed hive";
    }
    EXPECT_EQ(store.Inspect(Hive::CurrentUser).error, HiveTextError::None);
    EXPECT_EQ(store.Inspect(Hive::LocalMachine).error, HiveTextError::None);
    EXPECT_TRUE(StateOf(store.Read(Hive::CurrentUser), states).has_value());
    EXPECT_EQ(InstalledVersion(store), "2.01.0026");
    EXPECT_FALSE(std::filesystem::exists(store.HivePath(Hive::CurrentUser).string() + ".damaged"));
}

}  // namespace
}  // namespace kyq
