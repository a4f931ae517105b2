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
    // For the summary: what the file held that the document does not get.
    std::vector<std::string> UnimportedColumns;  // CSV header names or JSON field names (UTF-8)
    size_t SkippedRows = 0;                      // items that are no logins (notes, cards, ...)
    // Records without a password field: how many, and the first few by their number in
    // the file (never by their text).
    size_t WithoutPassword = 0;
    std::vector<size_t> WithoutPasswordNumbers;
    std::string Encoding = "UTF-8";              // what the file's bytes were read as
};

// What an import may hold. The readers stop at the first record or text past these, so
// that no input, however large, makes kyq-cli hold more than a document could.
inline constexpr size_t MaxImportRecords = 32767;     // a document's records
inline constexpr size_t MaxImportTextLength = 32767;  // UTF-16 units: a document's longest text
// All texts together: far beyond any real collection of passwords, and what keeps an
// import within a few tens of MiB of memory. A document may hold more (it is this tool's
// limit, not the format's): the refusal says so.
inline constexpr size_t MaxImportTotalLength = 4 * 1024 * 1024;
// Fields in one CSV row, counted as they are read: far more than any export has.
inline constexpr size_t MaxCsvColumns = 1024;

// Numbers of records without a password field that the summary names.
inline constexpr size_t MaxNamedRecords = 20;

inline void NoteWithoutPassword(ImportTable& table, size_t number)
{
    if (++table.WithoutPassword <= MaxNamedRecords)
        table.WithoutPasswordNumbers.push_back(number);
}

inline std::string TooManyRecordsMessage()
{
    return "记录太多：一个文档最多保存" + std::to_string(MaxImportRecords) + "条 (more than " +
           std::to_string(MaxImportRecords) + " records)";
}

inline std::string TooMuchTextMessage(size_t record)
{
    return "到第" + std::to_string(record) + "条记录为止，文字合计已超过" + std::to_string(MaxImportTotalLength) +
           "个字符，不能导入：这是kyq-cli import为限制内存而设的上限，文档本身可以保存更多 (more than " +
           std::to_string(MaxImportTotalLength) + " characters in all: kyq-cli import's own limit, not the document's)";
}

}  // namespace kyq::cli
