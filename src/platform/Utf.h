// UTF-8 <-> UTF-16 for the places where logic texts (UTF-16) meet files, settings and the terminal.
#pragma once

#include <string>
#include <string_view>

namespace kyq {

// Ill-formed input never throws: each bad sequence becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace kyq
