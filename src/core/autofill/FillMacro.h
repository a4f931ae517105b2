// Fill macros: the caret escapes that turn a line such as "^n^t^p^r" into the keystrokes
// typed for one record (user name, Tab, password, Enter).
#pragma once

#include <string>

#include "core/document/PasswordEntry.h"

namespace kyq {

inline constexpr char16_t DefaultFillMacro[] = u"^n^t^p^r";

// Escapes, the letter in either case: ^i title, ^n user name, ^p password, ^t Tab (9),
// ^r Enter (13, 10), ^^ one caret, ^hXY the character with the hexadecimal code XY.
// A caret before any other character drops both; a trailing caret is dropped. Texts that
// escapes insert are never scanned again. `record` null (no record chosen): ^i, ^n and ^p
// insert nothing.
//
// ^h reads at most the two characters after it and always consumes them (fewer at the
// end), stopping the value at the first one that is no hexadecimal digit (none gives 0).
// Codes 0-127 are the ASCII characters. Codes 128-255 are single bytes of code page 936:
// the one byte that is a character there (0x80, the euro sign) gives it; the others are
// lead bytes, which are no character on their own, and give nothing.
std::u16string ExpandFillMacro(const std::u16string& macro, const PasswordEntry* record);

}  // namespace kyq
