// What an import file (JSON or CSV) holds once parsed: records in file order, still unchecked.
#pragma once

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

// A parse failure: a message (UTF-8, Chinese with the English gist) that names where.
struct ImportParseResult {
    bool Ok = false;
    std::string Error;
    ImportTable Table;
};

}  // namespace kyq::cli
