// Whole-file reads and crash-safe replacement of a file's contents (temporary file in the
// same folder, fsync, rename), so a failed save never destroys the previous file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kyq {

// Reads everything; false (and why, UTF-8) when the path cannot be opened or read or is
// no regular file (a folder, a pipe, a device).
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
// The same for at most the first `limit` bytes (a header), fewer when the file is shorter.
bool ReadFileStart(const std::string& path, size_t limit, std::vector<uint8_t>& bytes, std::string& error);

// Writes `bytes` to a new temporary file next to the target, flushes it to the disk and
// renames it over the target. On any failure the target is as it was, the temporary
// file is gone and `error` says why. A new file gets mode 0600; an existing one keeps
// its permission bits. A symbolic link is followed: the file it names is replaced and
// the link stays. Only regular files are replaced.
bool ReplaceFileContents(const std::string& path, std::span<const uint8_t> bytes, std::string& error);

}  // namespace kyq
