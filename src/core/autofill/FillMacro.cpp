#include "core/autofill/FillMacro.h"

#include "platform/CodePage936.h"

namespace kyq {

namespace {

int HexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xd800 && c <= 0xdbff;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xdc00 && c <= 0xdfff;
}

// Length in elements of the character at `pos`: a surrogate pair is one character, and
// splitting it would leave half a character in the typed text.
size_t CharacterLength(const std::u16string& text, size_t pos)
{
    if (IsHighSurrogate(text[pos]) && pos + 1 < text.size() && IsLowSurrogate(text[pos + 1]))
        return 2;
    return 1;
}

void AppendCode(std::u16string& out, int code)
{
    if (code < 0x80) {
        out.push_back(static_cast<char16_t>(code));
    } else if (CodePage936::Decodable(static_cast<int16_t>(code))) {
        out.push_back(CodePage936::FromCode(static_cast<int16_t>(code)));
    }
}

}  // namespace

std::u16string ExpandFillMacro(const std::u16string& macro, const PasswordEntry* record)
{
    std::u16string out;
    size_t pos = 0;
    while (pos < macro.size()) {
        const char16_t c = macro[pos];
        if (c != u'^') {
            out.push_back(c);
            ++pos;
            continue;
        }
        ++pos;
        if (pos >= macro.size())
            break;
        const char16_t escape = macro[pos];
        switch (escape) {
        case u'i':
        case u'I':
            if (record != nullptr)
                out += record->Title;
            break;
        case u'n':
        case u'N':
            if (record != nullptr)
                out += record->UserName;
            break;
        case u'p':
        case u'P':
            if (record != nullptr)
                out += record->Password;
            break;
        case u't':
        case u'T':
            out.push_back(u'\t');
            break;
        case u'r':
        case u'R':
            out += u"\r\n";
            break;
        case u'^':
            out.push_back(u'^');
            break;
        case u'h':
        case u'H': {
            int code = 0;
            bool reading = true;
            for (int digit = 0; digit < 2 && pos + 1 < macro.size(); ++digit) {
                const int value = HexValue(macro[pos + 1]);
                if (value < 0)
                    reading = false;
                if (reading)
                    code = code * 16 + value;
                pos += CharacterLength(macro, pos + 1);
            }
            AppendCode(out, code);
            break;
        }
        default:
            pos += CharacterLength(macro, pos) - 1;
            break;
        }
        ++pos;
    }
    return out;
}

}  // namespace kyq
