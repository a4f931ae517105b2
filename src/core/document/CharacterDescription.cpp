#include "core/document/CharacterDescription.h"

#include <cstdio>

#include "platform/Utf.h"

namespace kyq {

namespace {

bool IsHigh(char16_t c) { return c >= 0xD800 && c < 0xDC00; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c < 0xE000; }

struct CharacterAt {
    char32_t code = 0;
    size_t units = 1;   // 2 for a surrogate pair
    size_t number = 1;  // the how-manieth character of the text, from 1
};

CharacterAt CharacterOf(std::u16string_view text, size_t position)
{
    CharacterAt c;
    c.code = text[position];
    if (IsHigh(text[position]) && position + 1 < text.size() && IsLow(text[position + 1])) {
        c.code = 0x10000 + ((c.code - 0xD800) << 10) + (text[position + 1] - 0xDC00);
        c.units = 2;
    }
    for (size_t i = 1; i <= position; ++i)
        c.number += IsLow(text[i]) && IsHigh(text[i - 1]) ? 0 : 1;
    return c;
}

std::string CodePoint(char32_t code)
{
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

}  // namespace

std::string DescribeCharacter(std::u16string_view text, size_t position)
{
    const CharacterAt c = CharacterOf(text, position);
    const std::string number = "第" + std::to_string(c.number) + "个字符";
    const bool invisible = c.code < 0x20 || (c.code >= 0x7F && c.code < 0xA0) || (c.code >= 0xD800 && c.code < 0xE000);
    if (invisible)
        return "字符 " + CodePoint(c.code) + "（" + number + "）";
    return "字符“" + Utf16ToUtf8(text.substr(position, c.units)) + "”（" + CodePoint(c.code) + "，" + number + "）";
}

std::string DescribeCharacterInEnglish(std::u16string_view text, size_t position)
{
    const CharacterAt c = CharacterOf(text, position);
    return CodePoint(c.code) + " at position " + std::to_string(c.number);
}

}  // namespace kyq
