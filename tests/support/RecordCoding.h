// Enciphering records the way the format-200 and format-150 writers lay them out, kept
// apart from the program's writer so the raw-file builders check the readers
// independently of it.
#pragma once

#include <cstdint>
#include <span>

#include "core/document/Cipher.h"

namespace kyq::test {

// Every code lowered by 14 (16-bit wrap-around); the password reversed.
CodedRecord EncipherRecord(const PasswordEntry& record);
// XORs the code at position k (from 0) with key[k mod n]; an empty key changes nothing.
void ApplyPasswordKey(std::span<int16_t> codes, std::span<const int16_t> key);

}  // namespace kyq::test
