#include "platform/CodePage936.h"

namespace kyq {

size_t CodePage936::FindUnencodable(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (cp936::CodeByUnit[text[i]] == cp936::NoCode)
            return i;
    }
    return std::u16string_view::npos;
}

}  // namespace kyq
