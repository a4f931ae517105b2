#include "platform/Log.h"
#include "platform/HandOverFiles.h"

#include "platform/WholeFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

namespace kyq {

namespace {

Expected<void> WriteWhole(const std::string& path, std::string_view text) {
    auto written = ReplaceFileContents(
        path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    if (!written)
        LogWarning(LogArea::Files, "cannot write " + path + ": " + written.error().Detail);
    return written;
}

// Reads at most HandOverFileCap bytes; false when the file is missing, unreadable or
// longer than that.
bool ReadCapped(const std::string& path, std::string& text) {
    text.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    char buffer[4096];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + static_cast<size_t>(n) > HandOverFileCap) {
            ok = false;
            break;
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok)
        text.clear();
    return ok;
}

}  // namespace

Expected<void> WriteHandleFile(const std::string& folder, uint64_t handle) {
    return WriteWhole(folder + HandleFileName, std::to_string(handle) + "\r\n");
}

uint64_t ParseHandleText(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n'))
        ++pos;
    uint64_t value = 0;
    constexpr uint64_t max = std::numeric_limits<uint64_t>::max();
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
        uint64_t digit = static_cast<uint64_t>(text[pos] - '0');
        if (value > (max - digit) / 10)
            return 0;  // no window has such a handle: treat as none
        value = value * 10 + digit;
    }
    return value;
}

uint64_t ReadHandleFile(const std::string& folder) {
    std::string text;
    return ReadCapped(folder + HandleFileName, text) ? ParseHandleText(text) : 0;
}

Expected<void> RemoveHandleFile(const std::string& folder) {
    const std::string path = folder + HandleFileName;
    auto removed = RemoveFileIfPresent(path);
    if (!removed)
        LogWarning(LogArea::Files, "cannot remove " + path + ": " + removed.error().Detail);
    return removed;
}

}  // namespace kyq
