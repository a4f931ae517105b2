#include "platform/WholeFile.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/ScratchFolder.h"

namespace kyq {
namespace {

namespace fs = std::filesystem;

using Folder = test::ScratchFolder;

std::string Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

std::span<const uint8_t> Bytes(const std::string& text)
{
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct stat StatOf(const std::string& path)
{
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

TEST(ReplaceFileContents, TargetsAreReplacedInPlaceOrRefusedWithTheReason)
{
    struct Case {
        const char* what;
        std::function<void(const Folder&)> prepare;  // makes "target" and what it needs
        const char* reason;                         // empty: replaced
        std::function<void(const Folder&)> check;   // after the call
        FileAccess access = FileAccess::KeepExisting;
    };
    const std::vector<Case> cases = {
        {"a new file is private", [](const Folder&) {}, "",
         [](const Folder& f) { EXPECT_EQ(StatOf(f / "target").st_mode & 07777, 0600u); }},
        {"an existing file keeps its mode",
         [](const Folder& f) {
             Write(f / "target", "old");
             ::chmod((f / "target").c_str(), 0640);
         },
         "", [](const Folder& f) { EXPECT_EQ(StatOf(f / "target").st_mode & 07777, 0640u); }},
        {"a file of secrets is private whatever the old one was",
         [](const Folder& f) {
             Write(f / "target", "old");
             ::chmod((f / "target").c_str(), 0644);
         },
         "", [](const Folder& f) { EXPECT_EQ(StatOf(f / "target").st_mode & 07777, 0600u); }, FileAccess::OwnerOnly},
        {"a link is followed and stays",
         [](const Folder& f) {
             Write(f / "real", "old");
             fs::create_symlink(f / "real", f / "target");
         },
         "",
         [](const Folder& f) {
             EXPECT_TRUE(fs::is_symlink(f / "target"));
             EXPECT_EQ(Read(f / "real"), "new");
         }},
        {"a dangling link's file is created, through a chain of relative links",
         [](const Folder& f) {
             fs::create_symlink("middle", f / "target");
             fs::create_symlink("absent", f / "middle");
         },
         "",
         [](const Folder& f) {
             EXPECT_TRUE(fs::is_symlink(f / "target"));
             EXPECT_TRUE(fs::is_symlink(f / "middle"));
             EXPECT_EQ(Read(f / "absent"), "new");
         }},
        {"a write-protected file is refused, also for root",
         [](const Folder& f) {
             Write(f / "target", "old");
             ::chmod((f / "target").c_str(), 0444);
         },
         "文件不允许写入：没有权限", [](const Folder& f) { EXPECT_EQ(Read(f / "target"), "old"); }},
        {"a folder is refused", [](const Folder& f) { fs::create_directory(f / "target"); }, "不是普通文件",
         [](const Folder& f) { EXPECT_TRUE(fs::is_directory(f / "target")); }},
        {"a link into a missing folder is refused",
         [](const Folder& f) { fs::create_symlink("no/such/folder", f / "target"); }, "文件或文件夹不存在",
         [](const Folder&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        c.prepare(folder);
        const Expected<void> written = ReplaceFileContents(folder / "target", Bytes("new"), nullptr, c.access);
        EXPECT_EQ(written.has_value(), *c.reason == '\0') << (written ? "" : written.error().Message);
        if (written) {
            EXPECT_EQ(Read(folder / "target"), "new");
        } else {
            EXPECT_NE(written.error().Message.find(c.reason), std::string::npos)
                << written.error().Message;
            EXPECT_FALSE(written.error().Detail.empty());
        }
        c.check(folder);
        for (const std::string& name : folder.Names())
            EXPECT_NE(name.rfind(".kyq", 0), 0u) << name;  // no temporary file left
    }
}

// What `command` prints (getfacl), or nothing when it fails.
std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[256];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        if (::pclose(p) != 0)
            out.clear();
    }
    return out;
}

std::string AccessList(const std::string& path)
{
    return Output("getfacl --omit-header '" + path + "'");
}

TEST(ReplaceFileContents, KeepsTheAccessListAndExtendedAttributes)
{
    struct Case {
        const char* what;
        std::function<void(const Folder&)> prepare;  // after "target" was written with mode 0600
    };
    const std::vector<Case> cases = {
        {"one more reader in the access list",
         [](const Folder& f) { ASSERT_EQ(std::system(("setfacl -m u:nobody:r '" + f / "target" + "'").c_str()), 0); }},
        {"a reader and a group with their mask",
         [](const Folder& f) {
             ASSERT_EQ(std::system(("setfacl -m u:nobody:rw,g:nogroup:r,m::r '" + f / "target" + "'").c_str()), 0);
         }},
        // The folder's default list would give a new file readers the old one never had.
        {"none, in a folder whose default list adds a reader",
         [](const Folder& f) { ASSERT_EQ(std::system(("setfacl -d -m u:nobody:rw '" + f.Path().string() + "'").c_str()), 0); }},
        {"a user attribute",
         [](const Folder& f) {
             ASSERT_EQ(::setxattr((f / "target").c_str(), "user.sync-id", "42", 2, 0), 0);
         }},
    };
    {
        Folder probe;
        Write(probe / "f", "");
        if (std::system(("setfacl -m u:nobody:r '" + probe / "f" + "' 2>/dev/null").c_str()) != 0 ||
            ::setxattr((probe / "f").c_str(), "user.probe", "1", 1, 0) != 0)
            GTEST_SKIP() << "setfacl (package acl) or access lists and user attributes in " << probe.Path();
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        Write(folder / "target", "old");
        ::chmod((folder / "target").c_str(), 0600);
        c.prepare(folder);
        const std::string list = AccessList(folder / "target");
        const mode_t mode = StatOf(folder / "target").st_mode;
        char before[16] = {}, after[16] = {};
        const ssize_t id = ::getxattr((folder / "target").c_str(), "user.sync-id", before, sizeof before);

        const Expected<void> written = ReplaceFileContents(folder / "target", Bytes("new"));
        ASSERT_TRUE(written) << written.error().Message;
        EXPECT_EQ(Read(folder / "target"), "new");
        EXPECT_FALSE(list.empty());
        EXPECT_EQ(AccessList(folder / "target"), list);
        EXPECT_EQ(StatOf(folder / "target").st_mode, mode);
        EXPECT_EQ(::getxattr((folder / "target").c_str(), "user.sync-id", after, sizeof after), id);
        EXPECT_STREQ(after, before);
    }
}

TEST(ReplaceFileContents, KeepsOwnerAndGroupWhereTheProcessMay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    Folder folder;
    Write(folder / "target", "old");
    ASSERT_EQ(::chown((folder / "target").c_str(), 4321, 8765), 0);
    ASSERT_TRUE(ReplaceFileContents(folder / "target", Bytes("new")));
    EXPECT_EQ(StatOf(folder / "target").st_uid, 4321u);
    EXPECT_EQ(StatOf(folder / "target").st_gid, 8765u);
}

TEST(ReplaceFileContents, AKilledSaveLeavesTheOldOrTheNewFileAndNoCopy)
{
    Folder folder;
    const std::string target = folder / "doc";
    const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
    Write(target, a);
    using Clock = std::chrono::steady_clock;

    for (int round = 0; round < 12; ++round) {
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            for (int i = 0;; ++i) {
                if (!ReplaceFileContents(target, Bytes(i % 2 ? a : b)))
                    ::_exit(1);
                if (::write(progress[1], "x", 1) != 1)
                    ::_exit(1);
            }
        }
        ::close(progress[1]);
        // Two saves done tell how long one takes; the kill lands at a different point of
        // the third in every round.
        char done = 0;
        ASSERT_EQ(::read(progress[0], &done, 1), 1);
        const auto first = Clock::now();
        ASSERT_EQ(::read(progress[0], &done, 1), 1);
        const auto cycle = Clock::now() - first;
        std::this_thread::sleep_for(cycle * round / 12);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(progress[0]);

        const std::string now = Read(target);
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        // The next save, as when the program is started again, finds nothing to leave behind.
        ASSERT_TRUE(ReplaceFileContents(target, Bytes(a)));
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"doc"}) << "round " << round;
    }
}

TEST(ReadWholeFile, SaysInChineseWhyAFileCannotBeRead)
{
    Folder folder;
    const auto absent = ReadWholeFile(folder / "absent");
    ASSERT_FALSE(absent);
    EXPECT_EQ(absent.error().Message, "无法打开文件：文件或文件夹不存在");
    EXPECT_EQ(absent.error().Code, ENOENT);
    const auto folderRead = ReadWholeFile(folder / ".");
    ASSERT_FALSE(folderRead);
    EXPECT_EQ(folderRead.error().Message, "这是一个文件夹，不是文件");
}

}  // namespace
}  // namespace kyq
