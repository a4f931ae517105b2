#include "document/FindEntries.h"

#include <string>

#include <unicode/uchar.h>

#include "document/SameText.h"

namespace kyq {

namespace {

// Same simple per-unit mapping as LowerText; ASCII, most of what titles hold, skips ICU.
inline char16_t LowerUnit(char16_t ch)
{
    if (ch < 0x80)
        return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch;
    return static_cast<char16_t>(u_tolower(ch));
}

// `scratch` is reused across calls so a search over a whole document allocates a handful
// of times, not once per field.
bool Contains(std::u16string_view text, std::u16string_view loweredKeyword, std::u16string& scratch)
{
    if (text.size() < loweredKeyword.size())
        return false;
    scratch.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        scratch[i] = LowerUnit(text[i]);
    return std::u16string_view(scratch).find(loweredKeyword) != std::u16string_view::npos;
}

}  // namespace

std::vector<int> FindEntries(const PasswordDocument& doc, std::u16string_view keyword)
{
    std::vector<int> found;
    if (keyword.empty())
        return found;
    const std::u16string lowered = LowerText(keyword);
    std::u16string scratch;
    const int count = doc.EntryCount();
    for (int n = 1; n <= count; ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        if (Contains(e.Title, lowered, scratch) || Contains(e.UserName, lowered, scratch) ||
            Contains(e.Password, lowered, scratch))
            found.push_back(n);
    }
    return found;
}

}  // namespace kyq
