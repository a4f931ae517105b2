// The header shared by both document formats: format number, grille, owner name.
#pragma once

#include <cstdint>

#include "core/document/ByteCursor.h"
#include "core/document/Cipher.h"
#include "core/document/DocumentFormat.h"
#include "core/document/Grille.h"

namespace kyq {

struct DocumentHeader {
    int32_t FormatVersion = 0;
    Grille FileGrille{};
    CodeText OwnerCodes;  // enciphered, without the terminating 0
};

// Reads a header from the start of `cursor`; on success the cursor stands on the value
// after the owner name's terminating 0 (the block count of format 200, the record count
// of format 150). Values are 2 bytes wide in format 200 and 4 in format 150.
FormatResult ReadDocumentHeader(ByteCursor& cursor, DocumentHeader& header);

}  // namespace kyq
