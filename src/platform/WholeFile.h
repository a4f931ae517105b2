// Whole-file reads and crash-safe replacement of a file's contents, so a failed or killed
// save never destroys the previous file nor leaves a copy of it behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kyq {

// Why a file could not be read or replaced.
struct FileError {
    std::string Reason;  // Chinese (UTF-8) for the user: what failed, "：", why
    std::string Detail;  // English for standard error: the step and the system's text
    int Code = 0;        // errno; 0 when no system call failed (e.g. a folder was named)
};

// Opens a regular file for reading: its descriptor (the caller closes it), or -1 and why
// for a path that cannot be opened or is no regular file (a folder, a pipe, a device).
int OpenRegularFile(const std::string& path, FileError& error);

// Reads everything; false (and why) when the path cannot be opened or read or is no
// regular file (a folder, a pipe, a device).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, FileError& error);
// The same for at most the first `limit` bytes (a header), fewer when the file is shorter.
bool ReadFileStart(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, FileError& error);

// Replaces the contents of the file at `path` with `bytes`: the bytes go into an unnamed
// file in the target's folder (or, where the file system has no unnamed files, a hidden
// named one), are flushed to the disk, and the file gets its name in the same moment it
// replaces the target, by a rename. On any failure the target is as it was, no temporary
// file is left and `error` says why. A save killed at any point leaves the old or the new
// file; a hidden file it may leave (only where the file system has no unnamed files, or
// between the two calls that name and rename it) is removed by the next replacement in
// that folder.
// A new file gets mode 0600; an existing one keeps its permission bits and, where the
// process may set them, its owner and group. A symbolic link is followed, also when it
// names no file yet: the file it names is written and the link stays. Only regular files
// are replaced, and only when this user may write them: a file without write permission
// for this user, or without any write permission bit (also for root), is refused.
bool ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes, FileError& error);
// The same for callers that only need the outcome; `error` gets the Chinese reason.
bool ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace kyq
