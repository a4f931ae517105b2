#include "cli/StoredCount.h"

#include <algorithm>
#include <cstdint>

namespace kyq::cli {

namespace {

constexpr size_t GrilleCells = 16;
constexpr int64_t BlockBytes = 16 * 2;
// Smallest format-150 record: one block of title, one of password (each with its count),
// then year, month and day.
constexpr int64_t SmallestLegacyRecordBytes = (4 + 64) * 2 + 3 * 4;
constexpr int64_t MaxLegacyRecords = 32767;

// Little-endian signed value of `width` bytes at `at`; the caller checked the bounds.
int32_t ValueAt(std::string_view file, size_t at, size_t width)
{
    const auto* p = reinterpret_cast<const unsigned char*>(file.data() + at);
    if (width == 2)
        return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
}

}  // namespace

std::optional<StoredCount> ReadStoredCount(std::string_view file)
{
    return ReadStoredCount(file, file.size());
}

std::optional<StoredCount> ReadStoredCount(std::string_view file, uint64_t fileSize)
{
    if (fileSize < file.size())
        return std::nullopt;
    if (file.size() < 4)
        return std::nullopt;
    StoredCount result;
    result.Format = ValueAt(file, 0, 4);
    size_t width = 0;
    if (result.Format == 200)
        width = 2;
    else if (result.Format == 150)
        width = 4;
    else
        return std::nullopt;

    // Grille cells and owner-name codes are never 0, so the first 0 after the format number
    // ends the header (the same rule the readers use to skip it).
    size_t at = 4;
    if ((file.size() - at) / width < GrilleCells)
        return std::nullopt;
    while (true) {
        if (file.size() - at < width)
            return std::nullopt;
        const int32_t value = ValueAt(file, at, width);
        at += width;
        if (value == 0)
            break;
    }
    if (file.size() - at < 4)
        return std::nullopt;
    result.Count = ValueAt(file, at, 4);
    at += 4;
    const auto remaining = static_cast<int64_t>(std::min<uint64_t>(fileSize - at, INT64_MAX));

    if (result.Format == 200) {
        if (result.Count < 1 || result.Count > remaining / BlockBytes)
            return std::nullopt;
    } else {
        if (result.Count < 0 || result.Count > MaxLegacyRecords ||
            result.Count > remaining / SmallestLegacyRecordBytes)
            return std::nullopt;
    }
    return result;
}

}  // namespace kyq::cli
