// Temporary folders, file helpers and a hand-built format-150 document for the kyq-cli tests.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/document/Cipher.h"
#include "core/document/GrilleTransposition.h"
#include "core/document/PasswordEntry.h"
#include "support/RecordCoding.h"
#include "support/ScratchFolder.h"

namespace kyq::cli::testing {

using TempDir = kyq::test::ScratchFolder;

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline bool Exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// A format-150 file as the previous version wrote it: every value 32 bits, texts cut into
// 16-character blocks (enciphered text, a code 2, filler), transposed and keyed.
inline std::string LegacyFile(const std::u16string& owner, const std::u16string& password,
                              const std::vector<PasswordEntry>& records)
{
    std::string out;
    auto put = [&out](int32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    const Grille grille = MakeGrille();
    const int32_t key = DeriveLegacyKey(password);
    put(150);
    for (bool hole : grille)
        put(EncodeGrilleCell(hole));
    for (int16_t code : EncipherText(owner))
        put(code);
    put(0);
    put(static_cast<int32_t>(records.size()));
    auto putText = [&](CodeText codes) {
        codes.push_back(2);
        while (codes.size() % 16 != 0)
            codes.push_back(static_cast<int16_t>(33 + codes.size() % 50));
        put(static_cast<int32_t>(codes.size() / 16));
        for (size_t b = 0; b < codes.size(); b += 16) {
            Block block{};
            for (size_t i = 0; i < 16; ++i)
                block[i] = codes[b + i];
            for (int16_t cell : ScatterBlock(block, grille))
                put(static_cast<int32_t>(cell) ^ key);
        }
    };
    for (const PasswordEntry& e : records) {
        const CodedRecord coded = kyq::test::EncipherRecord(e);
        putText(coded.Title);
        putText(coded.Password);
        put(e.ChangedYear);
        put(e.ChangedMonth);
        put(e.ChangedDay);
    }
    return out;
}

}  // namespace kyq::cli::testing
