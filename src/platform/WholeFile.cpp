#include "platform/WholeFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <ctime>
#include <limits>
#include <string_view>

#include "platform/FileStamp.h"
#include "platform/Log.h"
#include "platform/SystemErrorText.h"

namespace kyq {
namespace {

// Hidden temporary files are named ".kyq-save-<process id>-<six letters>", so that a
// later save can tell those of a process that is gone.
constexpr std::string_view TemporaryPrefix = ".kyq-save-";
// Earlier versions named them ".kyq-save-<six letters>"; none of their saves takes an hour.
constexpr std::time_t OldStyleLeftoverAge = 3600;
constexpr int MaxLinks = 40;  // as the kernel follows

Error SystemFailure(const char* reason, const char* step, int code)
{
    Error e;
    e.Code = code;
    e.Message = std::string(reason) + "：" + SystemErrorReason(code);
    e.Detail = std::string(step) + ": " + SystemErrorDetail(code);
    return e;
}

Error Refusal(const char* reason, const char* detail, int code)
{
    Error e;
    e.Code = code;
    e.Message = reason;
    e.Detail = detail;
    return e;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    void Release() { fd_ = -1; }
    // Closes now and reports the result: a write-back error may only show up here.
    int Close()
    {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

bool WriteAll(int fd, std::span<const uint8_t> bytes, int& error)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

Expected<int> OpenRegular(const std::string& path);

// Reads up to `limit` bytes from the start of a regular file; `seen` gets its status as
// it was opened.
Expected<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t limit, struct stat* seen = nullptr)
{
    Expected<int> opened = OpenRegular(path);
    if (!opened)
        return opened.error();
    FileDescriptor file(*opened);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return SystemFailure("无法读取文件", "fstat", errno);
    if (seen)
        *seen = info;
    std::vector<uint8_t> bytes;
    // Room for the size the file has now, plus a little to notice that it grew; the bytes
    // are read into place, not through a bounce buffer.
    constexpr size_t Step = 65536;
    size_t used = 0;
    bytes.resize(std::min(limit, static_cast<size_t>(info.st_size) + 1));
    for (;;) {
        if (used == bytes.size()) {
            if (used >= limit)
                break;
            bytes.resize(std::min(limit, used + Step));
        }
        const ssize_t n = ::read(file.get(), bytes.data() + used, bytes.size() - used);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return SystemFailure("无法读取文件", "read", errno);
        }
        used += static_cast<size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

// The path the bytes go to: `path` with the symbolic links of its last component followed,
// also to a file that does not exist yet (the folders on the way are the kernel's).
Expected<std::string> ResolveTarget(const std::string& path)
{
    std::string target = path;
    for (int depth = 0;; ++depth) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            return target;  // no link (or nothing there): the steps that follow say what is wrong
        if (depth == MaxLinks)
            return SystemFailure("无法找到符号链接指向的文件", "readlink", ELOOP);
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
        if (n <= 0 || static_cast<size_t>(n) >= link.size())
            return SystemFailure("无法找到符号链接指向的文件", "readlink", n < 0 ? errno : ENAMETOOLONG);
        link.resize(static_cast<size_t>(n));
        target = link.front() == '/' ? link : FolderOf(target) + "/" + link;
    }
}

// A file its owner made read-only (no write bit at all) stays so for root too, who may
// write anything otherwise; for everyone else the system answers, knowing their groups
// and any access list.
bool WriteProtected(const std::string& target, const struct stat& info, int& code)
{
    if ((info.st_mode & 0222) == 0) {
        code = EACCES;
        return true;
    }
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0 &&
        (errno == EACCES || errno == EPERM || errno == EROFS || errno == ETXTBSY)) {
        code = errno;
        return true;
    }
    return false;
}

// Where the access list of a file is kept among its extended attributes.
constexpr char AccessListName[] = "system.posix_acl_access";

// The names of the file's extended attributes (its access list among them); none where
// the file system keeps none.
Expected<std::vector<std::string>> AttributeNames(const std::string& path)
{
    std::string list;
    for (;;) {
        const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
        if (size < 0)
            break;
        list.resize(static_cast<size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::listxattr(path.c_str(), list.data(), list.size());
        if (got >= 0) {
            list.resize(static_cast<size_t>(got));
            std::vector<std::string> names;
            for (size_t at = 0; at < list.size();) {
                const size_t end = std::min(list.find('\0', at), list.size());
                if (end > at)
                    names.emplace_back(list, at, end - at);
                at = end + 1;
            }
            return names;
        }
        if (errno != ERANGE)  // ERANGE: the list grew meanwhile; ask again
            break;
    }
    if (errno == ENOTSUP)
        return std::vector<std::string>{};
    return SystemFailure("无法读取原文件的扩展属性", "listxattr", errno);
}

// Gives the new file the replaced one's extended attributes, its access list among them,
// so that the replacement is readable by exactly whom the old file was. An attribute the
// new file cannot take fails the save: a file that more people may read is no copy.
Expected<void> CopyAttributes(int fd, const std::string& from)
{
    const Expected<std::vector<std::string>> names = AttributeNames(from);
    if (!names)
        return names.error();
    bool hadAccessList = false;
    std::string value;
    for (const std::string& name : *names) {
        ssize_t size = ::getxattr(from.c_str(), name.c_str(), nullptr, 0);
        if (size >= 0) {
            value.resize(static_cast<size_t>(size));
            size = ::getxattr(from.c_str(), name.c_str(), value.data(), value.size());
        }
        if (size < 0) {
            if (errno == ENODATA)
                continue;  // removed meanwhile
            return SystemFailure("无法读取原文件的扩展属性", ("getxattr " + name).c_str(), errno);
        }
        value.resize(static_cast<size_t>(size));
        hadAccessList = hadAccessList || name == AccessListName;
        // What the new file has already (a security label given to every new file) is
        // not set again: that could need a privilege the user lacks.
        if (ssize_t has = ::fgetxattr(fd, name.c_str(), nullptr, 0); has == size) {
            std::string present(static_cast<size_t>(has), '\0');
            if (::fgetxattr(fd, name.c_str(), present.data(), present.size()) == has && present == value)
                continue;
        }
        if (::fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) {
            Error e = SystemFailure("无法把原文件的访问控制列表或扩展属性复制到新文件", ("fsetxattr " + name).c_str(), errno);
            e.Message += "（" + name + "）";
            return e;
        }
    }
    // A folder's default access list gives a new file one; the old file had none.
    if (!hadAccessList && ::fremovexattr(fd, AccessListName) != 0 && errno != ENODATA && errno != ENOTSUP)
        return SystemFailure("无法设置文件的访问控制列表", "fremovexattr", errno);
    return {};
}

// Writes the bytes, gives the file the existing target's owner, group, mode and extended
// attributes (as far as the process may) and flushes it to the disk.
Expected<void> FillAndFlush(int fd, std::span<const uint8_t> bytes, const struct stat* original,
                            const std::string& target, struct stat& written)
{
    int code = 0;
    if (!WriteAll(fd, bytes, code))
        return SystemFailure("无法写入文件", "write", code);
    if (original) {
        // Before the mode: a change of owner clears the set-user-ID and set-group-ID bits.
        // Only root may give a file away; anyone may pass it to a group of their own.
        if (::fchown(fd, original->st_uid, original->st_gid) != 0 &&
            ::fchown(fd, static_cast<uid_t>(-1), original->st_gid) != 0)
            LogInfo(LogArea::Files, target + ": the new file keeps the writer's group (" +
                                        SystemErrorReason(errno) + ")");
        if (::fchmod(fd, original->st_mode & 07777) != 0)
            return SystemFailure("无法设置文件的权限", "fchmod", errno);
        // After the mode: the access list sets the group bits to its mask, as the old file has them.
        if (Expected<void> copied = CopyAttributes(fd, target); !copied)
            return copied;
    }
    if (::fsync(fd) != 0)
        return SystemFailure("无法把文件写入磁盘", "fsync", errno);
    // The rename keeps the device, inode and times: this is the file as it will be named.
    if (::fstat(fd, &written) != 0)
        return SystemFailure("无法读取文件", "fstat", errno);
    return {};
}

std::string TemporaryStem(const std::string& folder)
{
    return folder + "/" + std::string(TemporaryPrefix) + std::to_string(::getpid()) + "-";
}

std::string RandomTemporaryName(const std::string& folder)
{
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    uint8_t random[6] = {};
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        auto seed = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (uint8_t& r : random) {
            r = static_cast<uint8_t>(seed);
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        }
    }
    std::string name = TemporaryStem(folder);
    for (uint8_t r : random)
        name += Letters[r % (sizeof Letters - 1)];
    return name;
}

constexpr char CreateReason[] = "无法在文件所在的文件夹中创建文件";
constexpr char ReplaceReason[] = "无法替换原来的文件";

// Done: true; false: this folder takes no unnamed files, the named way must do.
using Outcome = Expected<bool>;

// The bytes go into a file without a name, which is linked into the folder only to be
// renamed over the target at once: a killed save leaves nothing behind.
Outcome ReplaceThroughUnnamedFile(const std::string& folder, const std::string& target,
                                  std::span<const uint8_t> bytes, const struct stat* original, struct stat& written)
{
    constexpr bool NoUnnamedFiles = false;
    FileDescriptor file(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (file.get() < 0) {
        // EISDIR: a kernel without unnamed files; EOPNOTSUPP: a file system without them.
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)
            return NoUnnamedFiles;
        return SystemFailure(CreateReason, "open O_TMPFILE", errno);
    }
    if (Expected<void> filled = FillAndFlush(file.get(), bytes, original, target, written); !filled)
        return filled.error();
    // Any user may link through /proc; AT_EMPTY_PATH needs a privilege but no /proc.
    const std::string self = "/proc/self/fd/" + std::to_string(file.get());
    for (int attempt = 0; attempt < 8; ++attempt) {
        const std::string name = RandomTemporaryName(folder);
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0 &&
            ::linkat(file.get(), "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) != 0) {
            if (errno == EEXIST)
                continue;
            return NoUnnamedFiles;  // the named way says what is wrong, if anything
        }
        if (::rename(name.c_str(), target.c_str()) != 0) {
            const int code = errno;
            ::unlink(name.c_str());
            return SystemFailure(ReplaceReason, "rename", code);
        }
        return true;
    }
    return NoUnnamedFiles;
}

Expected<void> ReplaceThroughNamedFile(const std::string& folder, const std::string& target,
                                       std::span<const uint8_t> bytes, const struct stat* original, struct stat& written)
{
    std::string temporary = TemporaryStem(folder) + "XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));  // mode 0600
    if (file.get() < 0)
        return SystemFailure(CreateReason, "mkostemp", errno);
    Expected<void> done = FillAndFlush(file.get(), bytes, original, target, written);
    if (done && file.Close() != 0)
        done = SystemFailure("无法写入文件", "close", errno);
    if (done && ::rename(temporary.c_str(), target.c_str()) != 0)
        done = SystemFailure(ReplaceReason, "rename", errno);
    if (!done)
        ::unlink(temporary.c_str());
    return done;
}

// Removes the hidden files of saves that were killed in this folder: those of processes
// that are gone, and those of earlier versions once they are an hour old.
void RemoveLeftovers(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return;
    const int dirFd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view rest = entry->d_name;
        if (!rest.starts_with(TemporaryPrefix))
            continue;
        rest.remove_prefix(TemporaryPrefix.size());
        const size_t digits = std::min(rest.find_first_not_of("0123456789"), rest.size());
        struct stat info {};
        if (::fstatat(dirFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode))
            continue;
        bool gone = false;
        if (digits > 0 && digits <= 9 && digits < rest.size() && rest[digits] == '-') {
            const auto pid = static_cast<pid_t>(std::stol(std::string(rest.substr(0, digits))));
            gone = pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
        } else if (rest.size() == 6) {
            gone = now - info.st_mtime > OldStyleLeftoverAge;
        }
        if (gone)
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

Expected<int> OpenRegular(const std::string& path)
{
    // Non-blocking so that a FIFO cannot stall the open; only regular files are read, as
    // a device or a pipe could go on for ever.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0)
        return SystemFailure("无法打开文件", "open", errno);
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        return SystemFailure("无法读取文件", "fstat", errno);
    if (S_ISDIR(info.st_mode))
        return Refusal("这是一个文件夹，不是文件", "it is a folder", EISDIR);
    if (!S_ISREG(info.st_mode))
        return Refusal("这不是普通文件（可能是设备或管道）", "not a regular file", 0);
    const int fd = file.get();
    file.Release();
    return fd;
}

Expected<void> Replace(const std::string& path, std::span<const uint8_t> bytes, FileStamp* stamp, FileAccess access)
{
    const Expected<std::string> resolved = ResolveTarget(path);
    if (!resolved)
        return resolved.error();
    const std::string& target = *resolved;
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (!exists && errno != ENOENT)
        return SystemFailure("无法访问文件", "stat", errno);
    if (exists) {
        if (!S_ISREG(info.st_mode))
            return Refusal("这不是普通文件，不能改写", "not a regular file", S_ISDIR(info.st_mode) ? EISDIR : 0);
        if (int code = 0; WriteProtected(target, info, code))
            return SystemFailure("文件不允许写入", "write permission of the file", code);
    }

    const std::string folder = FolderOf(target);
    // A private file is written as a new one is: 0600, this user's, no access list.
    const struct stat* original = exists && access == FileAccess::KeepExisting ? &info : nullptr;
    Expected<void> done;
    struct stat written {};
    if (Outcome unnamed = ReplaceThroughUnnamedFile(folder, target, bytes, original, written); !unnamed)
        done = unnamed.error();
    else if (!*unnamed)
        done = ReplaceThroughNamedFile(folder, target, bytes, original, written);
    RemoveLeftovers(folder);
    if (!done)
        return done;
    if (stamp)
        *stamp = FileStamp::Of(path, written, bytes);

    // Make the rename itself durable; the data is complete either way, so a folder that
    // cannot be synced is no failure.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return {};
}

}  // namespace

Expected<int> OpenRegularFile(const std::string& path)
{
    return OpenRegular(path);
}

Expected<std::vector<uint8_t>> ReadWholeFile(const std::string& path)
{
    return ReadFileStart(path, std::numeric_limits<size_t>::max());
}

Expected<std::vector<uint8_t>> ReadWholeFile(const std::string& path, FileStamp& stamp)
{
    struct stat seen {};
    Expected<std::vector<uint8_t>> bytes = ReadRegularFile(path, std::numeric_limits<size_t>::max(), &seen);
    if (bytes)
        stamp = FileStamp::Of(path, seen, *bytes);
    return bytes;
}

Expected<std::vector<uint8_t>> ReadFileStart(const std::string& path, size_t limit)
{
    return ReadRegularFile(path, limit);
}

Expected<void> ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes, FileStamp* stamp,
                                   FileAccess access)
{
    return Replace(path, bytes, stamp, access);
}

Expected<void> RemoveFileIfPresent(const std::string& path)
{
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return {};
    return SystemFailure("无法删除文件", "unlink", errno);
}

}  // namespace kyq
