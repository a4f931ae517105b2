// Whole-file reads and crash-safe replacement of a file's contents, so a failed or killed
// save never destroys the previous file nor leaves a copy of it behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Expected.h"

namespace kyq {

struct FileStamp;

// Opens a regular file for reading: its descriptor (the caller closes it), or why not for a
// path that cannot be opened or is no regular file (a folder, a pipe, a device).
Expected<int> OpenRegularFile(const std::string& path);

// Reads everything, or says why not (as OpenRegularFile, or a failed read).
Expected<std::vector<uint8_t>> ReadWholeFile(const std::string& path);
// The same, and what the file was as it was read (for a later CompareWithDisk).
Expected<std::vector<uint8_t>> ReadWholeFile(const std::string& path, FileStamp& stamp);
// The same for at most the first `limit` bytes (a header), fewer when the file is shorter.
Expected<std::vector<uint8_t>> ReadFileStart(const std::string& path, size_t limit);

// Replaces the contents of the file at `path` with `bytes`: the bytes go into an unnamed
// file in the target's folder (or, where the file system has no unnamed files, a hidden
// named one), are flushed to the disk, and the file gets its name in the same moment it
// replaces the target, by a rename. On any failure the target is as it was, no temporary
// file is left and the error says why. A save killed at any point leaves the old or the new
// file; a hidden file it may leave (only where the file system has no unnamed files, or
// between the two calls that name and rename it) is removed by the next replacement in
// that folder.
// A new file gets mode 0600; an existing one keeps its permission bits, its access list
// and other extended attributes (one the new file cannot take fails the replacement) and,
// where the process may set them, its owner and group. A symbolic link is followed, also when it
// names no file yet: the file it names is written and the link stays. Only regular files
// are replaced, and only when this user may write them: a file without write permission
// for this user, or without any write permission bit (also for root), is refused.
// `stamp`, when given, becomes what the file is after a replacement.
// OwnerOnly is for files that hold secrets or tokens: the replacement is mode 0600 and
// owned by this user, without the old file's access list, however loose the old file was.
enum class FileAccess { KeepExisting, OwnerOnly };
Expected<void> ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes,
                                   FileStamp* stamp = nullptr, FileAccess access = FileAccess::KeepExisting);

// Removes the file; one that is not there counts as removed.
Expected<void> RemoveFileIfPresent(const std::string& path);

}  // namespace kyq
