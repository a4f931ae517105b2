// Code page 936 (Simplified Chinese) character codes as document files carry them: a
// single-byte character's code is its byte, a double-byte one's is lead * 256 + trail
// taken as a signed 16-bit number (so Chinese characters have negative codes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/CodePage936Tables.h"

namespace kyq {

class CodePage936 {
public:
    // What FromCode gives for a code that is no character of the code page (a wrong
    // password or a damaged file produces such codes). The code page cannot encode it,
    // so a text holding it is refused by the writer instead of being saved wrongly.
    static constexpr char16_t Replacement = u'\uFFFD';
    // What ToCode gives for a character the code page lacks: '?', as an ANSI
    // conversion would. Only keys see it; the writer refuses such texts.
    static constexpr int16_t FallbackCode = 63;

    // True when the character has a code that converts back to the same character.
    // UTF-16 surrogates (characters outside the BMP) never have one.
    static bool Encodable(char16_t ch) { return cp936::CodeByUnit[ch] != cp936::NoCode; }
    static int16_t ToCode(char16_t ch)
    {
        const int16_t value = cp936::CodeByUnit[ch];
        return value == cp936::NoCode ? FallbackCode : value;
    }
    static bool Decodable(int16_t code) { return FromCode(code) != Replacement; }
    static char16_t FromCode(int16_t code) { return cp936::CharacterByCode[static_cast<uint16_t>(code)]; }

    // Position of the first character of `text` the code page cannot store, or npos.
    static size_t FindUnencodable(std::u16string_view text);
};

}  // namespace kyq
