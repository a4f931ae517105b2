// What the fill dialog listed, kept so that its OK types from the record the user picked:
// never from another document that took the listed one's place, never from the record that
// moved into the picked row after an edit in the main window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document/PasswordDocument.h"

namespace kyq {

struct FillListing {
    uint64_t DocumentSerial = 0;
    std::vector<std::u16string> Titles;  // row 0 is record 1
};

// serial: the document's close count (DocumentSession::Serial) now.
FillListing ListForFill(const PasswordDocument& doc, uint64_t serial);

// The record shown in `row` when the listing was made, as the document holds it now;
// nullptr when another document has taken its place or the record is gone.
const PasswordEntry* PickedEntry(const PasswordDocument& doc, uint64_t serial,
                                 const FillListing& listing, int row);

}  // namespace kyq
