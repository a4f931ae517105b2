// Strict UTF-8 validation for text that comes from import files and standard input.
#pragma once

#include <cstddef>
#include <string_view>

namespace kyq::cli {

// Offset of the first byte that does not start a well-formed UTF-8 sequence (overlong
// forms, surrogates and values above U+10FFFF count as ill-formed), or npos.
size_t FirstInvalidUtf8(std::string_view text);

// 1-based line and column (in bytes) of `offset`, for messages.
struct TextPosition {
    size_t Line = 1;
    size_t Column = 1;
};
TextPosition PositionOf(std::string_view text, size_t offset);

}  // namespace kyq::cli
