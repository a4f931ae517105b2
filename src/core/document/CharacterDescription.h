// How messages name one character of a text: by itself where it can be seen, always by its
// code point and its place, so that an invisible or unshowable one can be found too.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kyq {

// "字符“€”（U+20AC，第2个字符）", or "字符 U+0001（第2个字符）" for a control character or a
// lone surrogate. A surrogate pair counts as one character. UTF-8.
std::string DescribeCharacter(std::u16string_view text, size_t position);

// "U+20AC at position 2", for standard error.
std::string DescribeCharacterInEnglish(std::u16string_view text, size_t position);

}  // namespace kyq
