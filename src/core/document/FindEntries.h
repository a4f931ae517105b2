// Keyword search over the stored passwords: the record numbers the find dialog lists.
#pragma once

#include <string_view>
#include <vector>

#include "core/document/PasswordDocument.h"

namespace kyq {

// Record numbers (1-based, document order) whose title, user name or password contains
// `keyword` as a contiguous run, ignoring letter case the way SameText does. An empty
// keyword finds nothing: the find box never searches for one.
std::vector<int> FindEntries(const PasswordDocument& doc, std::u16string_view keyword);

}  // namespace kyq
