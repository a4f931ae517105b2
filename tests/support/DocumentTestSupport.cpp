#include "support/DocumentTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <stdlib.h>

namespace kyq::test {

PasswordDocument MakeDocument(std::u16string owner, std::u16string password, std::vector<PasswordEntry> records)
{
    PasswordDocument doc;
    doc.OwnerName() = std::move(owner);
    doc.DocumentPassword() = std::move(password);
    for (auto& r : records)
        doc.Entries.push_back(std::move(r));
    return doc;
}

std::vector<PasswordEntry> StoredRecords(const PasswordDocument& doc)
{
    return {doc.Entries.begin() + 1, doc.Entries.end()};
}

Grille FixedGrille()
{
    Grille g{};
    g[0] = g[1] = g[2] = g[5] = true;
    return g;
}

void Put16(std::vector<uint8_t>& out, int16_t value)
{
    const auto raw = static_cast<uint16_t>(value);
    out.push_back(static_cast<uint8_t>(raw & 0xFF));
    out.push_back(static_cast<uint8_t>(raw >> 8));
}

void Put32(std::vector<uint8_t>& out, int32_t value)
{
    const auto raw = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>((raw >> shift) & 0xFF));
}

std::vector<uint8_t> RawCurrentFile(const Grille& grille, const CodeText& ownerCodes, std::vector<int16_t> stream,
                                    std::optional<int32_t> blockCount)
{
    while (stream.empty() || stream.size() % 16 != 0)
        stream.push_back(1);
    std::vector<uint8_t> out;
    Put32(out, 200);
    for (bool hole : grille)
        Put16(out, hole ? 9 : 20);
    for (int16_t code : ownerCodes)
        Put16(out, code);
    Put16(out, 0);
    Put32(out, blockCount.value_or(static_cast<int32_t>(stream.size() / 16)));
    for (size_t b = 0; b < stream.size(); b += 16) {
        Block block;
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(b), 16, block.begin());
        for (int16_t cell : ScatterBlock(block, grille))
            Put16(out, cell);
    }
    return out;
}

void AppendStreamRecord(std::vector<int16_t>& stream, const PasswordEntry& record, const CodeText& key)
{
    CodedRecord coded = EncipherRecord(record);
    for (CodeText* text : {&coded.Title, &coded.UserName, &coded.Password}) {
        ApplyPasswordKey(*text, key);
        stream.push_back(static_cast<int16_t>(text->size()));
        stream.insert(stream.end(), text->begin(), text->end());
    }
    stream.push_back(coded.ChangedYear);
    stream.push_back(coded.ChangedMonth);
    stream.push_back(coded.ChangedDay);
}

namespace {

void PutLegacyText(std::vector<uint8_t>& out, const Grille& grille, int32_t key, CodeText codes, bool marker)
{
    if (marker)
        codes.push_back(2);
    while (codes.empty() || codes.size() % 16 != 0)
        codes.push_back(20);
    Put32(out, static_cast<int32_t>(codes.size() / 16));
    for (size_t b = 0; b < codes.size(); b += 16) {
        Block block;
        std::copy_n(codes.begin() + static_cast<std::ptrdiff_t>(b), 16, block.begin());
        for (int16_t cell : ScatterBlock(block, grille))
            Put32(out, int32_t{cell} ^ key);
    }
}

}  // namespace

std::vector<uint8_t> LegacyFile(const Grille& grille, std::u16string_view owner, int32_t key,
                                const std::vector<LegacyRecord>& records,
                                std::optional<int32_t> count)
{
    std::vector<uint8_t> out;
    Put32(out, 150);
    for (bool hole : grille)
        Put32(out, hole ? 10 : 15);
    for (int16_t code : EncipherText(owner))
        Put32(out, code);
    Put32(out, 0);
    Put32(out, count.value_or(static_cast<int32_t>(records.size())));
    for (const LegacyRecord& r : records) {
        PasswordEntry plain;
        plain.Title = r.Title;
        plain.Password = r.Password;
        const CodedRecord coded = EncipherRecord(plain);
        PutLegacyText(out, grille, key, coded.Title, r.marker);
        PutLegacyText(out, grille, key, coded.Password, r.marker);
        Put32(out, r.Year);
        Put32(out, r.Month);
        Put32(out, r.Day);
    }
    return out;
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, std::span<const uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::u16string ChineseFillText(int seed)
{
    std::u16string text;
    for (int i = 0; i < 100; ++i) {
        if (i % 20 < 13)
            text.push_back(static_cast<char16_t>(0x4e00 + seed * 2000 + i * 13));
        else
            text.push_back(static_cast<char16_t>(u'a' + (i + seed) % 26));
    }
    return text;
}

}  // namespace kyq::test
