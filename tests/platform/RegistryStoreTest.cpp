#include "platform/RegistryStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/Log.h"
#include "platform/RegistryTestFolder.h"

namespace kyq {
namespace {

using namespace std::string_literals;

using testing::RegistryTestFolder;

mode_t ModeOf(const std::filesystem::path& path)
{
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::string TextOf(const std::optional<RegistryValue>& value)
{
    return value && value->kind == RegistryValue::Kind::String ? value->text : "<none>";
}

TEST(RegistryStore, FirstWriteCreatesAPrivateFolderAndReadsNeverDo)
{
    RegistryTestFolder tmp;
    const auto folder = tmp.Root() / "config" / "Tarnwick";
    RegistryStore store(folder);

    EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "Software", "x"));
    EXPECT_FALSE(store.Read(Hive::CurrentUser).FindKey("Software") != nullptr);
    EXPECT_FALSE(std::filesystem::exists(tmp.Root() / "config"));

    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "Software\\Tarnwick", "v", RegistryValue::String("1")));
    EXPECT_EQ(ModeOf(tmp.Root() / "config"), 0700u);
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(folder / "HKEY_CURRENT_USER.reg"), 0600u);
    EXPECT_EQ(store.HivePath(Hive::LocalMachine), folder / "HKEY_LOCAL_MACHINE.reg");
    EXPECT_EQ(store.HivePath(Hive::ClassesRoot), folder / "HKEY_CLASSES_ROOT.reg");
    // Only the hive written to has a file, and no temporary file is left behind.
    EXPECT_FALSE(std::filesystem::exists(folder / "HKEY_LOCAL_MACHINE.reg"));
    EXPECT_FALSE(std::filesystem::exists(folder / "HKEY_CURRENT_USER.reg.tmp"));

    // A hive left readable by others is made private again, even by a write that changes nothing.
    ::chmod((folder / "HKEY_CURRENT_USER.reg").c_str(), 0644);
    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "Software\\Tarnwick", "v", RegistryValue::String("1")));
    EXPECT_EQ(ModeOf(folder / "HKEY_CURRENT_USER.reg"), 0600u);
}

TEST(RegistryStore, KeysAndValuesIgnoreCaseAndKeepTheFirstSpelling)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ", "LastFile",
                               RegistryValue::String("a")));
    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "SOFTWARE\\tarnwick\\kyq", "LASTFILE",
                               RegistryValue::String("b")));
    EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "software\\TARNWICK\\Kyq", "lastfile")), "b");

    const RegistryHive hive = store.Read(Hive::CurrentUser);
    const RegistryKey* key = hive.FindKey("Software\\Tarnwick\\KYQ");
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->Name(), "KYQ");
    ASSERT_EQ(key->ValueCount(), 1u);
    EXPECT_EQ(key->ValueName(0), "LastFile");
    EXPECT_EQ(hive.Root().Child(0).Name(), "Software");

    // The hives are separate files with separate contents.
    EXPECT_FALSE(store.GetValue(Hive::LocalMachine, "Software\\Tarnwick\\KYQ", "LastFile"));
}

TEST(RegistryStore, DeletingAKeyTakesEverythingBelowIt)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "A\\B\\C", "deep", RegistryValue::Number(1)));
    EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "A\\B", "mid", RegistryValue::Number(2)));
    EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "A\\Other", "kept", RegistryValue::Number(3)));

    EXPECT_TRUE(store.DeleteKey(Hive::CurrentUser, "a\\b"));
    EXPECT_FALSE(store.Read(Hive::CurrentUser).FindKey("A\\B") != nullptr);
    EXPECT_FALSE(store.Read(Hive::CurrentUser).FindKey("A\\B\\C") != nullptr);
    ASSERT_TRUE(store.GetValue(Hive::CurrentUser, "A\\Other", "kept"));
    // A key created again starts empty.
    EXPECT_TRUE(store.CreateKey(Hive::CurrentUser, "A\\B"));
    EXPECT_TRUE(store.Read(Hive::CurrentUser).FindKey("A\\B") != nullptr);
    EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "A\\B", "mid"));
    EXPECT_FALSE(store.Read(Hive::CurrentUser).FindKey("A\\B\\C") != nullptr);

    // The hive's root is not a key that can go.
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, ""));
    EXPECT_FALSE(store.DeleteKey(Hive::CurrentUser, "\\"));
    EXPECT_TRUE(store.Read(Hive::CurrentUser).FindKey("A\\Other") != nullptr);

    EXPECT_TRUE(store.DeleteValue(Hive::CurrentUser, "A\\Other", "KEPT"));
    EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "A\\Other", "kept"));
    EXPECT_TRUE(store.Read(Hive::CurrentUser).FindKey("A\\Other") != nullptr);
}

TEST(RegistryStore, RefusesNamesTheFileCannotHold)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    EXPECT_FALSE(store.SetValue(Hive::CurrentUser, "K", "two\nlines", RegistryValue::Number(1)));
    EXPECT_FALSE(store.SetValue(Hive::CurrentUser, "K\\bad\x01", "v", RegistryValue::Number(1)));
    EXPECT_FALSE(store.CreateKey(Hive::CurrentUser, std::string("K\\") + std::string(MaxKeyNameBytes + 1, 'k')));
    EXPECT_FALSE(std::filesystem::exists(store.HivePath(Hive::CurrentUser)));
    // Values (not names) may hold anything, line ends and NULs included.
    const std::string odd("line\r\nnext\0after", 16);
    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "K", "odd", RegistryValue::String(odd)));
    EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "K", "odd")), odd);
}

TEST(RegistryStore, NeverWritesWhatItCouldNotReadBack)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    const std::string big(MaxValueBytes - 1, 'x');
    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "K", "big", RegistryValue::String(big + "\n")));
    EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "K", "big")), big + "\n");
    EXPECT_FALSE(store.SetValue(Hive::CurrentUser, "K", "bigger", RegistryValue::String(big + "yz")));

    // A hive that would outgrow the size a reader accepts is not written at all.
    {
        RegistryStore::Batch batch(store);
        for (size_t i = 0; i * MaxValueBytes <= MaxHiveBytes; ++i)
            EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "K", std::to_string(i), RegistryValue::String(big)));
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_EQ(store.Inspect(Hive::CurrentUser).error, HiveTextError::None);
    EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "K", "big")), big + "\n");
    EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "K", "0"));
}

TEST(RegistryStore, ABatchWritesEachHiveOnceWhenTheOutermostBatchEnds)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    {
        RegistryStore::Batch outer(store);
        EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "K", "a", RegistryValue::String("1")));
        EXPECT_TRUE(store.SetValue(Hive::LocalMachine, "K", "b", RegistryValue::String("2")));
        {
            RegistryStore::Batch inner(store);
            EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "K", "c", RegistryValue::String("3")));
            EXPECT_TRUE(store.DeleteValue(Hive::CurrentUser, "K", "a"));
            EXPECT_TRUE(inner.Commit());
        }
        // Nothing has reached the files, yet reads see the held-back writes.
        EXPECT_FALSE(std::filesystem::exists(store.HivePath(Hive::CurrentUser)));
        EXPECT_FALSE(std::filesystem::exists(store.HivePath(Hive::LocalMachine)));
        EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "K", "c")), "3");
        EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "K", "a"));
        EXPECT_TRUE(outer.Commit());
        EXPECT_TRUE(outer.Commit());  // a second Commit does nothing
    }
    RegistryStore fresh(tmp.Hives());
    EXPECT_EQ(TextOf(fresh.GetValue(Hive::CurrentUser, "K", "c")), "3");
    EXPECT_FALSE(fresh.GetValue(Hive::CurrentUser, "K", "a"));
    EXPECT_EQ(TextOf(fresh.GetValue(Hive::LocalMachine, "K", "b")), "2");
    EXPECT_FALSE(std::filesystem::exists(fresh.HivePath(Hive::ClassesRoot)));

    // A batch ended by its destructor commits too.
    {
        RegistryStore::Batch batch(store);
        EXPECT_TRUE(store.SetValue(Hive::ClassesRoot, ".kyq", "", RegistryValue::String("KYQfileMM")));
    }
    EXPECT_EQ(TextOf(fresh.GetValue(Hive::ClassesRoot, ".kyq", "")), "KYQfileMM");
}

TEST(RegistryStore, ABatchIsReplayedOnTheFileAsItStandsAtCommit)
{
    // Another process's write between the start and the end of a batch must survive it.
    RegistryTestFolder tmp;
    RegistryStore mine(tmp.Hives());
    RegistryStore theirs(tmp.Hives());
    EXPECT_TRUE(mine.SetValue(Hive::CurrentUser, "K", "shared", RegistryValue::String("old")));
    {
        RegistryStore::Batch batch(mine);
        EXPECT_TRUE(mine.SetValue(Hive::CurrentUser, "K", "mine", RegistryValue::String("m")));
        ASSERT_TRUE(theirs.SetValue(Hive::CurrentUser, "K", "theirs", RegistryValue::String("t")));
        ASSERT_TRUE(theirs.SetValue(Hive::CurrentUser, "K", "shared", RegistryValue::String("new")));
    }
    EXPECT_EQ(TextOf(theirs.GetValue(Hive::CurrentUser, "K", "mine")), "m");
    EXPECT_EQ(TextOf(theirs.GetValue(Hive::CurrentUser, "K", "theirs")), "t");
    EXPECT_EQ(TextOf(theirs.GetValue(Hive::CurrentUser, "K", "shared")), "new");
}

// A settings file with one damaged line: the hot key, the fill history and every other
// setting still read; the first write keeps the damaged file aside and writes what was read.
TEST(RegistryStore, ADamagedLineCostsOnlyItselfAndTheFileIsKeptAsideAtTheNextWrite)
{
    const std::string damaged =
        "Windows Registry Editor Version 5.00\n\n"
        "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Key]\n"
        "\"Alt\"=dword:00000002\n\"Main\"=dword:0000004b\n\n"
        "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\Setting]\n"
        "\"LastFile\"=\"/home/用户/密码.kyq\n"  // its closing quote lost
        "\"Days\"=\"30\"\n\n"
        "[HKEY_CURRENT_USER\\Software\\Tarnwick\\KYQ\\History]\n"
        "\"Total\"=dword:00000001\n\"1\"=\"^p^r\"\n";
    RegistryTestFolder tmp;
    tmp.WriteFile("HKEY_CURRENT_USER.reg", damaged);
    RegistryStore store(tmp.Hives());

    const RegistryStore::FileState state = store.Inspect(Hive::CurrentUser);
    EXPECT_EQ(state.error, HiveTextError::BadValue);
    EXPECT_EQ(state.line, 8u);
    EXPECT_EQ(state.damagedLines, 1u);
    EXPECT_EQ(store.DamagedHives(), std::vector<Hive>{Hive::CurrentUser});
    const auto check = [&](const char* when) {
        EXPECT_EQ(store.GetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Key", "Main")->number, 0x4bu) << when;
        EXPECT_EQ(store.GetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Key", "Alt")->number, 2u) << when;
        EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Setting", "Days")), "30") << when;
        EXPECT_EQ(TextOf(store.GetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\History", "1")), "^p^r") << when;
        EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ\\Setting", "LastFile")) << when;
    };
    check("read");

    ASSERT_TRUE(store.SetValue(Hive::CurrentUser, "K", "w", RegistryValue::Number(7)));
    check("after a write");
    EXPECT_EQ(store.GetValue(Hive::CurrentUser, "K", "w")->number, 7u);
    EXPECT_EQ(store.Inspect(Hive::CurrentUser).error, HiveTextError::None);
    EXPECT_TRUE(store.DamagedHives().empty());
    EXPECT_EQ(tmp.ReadFile("HKEY_CURRENT_USER.reg.damaged"), damaged);

    // A second damage keeps the first copy and puts its own beside it.
    const std::string again = damaged + "garbage line\n";
    tmp.WriteFile("HKEY_CURRENT_USER.reg", again);
    RegistryStore later(tmp.Hives());
    ASSERT_EQ(later.DamagedHives(), std::vector<Hive>{Hive::CurrentUser});
    ASSERT_TRUE(later.SetValue(Hive::CurrentUser, "K", "w", RegistryValue::Number(8)));
    EXPECT_EQ(tmp.ReadFile("HKEY_CURRENT_USER.reg.damaged"), damaged);
    EXPECT_EQ(tmp.ReadFile("HKEY_CURRENT_USER.reg.damaged.2"), again);
}

TEST(RegistryStore, AnOversizedOrUnreadableHiveIsNotRead)
{
    RegistryTestFolder tmp;
    RegistryStore store(tmp.Hives());
    EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "K", "v", RegistryValue::Number(1)));
    std::filesystem::resize_file(store.HivePath(Hive::CurrentUser), MaxHiveBytes + 1);
    EXPECT_EQ(store.Inspect(Hive::CurrentUser).error, HiveTextError::TooLarge);
    EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "K", "v"));

    if (::geteuid() != 0) {  // permissions do not stop root
        EXPECT_TRUE(store.SetValue(Hive::LocalMachine, "K", "v", RegistryValue::Number(1)));
        ::chmod(store.HivePath(Hive::LocalMachine).c_str(), 0);
        EXPECT_EQ(store.Inspect(Hive::LocalMachine).error, HiveTextError::Unreadable);
        EXPECT_FALSE(store.GetValue(Hive::LocalMachine, "K", "v"));
    }
}

TEST(RegistryStore, WritesFailQuietlyWhereTheFolderCannotBeMade)
{
    RegistryTestFolder tmp;
    tmp.WriteFile("blocker", "a file where a folder should be");
    RegistryStore store(tmp.Hives() / "blocker" / "Tarnwick");
    EXPECT_FALSE(store.SetValue(Hive::CurrentUser, "K", "v", RegistryValue::Number(1)));
    {
        RegistryStore::Batch batch(store);
        EXPECT_TRUE(store.SetValue(Hive::CurrentUser, "K", "v", RegistryValue::Number(1)));
        EXPECT_FALSE(batch.Commit());
    }
    EXPECT_FALSE(store.GetValue(Hive::CurrentUser, "K", "v"));
}

class ScopedEnv {
public:
    explicit ScopedEnv(const char* name) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }
    void Set(const char* value) { ::setenv(name_, value, 1); }
    void Unset() { ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(RegistryStore, DefaultFolderFollowsTheEnvironment)
{
    ScopedEnv dir("KYQ_REGISTRY_DIR");
    ScopedEnv config("XDG_CONFIG_HOME");
    ScopedEnv home("HOME");
    home.Set("/home/someone");

    dir.Set("/tmp/hives");
    config.Set("/cfg");
    EXPECT_EQ(RegistryStore::DefaultFolder(), "/tmp/hives");
    dir.Set("");
    EXPECT_EQ(RegistryStore::DefaultFolder(), "/cfg/Tarnwick");
    dir.Unset();
    EXPECT_EQ(RegistryStore::DefaultFolder(), "/cfg/Tarnwick");
    config.Set("relative/cfg");  // not absolute: ignored, as the base directory rules say
    EXPECT_EQ(RegistryStore::DefaultFolder(), "/home/someone/.config/Tarnwick");
    config.Unset();
    EXPECT_EQ(RegistryStore::DefaultFolder(), "/home/someone/.config/Tarnwick");
}

}  // namespace
}  // namespace kyq

namespace kyq {
namespace {

using testing::RegistryTestFolder;

// A settings write that cannot happen is not silent: the log names the file and why.
TEST(RegistryStoreLog, AFailedWriteIsLoggedWithTheFileAndTheReason)
{
    RegistryTestFolder tmp;
    std::vector<std::string> lines;
    SetLogSink([&](LogLevel, LogArea area, std::string_view message) {
        if (area == LogArea::Settings)
            lines.emplace_back(message);
    });
    // The folder the hives should go in is a plain file: nothing can be created there.
    { std::ofstream(tmp.Root() / "blocked") << "x"; }
    RegistryStore store(tmp.Root() / "blocked" / "Tarnwick");
    EXPECT_FALSE(store.SetValue(Hive::CurrentUser, "Software\\Tarnwick\\KYQ", "Days",
                                RegistryValue::Number(30)));
    SetLogSink({});
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("HKEY_CURRENT_USER.reg"), std::string::npos);
    EXPECT_NE(lines[0].find("cannot create the folder"), std::string::npos);
}

}  // namespace
}  // namespace kyq
