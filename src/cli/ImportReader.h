// An import file read whole into an ImportTable: JSON or CSV told by the first character,
// and the text's encoding (UTF-8, UTF-16 with its mark, else GBK) told by its bytes.
#pragma once

#include <string_view>

#include "cli/ImportTable.h"
#include "platform/Expected.h"

namespace kyq::cli {

// From an open file at its start. Bytes that are no UTF-8 make the file be read again
// from the start as GBK (what spreadsheet programs write on Chinese systems); Encoding
// says which was used. A failure's Message (Chinese with the English gist) names where.
Expected<ImportTable> ReadImportFile(int fd);

}  // namespace kyq::cli
