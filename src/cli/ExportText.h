// The text `kyq-cli export` prints for a document: JSON or CSV, UTF-8, records in document order.
#pragma once

#include <string>
#include <string_view>

#include "document/PasswordDocument.h"

namespace kyq::cli {

// A JSON string literal, quotes included: ", \ and control characters escaped, the rest
// as UTF-8.
std::string JsonString(std::u16string_view text);

// One CSV field: quoted (quotes doubled) when it holds a comma, a quote, CR or LF.
std::string CsvField(std::string_view utf8);

// {"format":…,"owner":"…","entries":[ one record per line ]} and a final line end.
std::string ExportJson(const PasswordDocument& doc);

// Header Title,UserName,Password,Year,Month,Day, then one row per record; CRLF line ends.
std::string ExportCsv(const PasswordDocument& doc);

}  // namespace kyq::cli
