#include "cli/Utf8Check.h"

namespace kyq::cli {

size_t FirstInvalidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF;  // allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            if (b == 0xE0)
                lo = 0xA0;  // overlong
            if (b == 0xED)
                hi = 0x9F;  // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            if (b == 0xF0)
                lo = 0x90;  // overlong
            if (b == 0xF4)
                hi = 0x8F;  // above U+10FFFF
        } else {
            return i;
        }
        if (n - i < len)
            return i;
        if (p[i + 1] < lo || p[i + 1] > hi)
            return i;
        for (size_t k = 2; k < len; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF)
                return i;
        }
        i += len;
    }
    return std::string_view::npos;
}

TextPosition PositionOf(std::string_view text, size_t offset)
{
    TextPosition pos;
    if (offset > text.size())
        offset = text.size();
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++pos.Line;
            pos.Column = 1;
        } else {
            ++pos.Column;
        }
    }
    return pos;
}

}  // namespace kyq::cli
