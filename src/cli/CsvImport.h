// Reads CSV (as `kyq-cli export --format csv` and other password managers write it) into
// an ImportTable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/CsvReader.h"
#include "cli/ImportTable.h"
#include "platform/Expected.h"

namespace kyq::cli {

class TextSource;

// The first row names the columns, recognised as CsvColumns says: title, user name (a
// second user-name column fills an empty first), password, url, item kind, notes, and
// date: "Year", "Month", "Day" (all three), or else one such as "Last Modified" (see
// ParseDateText; an empty cell gives today's date, any other text that is no date is
// refused naming the record and the text). Items that are no logins (by their kind, or
// notes kept among logins) are skipped and counted; rows cut short before the password
// column counted by number. Other columns are named in UnimportedColumns. A row with more fields than the header is refused; missing
// trailing fields are empty. Reading stops at the first record or text past the import
// limits (ImportTable.h). A failure's Message (Chinese with the English gist) names where.
Expected<ImportTable> ParseCsvImport(TextSource& source);
Expected<ImportTable> ParseCsvImport(std::string_view text);

}  // namespace kyq::cli
