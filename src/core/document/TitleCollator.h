// The order titles are shown in: case-insensitive; digits and punctuation first, then Latin
// letters, then Chinese by pinyin (ICU's "zh" collation with Latin reordered before Han).
#pragma once

#include <string>
#include <string_view>

namespace kyq {

class TitleCollator {
public:
    // Binary sort key: comparing two keys with memcmp/operator< gives the title order.
    // Titles that the collation calls equal (e.g. "a" and "A") get equal keys; callers
    // break such ties on the raw text so the order stays deterministic.
    static std::string SortKey(std::u16string_view title);

    // <0, 0, >0 like strcmp, ties already broken by UTF-16 code units.
    static int Compare(std::u16string_view a, std::u16string_view b);
};

}  // namespace kyq
