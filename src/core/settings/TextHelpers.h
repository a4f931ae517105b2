// Small text helpers for stored values.
#pragma once

#include <cstdint>
#include <string>

#include "platform/RegistryStore.h"

namespace kyq {

// Decimal text, zero-padded on the left to `width` (0 = no padding; never cut).
std::string PadNumber(int64_t number, int width);
// "True" / "False".
std::string BoolWord(bool value);
// The decimal number at the start of a text, 0 when there is none.
int64_t LeadingNumber(const std::string& text);
// The login name of this process's user; the machine hive's RegisteredOwner when that
// cannot be had.
std::string WindowsUserName(RegistryStore& store);

}  // namespace kyq
