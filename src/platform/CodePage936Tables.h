// The code page 936 look-up tables, generated at build time from glibc's CP936 converter
// (CodePage936Generator). Hot loops index them directly; everyone else uses CodePage936.
#pragma once

#include <cstdint>

namespace kyq::cp936 {

// Lead byte 0x7F never starts a double-byte character, so no character has this code:
// it marks a UTF-16 unit without a code in CodeByUnit.
inline constexpr int16_t NoCode = 0x7FFF;

// By UTF-16 unit: its code, NoCode when it has none that decodes back to it.
extern const int16_t CodeByUnit[65536];
// By code taken as unsigned 16-bit: its character, U+FFFD when the code is none.
extern const char16_t CharacterByCode[65536];

}  // namespace kyq::cp936
