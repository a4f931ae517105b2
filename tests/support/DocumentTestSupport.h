// Helpers of the document tests: records, a scratch folder, and raw file builders that
// can write what the real writer never would (damaged counts, format 150).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "support/RecordCoding.h"
#include "support/ScratchFolder.h"
#include "support/TestEntries.h"

#include "core/document/Cipher.h"
#include "core/document/Grille.h"
#include "core/document/GrilleTransposition.h"
#include "core/document/PasswordDocument.h"

namespace kyq::test {

// 100 characters, 65 of them Chinese and all of those different (as in a generated
// password): every 20 characters 13 Chinese ones and 7 ASCII ones. Seeds 0 and 1 share
// no Chinese character.
std::u16string ChineseFillText(int seed);

// A document with an owner, a password and the given records, in that order.
PasswordDocument MakeDocument(std::u16string owner, std::u16string password,
                              std::vector<PasswordEntry> records);

std::vector<PasswordEntry> StoredRecords(const PasswordDocument& doc);

// The grille with holes at (1,1), (1,2), (1,3) and (2,2): valid, fixed.
Grille FixedGrille();

// Little-endian value writers.
void Put16(std::vector<uint8_t>& out, int16_t value);
void Put32(std::vector<uint8_t>& out, int32_t value);

// A format-200 file from raw parts: the grille coded with fixed in-range cell values,
// the enciphered owner codes, then `blockCount` and the blocks of `stream` (padded with 1s
// to whole blocks) scattered with the grille; by default the block count they need.
std::vector<uint8_t> RawCurrentFile(const Grille& grille, const CodeText& ownerCodes,
                                    std::vector<int16_t> stream,
                                    std::optional<int32_t> blockCount = std::nullopt);

// The keyed stream values of one record as the format-200 writer lays them out.
void AppendStreamRecord(std::vector<int16_t>& stream, const PasswordEntry& record, const CodeText& key);

// A format-150 file, written the way the older program laid it out: every text is the
// enciphered text, the code-2 marker and filler (code 20) up to whole blocks, unless
// `marker` is false; each value is the code XORed with `key`.
struct LegacyRecord {
    std::u16string Title;
    std::u16string Password;
    int32_t Year = 2003;
    int32_t Month = 7;
    int32_t Day = 9;
    bool marker = true;
};
std::vector<uint8_t> LegacyFile(const Grille& grille, std::u16string_view owner, int32_t key,
                                const std::vector<LegacyRecord>& records,
                                std::optional<int32_t> count = std::nullopt);


std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace kyq::test
