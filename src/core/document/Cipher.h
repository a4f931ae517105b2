// The record cipher of document files: character codes shifted by 14 (passwords also
// reversed), the positional XOR key of format 200 and the single key of format 150.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "core/document/PasswordEntry.h"

namespace kyq {

using CodeText = std::vector<int16_t>;

// A record as the file sees it: the texts as enciphered codes, the dates as they are.
// Working on codes rather than characters keeps every value intact through a wrong
// password or a damaged file; only the final conversion to characters can lose one.
struct CodedRecord {
    CodeText Title;
    CodeText UserName;
    CodeText Password;  // last character first
    int16_t ChangedYear = 0;
    uint8_t ChangedMonth = 0;
    uint8_t ChangedDay = 0;

    bool operator==(const CodedRecord&) const = default;
};

// Every code raised by 14 (16-bit wrap-around), the password reversed: the inverse of
// what the writers store; codes that are no character become CodePage936::Replacement.
PasswordEntry DecipherRecord(const CodedRecord& record);

// One text each way, without reversal (the owner name in the header).
CodeText EncipherText(std::u16string_view text);
std::u16string DecipherText(std::span<const int16_t> codes);

// The codes of the document password's characters, in order. The format-200 reader and
// writer XOR the code at position k of a text (from 0) with key[k mod n]; an empty key
// changes nothing (only a document created outside the dialogs can have an empty password).
CodeText PasswordKey(std::u16string_view password);

// The format-150 key. Sums and the two- and three-character products are 16-bit, the
// final product 32-bit, all signed. Where one of them leaves its range the program this
// format comes from kept whatever its key variable held before, so does this function:
// it returns `keyBefore`. Passing nothing gives 0, the key of a freshly started program.
// Only passwords with double-byte characters can overflow; ASCII ones never do.
int32_t DeriveLegacyKey(std::u16string_view password, int32_t keyBefore = 0);

}  // namespace kyq
