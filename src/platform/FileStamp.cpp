#include "platform/FileStamp.h"

#include <cerrno>
#include <functional>
#include <string_view>

#include "platform/WholeFile.h"

namespace kyq {

namespace {

int64_t ModifiedNsOf(const struct stat& info)
{
    return static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

// Not a defence against anyone who could write the file anyway, only a way to tell two
// versions apart without keeping a copy of the first.
uint64_t HashOf(std::span<const uint8_t> bytes)
{
    return std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

FileStamp FileStamp::Of(const std::string& path, const struct stat& info, std::span<const uint8_t> bytes)
{
    FileStamp stamp;
    stamp.Path = path;
    stamp.Device = info.st_dev;
    stamp.Inode = info.st_ino;
    stamp.Size = info.st_size;
    stamp.ModifiedNs = ModifiedNsOf(info);
    stamp.ContentHash = HashOf(bytes);
    return stamp;
}

FileChange CompareWithDisk(const FileStamp& stamp, std::string* detail)
{
    auto say = [&](const std::string& what) {
        if (detail)
            *detail = what;
    };
    struct stat info {};
    if (::stat(stamp.Path.c_str(), &info) != 0) {
        say(errno == ENOENT ? "the file is gone" : "the file cannot be looked at");
        return errno == ENOENT ? FileChange::Gone : FileChange::Same;
    }
    const bool sameFile = info.st_dev == stamp.Device && info.st_ino == stamp.Inode;
    const bool sameTime = ModifiedNsOf(info) == stamp.ModifiedNs;
    if (info.st_size != stamp.Size) {
        say("size " + std::to_string(stamp.Size) + " -> " + std::to_string(info.st_size) +
            (sameFile ? "" : ", another file (replaced)"));
        return FileChange::Changed;
    }
    const Expected<std::vector<uint8_t>> bytes = ReadWholeFile(stamp.Path);
    if (!bytes) {
        say("the file cannot be read: " + bytes.error().Detail);
        return FileChange::Same;
    }
    if (HashOf(*bytes) == stamp.ContentHash) {
        say(sameFile && sameTime ? "unchanged" : "the same content");
        return FileChange::Same;
    }
    say(std::string("other content of the same size") + (sameFile ? "" : ", another file (replaced)") +
        (sameTime ? ", same modification time" : ""));
    return FileChange::Changed;
}

}  // namespace kyq
