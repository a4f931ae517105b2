#include "core/document/UnstorableMessage.h"

#include <cstdio>

namespace kyq {

namespace {

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::u16string UnstorableCharacterMessage(std::u16string_view field, std::u16string_view text,
                                          size_t position)
{
    std::u16string shown;
    if (position < text.size()) {
        const char16_t c = text[position];
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) {
            char code[16];
            std::snprintf(code, sizeof code, "%u", static_cast<unsigned>(c));
            shown = u"代码为";
            for (const char* p = code; *p; ++p)
                shown += static_cast<char16_t>(*p);
            shown += u"的控制字符";
        } else {
            shown = u"字符“";
            shown += c;
            // A character outside the basic plane is two units: show both halves.
            if (IsHighSurrogate(c) && position + 1 < text.size() &&
                IsLowSurrogate(text[position + 1]))
                shown += text[position + 1];
            shown += u"”";
        }
    }
    std::u16string message(field);
    message += u"中含有";
    message += shown;
    message += u"，它无法保存在Keyquill文档中，请换用其他字符。";
    return message;
}

}  // namespace kyq
