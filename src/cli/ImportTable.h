// What an import file (JSON or CSV) holds once parsed: records in file order, still unchecked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kyq::cli {

struct ImportDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    bool operator==(const ImportDate&) const = default;
};

struct ImportRecord {
    std::u16string Title;
    std::u16string UserName;
    std::u16string Password;
    std::optional<ImportDate> Changed;  // none: the record gets today's date
};

struct ImportTable {
    std::optional<std::u16string> Owner;  // JSON "owner"; the command line's --owner wins
    std::vector<ImportRecord> Records;
};

// What an import may hold. The readers stop at the first record or text past these, so
// that no input, however large, makes kyq-cli hold more than a document could.
inline constexpr size_t MaxImportRecords = 32767;     // a document's records
inline constexpr size_t MaxImportTextLength = 32767;  // UTF-16 units: a document's longest text
// All texts together: far beyond any real collection of passwords, and what keeps an
// import within a few tens of MiB of memory.
inline constexpr size_t MaxImportTotalLength = 4 * 1024 * 1024;

inline std::string TooManyRecordsMessage()
{
    return "记录太多：一个文档最多保存" + std::to_string(MaxImportRecords) + "条 (more than " +
           std::to_string(MaxImportRecords) + " records)";
}

inline std::string TooMuchTextMessage(size_t record)
{
    return "到第" + std::to_string(record) + "条记录为止，文字合计已超过" + std::to_string(MaxImportTotalLength) +
           "个字符，不能导入 (more than " + std::to_string(MaxImportTotalLength) + " characters in all)";
}

}  // namespace kyq::cli
