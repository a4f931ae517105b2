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

// Every row of CSV text in memory (see CsvReader).
Expected<std::vector<CsvRow>> ReadCsvRows(std::string_view text);

// The first row names the columns, matched ignoring case and surrounding blanks:
//   title: "Title" or "Name"; user name: "UserName", "User Name", "Username", "Login";
//   password: "Password"; date: "Year", "Month", "Day" (all three), or else
//   "Last Modified" / "Modified" (see ParseDateText; an empty cell gives today's date,
//   any other text that is no date is refused naming the record and the text).
// Other columns are ignored. A row with more fields than the header is refused; missing
// trailing fields are empty. Reading stops at the first record or text past the import
// limits (ImportTable.h). A failure's Message (Chinese with the English gist) names where.
Expected<ImportTable> ParseCsvImport(TextSource& source);
Expected<ImportTable> ParseCsvImport(std::string_view text);

}  // namespace kyq::cli
