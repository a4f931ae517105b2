#include "platform/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace kyq {
namespace {

std::string Why(const char* what, int error)
{
    return std::string(what) + ": " + std::strerror(error);
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

}  // namespace

namespace {

// Reads up to `limit` bytes from the start of a regular file straight into `bytes`.
bool ReadRegularFile(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error)
{
    bytes.clear();
    // Non-blocking so that a FIFO cannot stall the open; only regular files are read, as
    // a device or a pipe could go on for ever.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) {
        error = Why("cannot open", errno);
        return false;
    }
    struct stat info {};
    if (::fstat(file.get(), &info) != 0) {
        error = Why("cannot read", errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        error = "cannot read: it is a folder";
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        error = "cannot read: not a regular file";
        return false;
    }
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
            error = Why("cannot read", errno);
            bytes.clear();
            return false;
        }
        used += static_cast<size_t>(n);
    }
    bytes.resize(used);
    return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error)
{
    return ReadRegularFile(path, std::numeric_limits<size_t>::max(), bytes, error);
}

bool ReadFileStart(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error)
{
    return ReadRegularFile(path, limit, bytes, error);
}

bool ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes, std::string& error)
{
    std::string target = path;
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* real = ::realpath(target.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    bool exists = false;
    mode_t mode = 0600;
    if (::stat(target.c_str(), &info) == 0) {
        if (!S_ISREG(info.st_mode)) {
            error = "cannot write: not a regular file";
            return false;
        }
        exists = true;
        mode = info.st_mode & 07777;
    }

    const std::string folder = FolderOf(target);
    std::string temporary = folder + "/.kyq-save-XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));  // mode 0600
    if (file.get() < 0) {
        error = Why("cannot create a file in the folder", errno);
        return false;
    }
    auto fail = [&](const char* what, int code) {
        ::unlink(temporary.c_str());
        error = Why(what, code);
        return false;
    };
    int code = 0;
    if (!WriteAll(file.get(), bytes, code))
        return fail("cannot write", code);
    if (exists && ::fchmod(file.get(), mode) != 0)
        return fail("cannot set the file mode", errno);
    if (::fsync(file.get()) != 0)
        return fail("cannot flush to disk", errno);
    if (file.Close() != 0)
        return fail("cannot write", errno);
    if (::rename(temporary.c_str(), target.c_str()) != 0)
        return fail("cannot replace the file", errno);

    // Make the rename itself durable; the data is complete either way, so a folder that
    // cannot be synced is no failure.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return true;
}

}  // namespace kyq
