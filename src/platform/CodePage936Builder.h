// Tabulates glibc's CP936 converter into the two look-up tables of CodePage936. Runs at
// build time (CodePage936Generator) and in the tests that check the compiled-in tables.
#pragma once

#include <array>
#include <cstdint>
#include "platform/CodePage936Tables.h"
#include "platform/Expected.h"

namespace kyq {

struct CodePage936TableSet {
    // Code of each UTF-16 unit, cp936::NoCode where it has none that decodes back to it.
    std::array<int16_t, 65536> code;
    // Character of each code taken as unsigned 16-bit, U+FFFD where it is none.
    std::array<char16_t, 65536> character;
};

// Fails when the C library has no CP936 or UTF-16LE converter.
Expected<void> BuildCodePage936Tables(CodePage936TableSet& tables);

}  // namespace kyq
