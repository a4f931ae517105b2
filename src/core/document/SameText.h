// Text equality ignoring letter case, as titles and password confirmations compare.
#pragma once

#include <string>
#include <string_view>

namespace kyq {

// Lower-cases every UTF-16 unit on its own (simple case mapping), so the length never changes.
std::u16string LowerText(std::u16string_view text);

bool SameText(std::u16string_view a, std::u16string_view b);

}  // namespace kyq
