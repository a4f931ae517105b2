// The count a document file announces after its header, read without the password:
// blocks of the record stream (format 200) or records (format 150).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kyq::cli {

struct StoredCount {
    int32_t Format = 0;
    int64_t Count = 0;  // blocks (200) or records (150)
};

// `file` is the whole file. Nothing when the format is unknown, the header has no end, the
// count is out of its range (200: at least 1 block; 150: 0..32,767 records) or the bytes
// that remain cannot hold what the count announces.
std::optional<StoredCount> ReadStoredCount(std::string_view file);
// The same from the start of a file of `fileSize` bytes (`start` holds the count).
std::optional<StoredCount> ReadStoredCount(std::string_view start, uint64_t fileSize);

}  // namespace kyq::cli
