// Reads the JSON that `kyq-cli export` writes (and hand-made variants of it) into an ImportTable.
#pragma once

#include <string_view>

#include "cli/ImportTable.h"
#include "platform/Expected.h"

namespace kyq::cli {

// {"format":200,"owner":"…","entries":[{"title":"…","username":"…","password":"…",
//  "year":2024,"month":2,"day":29}, …]}. "format", "owner" and every field may be missing
// (null counts as missing). An entry's fields go by the names CSV columns have ("login",
// "pass", "email", "url", "type", "modified", …, see CsvColumns): items that are no
// logins are skipped and counted, entries without a password field counted by number,
// and fields not taken named in UnimportedColumns. Without "entries" (or
// with an array outside) the text is refused: it is another program's. A record has
// either all three date fields or none. Nesting deeper than MaxJsonDepth is refused, so
// hostile input cannot exhaust the stack.
// Reading stops at the first record or text past the import limits (ImportTable.h).
// A failure's Message (Chinese with the English gist) names where.
inline constexpr int MaxJsonDepth = 64;
class TextSource;
Expected<ImportTable> ParseJsonImport(TextSource& source);
Expected<ImportTable> ParseJsonImport(std::string_view text);

}  // namespace kyq::cli
