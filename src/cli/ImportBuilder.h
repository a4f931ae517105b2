// Turns a parsed import file into a document, refusing what a document cannot hold.
#pragma once

#include <string>
#include <string_view>

#include "cli/ImportTable.h"
#include "core/document/PasswordDocument.h"
#include "platform/Expected.h"

namespace kyq::cli {

// Checks, in this order: the owner name (not empty; for format 200 code page 936 only, no
// character with code 14, which ends the name in the file), the document password (not
// empty, no control character; for format 200 code page 936 only), the number of records
// (at most PasswordDocument::MaxEntries), then each record in file order: a title, texts of
// at most 32,767 characters (for format 200 code page 936 only), a title no earlier record
// has (ignoring case, as SameText). The first failure is reported, its Message naming the
// record by number and the field, never a title or a character, and `doc` is left alone.
// Otherwise `doc` becomes the new document (sealed when `sealed`), records in title order;
// records without a date get `today`. The table's texts are moved into the document.
Expected<void> BuildImportDocument(ImportTable table, std::u16string_view owner,
                                   std::u16string_view password, const ImportDate& today,
                                   PasswordDocument& doc, bool sealed = false);

// Gives every record whose title an earlier record has (ignoring case, as SameText) a
// title of its own: the title with the user name in brackets ("example.com (bob)"), or
// with a number ("example.com (2)") where that is taken too or the user name will not do.
// Titles of later records are never taken. Returns how many were renamed.
size_t RenameDuplicateTitles(ImportTable& table);

// The local date.
ImportDate LocalToday();

}  // namespace kyq::cli
