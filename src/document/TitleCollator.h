// The order titles are shown in: case-insensitive; digits and punctuation first, then Latin
// letters, then Chinese by pinyin (ICU's "zh" collation with Latin reordered before Han).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kyq {

class TitleCollator {
public:
    // Binary sort key: comparing two keys with memcmp/operator< gives the title order.
    // Titles that the collation calls equal (e.g. "a" and "A") get equal keys; callers
    // break such ties on the raw text so the order stays deterministic.
    static std::string SortKey(std::u16string_view title);

    // The first 16 bytes of a sort key made piece by piece (zero-padded when the key is
    // shorter; not comparable with SortKey), far cheaper than a whole key. Prefixes that
    // differ order the titles as Compare does; equal ones say nothing, Compare decides.
    using KeyPrefix = std::array<uint8_t, 16>;
    static KeyPrefix SortKeyPrefix(std::u16string_view title);

    // <0, 0, >0 like strcmp, ties already broken by UTF-16 code units.
    static int Compare(std::u16string_view a, std::u16string_view b);
};

}  // namespace kyq
