// UTF-8 <-> UTF-16 for the places where logic texts (UTF-16) meet files, settings and the terminal.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kyq {

// Ill-formed input never throws: each bad sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// For loops that turn many characters into UTF-8: the bytes of each UTF-16 unit, first
// byte lowest, with their number (1..3) in the top byte. A surrogate, a character only
// with its partner, stands for U+FFFD here, as a lone one does in Utf16ToUtf8.
extern const std::array<uint32_t, 65536> Utf8OfUnit;

}  // namespace kyq
