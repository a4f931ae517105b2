#include "platform/RuntimeFolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/RuntimeTestFolder.h"

namespace kyq {
namespace {

using test::RuntimeTestFolder;

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

TEST(RuntimeFolder, CreatedPrivateUnderTheRuntimeFolder) {
    RuntimeTestFolder t;
    ::mkdir(t.Runtime().c_str(), 0700);
    Expected<std::string> r = PerUserRuntimeFolder();
    ASSERT_TRUE(r) << r.error().Detail;
    ASSERT_EQ(*r, t.RuntimeFolder());
    EXPECT_EQ(ModeOf(*r), 0700u);
    // A second call finds and accepts the same folder.
    EXPECT_EQ(PerUserRuntimeFolder().value(), t.RuntimeFolder());
}

TEST(RuntimeFolder, CacheFolderServesWhenTheRuntimeVariableIsUnsetOrRelative) {
    RuntimeTestFolder t;
    ::unsetenv("XDG_RUNTIME_DIR");
    Expected<std::string> r = PerUserRuntimeFolder();
    ASSERT_TRUE(r) << r.error().Detail;
    EXPECT_EQ(*r, t.CacheFolder());
    EXPECT_EQ(ModeOf(*r), 0700u);
    ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    EXPECT_EQ(PerUserRuntimeFolder().value(), t.CacheFolder());
}

TEST(RuntimeFolder, FolderOpenToOthersIsRefusedAndTheFallbackUsed) {
    RuntimeTestFolder t;
    std::string folder = t.RuntimeFolder();
    folder.pop_back();
    ASSERT_EQ(::mkdir(t.Runtime().c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0770), 0);
    EXPECT_FALSE(PrepareRuntimeFolder(folder));
    EXPECT_NE(PrepareRuntimeFolder(folder).error().Detail.find("open to other users"), std::string::npos);
    EXPECT_EQ(PerUserRuntimeFolder().value(), t.CacheFolder());
    // The refused folder is left as it was, not quietly tightened.
    EXPECT_EQ(ModeOf(folder), 0770u);
}

TEST(RuntimeFolder, SymbolicLinkAndPlainFileAreRefused) {
    RuntimeTestFolder t;
    ASSERT_EQ(::mkdir(t.Runtime().c_str(), 0700), 0);
    std::string target = t.Runtime() + "/elsewhere";
    ASSERT_EQ(::mkdir(target.c_str(), 0700), 0);
    std::string link = t.Runtime() + "/Tarnwick-KYQ";
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    EXPECT_FALSE(PrepareRuntimeFolder(link));

    std::string file = t.Runtime() + "/file";
    close(::creat(file.c_str(), 0600));
    EXPECT_FALSE(PrepareRuntimeFolder(file));
}

TEST(RuntimeFolder, FolderOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another user";
    RuntimeTestFolder t;
    ASSERT_EQ(::mkdir(t.Runtime().c_str(), 0700), 0);
    std::string folder = t.Runtime() + "/Tarnwick-KYQ";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    if (::chown(folder.c_str(), 65534, 65534) != 0)
        GTEST_SKIP() << "this system does not let root give a folder away";
    Expected<std::string> r = PrepareRuntimeFolder(folder);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().Detail.find("another user"), std::string::npos);
}

// Two sessions of one user never share a folder; one session always finds its own.
TEST(RuntimeFolder, SessionFolderNames) {
    const char* cases[][4] = {
        {"3", nullptr, ":0.1", "session-3-_0"},  // any screen of the display
        {"3", "wayland-1", ":0", "session-3-wayland-1"},  // nested in the X11 session
        {nullptr, nullptr, nullptr, "session-none-none"},
        {"../x", nullptr, ":0", "session-.._x-_0"},  // no path separator gets through
    };
    for (const auto& c : cases)
        EXPECT_EQ(SessionFolderName(c[0], c[1], c[2]), c[3]);
}

}  // namespace
}  // namespace kyq
