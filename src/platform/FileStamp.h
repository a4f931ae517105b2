// What a file was when the program last read or wrote it, so that a save can tell whether
// another program (a sync client, another machine) has changed or replaced it since.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <span>
#include <string>

namespace kyq {

struct FileStamp {
    std::string Path;  // as the program names the file; empty: nothing known
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    int64_t ModifiedNs = 0;
    uint64_t ContentHash = 0;

    bool Known() const { return !Path.empty(); }
    // The file `info` describes, holding `bytes`.
    static FileStamp Of(const std::string& path, const struct stat& info, std::span<const uint8_t> bytes);
};

enum class FileChange {
    Same,     // the bytes the program read or wrote (also when only the time or inode moved)
    Changed,  // other bytes than the program read or wrote
    Gone,     // no file at the path any more: nothing there to lose
};

// The file at stamp.Path now, against the stamp. A file of another size has changed; one
// of the same size is compared by its content, as the time stamp may not have moved (a
// write within its resolution, a copy that keeps times). A file that cannot be looked at
// counts as the same: the save that follows then says what stands in the way.
// `detail` (for the log) says what differs.
FileChange CompareWithDisk(const FileStamp& stamp, std::string* detail = nullptr);

}  // namespace kyq
