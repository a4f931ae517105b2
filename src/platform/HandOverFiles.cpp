#include "platform/HandOverFiles.h"

#include "platform/Log.h"
#include "platform/SystemErrorText.h"
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

Error ReadFailure(const std::string& path, const char* step, int code) {
    Error e;
    e.Code = code;
    e.Message = "无法读取文件“" + path + "”：" + SystemErrorReason(code);
    e.Detail = std::string(step) + " " + path + ": " + SystemErrorDetail(code);
    return e;
}

// The whole file when it holds at most HandOverFileCap bytes. A missing file is the error
// with Code ENOENT, a longer one EFBIG.
Expected<std::string> ReadCapped(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return ReadFailure(path, "open", errno);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        const int code = n < 0 ? errno : EFBIG;
        if (n < 0 || text.size() + static_cast<size_t>(n) > HandOverFileCap) {
            ::close(fd);
            return ReadFailure(path, n < 0 ? "read" : "size of", code);
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
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
    const auto text = ReadCapped(folder + HandleFileName);
    if (text)
        return ParseHandleText(*text);
    // No file is the usual case: no instance, or one still starting.
    if (text.error().Code != ENOENT)
        LogWarning(LogArea::Files, text.error().Detail);
    return 0;
}

Expected<void> RemoveHandleFile(const std::string& folder) {
    const std::string path = folder + HandleFileName;
    auto removed = RemoveFileIfPresent(path);
    if (!removed)
        LogWarning(LogArea::Files, "cannot remove " + path + ": " + removed.error().Detail);
    return removed;
}

}  // namespace kyq
