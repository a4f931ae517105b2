#include "core/document/SameText.h"

#include <unicode/uchar.h>

namespace kyq {

std::u16string LowerText(std::u16string_view text)
{
    std::u16string out(text);
    for (char16_t& ch : out) {
        // Surrogate halves have no case of their own; u_tolower leaves them alone.
        ch = static_cast<char16_t>(u_tolower(ch));
    }
    return out;
}

bool SameText(std::u16string_view a, std::u16string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && u_tolower(a[i]) != u_tolower(b[i]))
            return false;
    }
    return true;
}

}  // namespace kyq
