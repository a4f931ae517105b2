// The format-150 reader (declared in DocumentFormat.h): 32-bit values, one XOR key for
// all texts, characters transposed in 16-character blocks, no user name.
#include <utility>

#include "core/document/ByteCursor.h"
#include "core/document/Cipher.h"
#include "core/document/DocumentFormat.h"
#include "core/document/DocumentHeader.h"
#include "core/document/GrilleTransposition.h"
#include "core/document/ReaderYieldClock.h"
#include "platform/WholeFile.h"

namespace kyq {
namespace {

constexpr int32_t MaxTextBlocks = 2047;
constexpr size_t TextBlockBytes = 16 * 4;
// Two block counts, one block each, year, month and day.
constexpr size_t SmallestRecordBytes = 4 + TextBlockBytes + 4 + TextBlockBytes + 3 * 4;
// Ends the enciphered text inside its last block; filler follows.
constexpr int16_t TextEndMarker = 2;

FormatError Fail(FormatErrorKind kind, std::string detail)
{
    return FormatError(kind, std::move(detail));
}

FormatResult ReadText(ByteCursor& cursor, int32_t key, const Grille& grille, CodeText& codes,
                      int index, const char* field)
{
    const std::string where = "record " + std::to_string(index) + ": the " + field;
    int32_t blocks = 0;
    if (!cursor.ReadInt32(blocks))
        return Fail(FormatErrorKind::Truncated, where + " block count is missing");
    if (blocks < 1 || blocks > MaxTextBlocks)
        return Fail(FormatErrorKind::BadCount, where + " has " + std::to_string(blocks) + " blocks");
    if (static_cast<size_t>(blocks) * TextBlockBytes > cursor.Remaining())
        return Fail(FormatErrorKind::Truncated, where + " runs past the end of the file");
    codes.clear();
    for (int32_t b = 0; b < blocks; ++b) {
        Block cells{};
        for (int16_t& cell : cells) {
            int32_t value = 0;
            cursor.ReadInt32(value);  // the count check above guarantees the bytes
            const int32_t code = value ^ key;
            if (code < -32768 || code > 65535)
                return Fail(FormatErrorKind::BadValue,
                            where + " holds " + std::to_string(code) + ", no character code");
            cell = static_cast<int16_t>(static_cast<uint16_t>(code));
        }
        GatherBlock(cells, grille, codes);
    }
    for (size_t i = 0; i < codes.size(); ++i) {
        if (codes[i] == TextEndMarker) {
            codes.resize(i);
            break;
        }
    }
    return {};
}

FormatResult ReadDatePart(ByteCursor& cursor, int32_t lowest, int32_t highest, int32_t& value,
                          int index, const char* part)
{
    if (!cursor.ReadInt32(value))
        return Fail(FormatErrorKind::Truncated,
                    "record " + std::to_string(index) + ": the file ends before the " + part);
    if (value < lowest || value > highest)
        return Fail(FormatErrorKind::BadValue,
                    "record " + std::to_string(index) + ": " + part + " " + std::to_string(value));
    return {};
}

void DiscardPartialRead(PasswordDocument& doc)
{
    doc.Entries.resize(1);
    doc.Titles.Clear();
    doc.ExpiredTitles.clear();
}

FormatResult ReadRecords(PasswordDocument& doc, std::span<const uint8_t> bytes, int32_t key,
                         const ExpiryContext& expiry, const ReaderYield& yield)
{
    ByteCursor cursor(bytes);
    DocumentHeader header;
    if (auto r = ReadDocumentHeader(cursor, header); !r)
        return r;
    if (header.FormatVersion != LegacyFormatNumber)
        return Fail(FormatErrorKind::UnknownFormat, "not a format-150 file");
    doc.FileGrille = header.FileGrille;

    int32_t count = 0;
    if (!cursor.ReadInt32(count))
        return Fail(FormatErrorKind::Truncated, "the file ends before the record count");
    if (count < 0 || count > PasswordDocument::MaxEntries)
        return Fail(FormatErrorKind::BadCount, "record count " + std::to_string(count));
    if (static_cast<size_t>(count) * SmallestRecordBytes > cursor.Remaining())
        return Fail(FormatErrorKind::Truncated,
                    "the file announces " + std::to_string(count) + " records but is too short for them");

    ReaderYieldClock clock(yield);
    for (int index = 1; index <= count; ++index) {
        CodedRecord coded;
        if (auto r = ReadText(cursor, key, header.FileGrille, coded.Title, index, "title"); !r)
            return r;
        if (auto r = ReadText(cursor, key, header.FileGrille, coded.Password, index, "password"); !r)
            return r;
        int32_t year = 0, month = 0, day = 0;
        if (auto r = ReadDatePart(cursor, -32768, 32767, year, index, "year"); !r)
            return r;
        if (auto r = ReadDatePart(cursor, 0, 255, month, index, "month"); !r)
            return r;
        if (auto r = ReadDatePart(cursor, 0, 255, day, index, "day"); !r)
            return r;
        coded.ChangedYear = static_cast<int16_t>(year);
        coded.ChangedMonth = static_cast<uint8_t>(month);
        coded.ChangedDay = static_cast<uint8_t>(day);

        PasswordEntry record = DecipherRecord(coded);
        record.UserName = record.Title;  // the older format has no user name
        doc.AppendEntry(std::move(record));
        CheckExpiry(doc.Entries.back(), expiry, doc.ExpiredTitles);
        doc.AddTitle(doc.Entries.back());
        clock.Step();
    }
    return {};
}

}  // namespace

FormatResult ReadLegacyFormatBytes(PasswordDocument& doc, std::span<const uint8_t> bytes, int32_t legacyKey,
                                   const ExpiryContext& expiry, const ReaderYield& yield)
{
    DiscardPartialRead(doc);
    FormatResult result = ReadRecords(doc, bytes, legacyKey, expiry, yield);
    if (!result)
        DiscardPartialRead(doc);
    return result;
}

}  // namespace kyq
