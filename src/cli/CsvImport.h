// Reads CSV (RFC 4180, as `kyq-cli export --format csv` and other password managers write it)
// into an ImportTable.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/ImportTable.h"

namespace kyq::cli {

struct CsvRow {
    size_t Line = 0;  // 1-based line where the row starts
    std::vector<std::string> Fields;
};

struct CsvRows {
    bool Ok = false;
    std::string Error;
    std::vector<CsvRow> Rows;
};

// Splits CSV text into rows. Fields may be quoted ("" is a quote inside one; commas, CR
// and LF inside quotes are data); rows end at CRLF, LF or a lone CR. A quote inside an
// unquoted field is taken as data. Blank lines are skipped. A quoted field that never
// ends, or text right after a closing quote, is an error naming the line.
CsvRows ReadCsvRows(std::string_view text);

// The first row names the columns, matched ignoring case and surrounding blanks:
//   title: "Title" or "Name"; user name: "UserName", "User Name", "Username", "Login";
//   password: "Password"; date: "Year", "Month", "Day" (all three), or else
//   "Last Modified" / "Modified" (see ParseDateText; unreadable dates give today's).
// Other columns are ignored. A row with more fields than the header is refused; missing
// trailing fields are empty.
ImportParseResult ParseCsvImport(std::string_view text);

}  // namespace kyq::cli
