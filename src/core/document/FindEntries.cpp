#include "core/document/FindEntries.h"

#include <array>
#include <memory>

#include <unicode/uchar.h>

namespace kyq {

namespace {

using LowerTable = std::array<char16_t, 0x10000>;

// The same simple per-unit mapping as LowerText, looked up instead of asked of ICU for
// every character: a search over a full document touches about a million of them.
const LowerTable& Lower()
{
    static const std::unique_ptr<const LowerTable> table = [] {
        auto t = std::make_unique<LowerTable>();
        for (uint32_t ch = 0; ch < t->size(); ++ch)
            (*t)[ch] = static_cast<char16_t>(u_tolower(static_cast<UChar32>(ch)));
        return std::unique_ptr<const LowerTable>(std::move(t));
    }();
    return *table;
}

// Whether the lower-cased `text` contains `lowered` (already lower case, not empty),
// comparing in place without building a lower-cased copy.
bool Contains(std::u16string_view text, std::u16string_view lowered, const LowerTable& lower)
{
    if (text.size() < lowered.size())
        return false;
    const char16_t first = lowered[0];
    const size_t last = text.size() - lowered.size();
    for (size_t i = 0; i <= last; ++i) {
        if (lower[text[i]] != first)
            continue;
        size_t k = 1;
        while (k < lowered.size() && lower[text[i + k]] == lowered[k])
            ++k;
        if (k == lowered.size())
            return true;
    }
    return false;
}

}  // namespace

std::vector<int> FindEntries(const PasswordDocument& doc, std::u16string_view keyword)
{
    std::vector<int> found;
    if (keyword.empty())
        return found;
    const LowerTable& lower = Lower();
    std::u16string lowered(keyword);
    for (char16_t& ch : lowered)
        ch = lower[ch];
    const int count = doc.EntryCount();
    for (int n = 1; n <= count; ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        if (Contains(e.Title, lowered, lower) || Contains(e.UserName, lowered, lower) ||
            Contains(e.Password, lowered, lower))
            found.push_back(n);
    }
    return found;
}

}  // namespace kyq
