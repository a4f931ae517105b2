#include "document/DocumentFormat.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>

#include "document/ByteCursor.h"
#include "document/Cipher.h"
#include "document/DocumentHeader.h"
#include "document/GrilleTransposition.h"
#include "document/RandomInRange.h"
#include "document/ReaderYieldClock.h"
#include "platform/CodePage936.h"
#include "platform/Utf.h"
#include "platform/WholeFile.h"

namespace kyq {
namespace {

constexpr size_t BlockValues = 16;
constexpr size_t BlockBytes = 2 * BlockValues;
constexpr size_t RecordOverhead = 6;  // three lengths, year, month, day

FormatResult Fail(FormatErrorKind kind, std::string detail)
{
    return FormatResult{kind, std::move(detail)};
}

std::string RecordName(int index, const std::u16string& title)
{
    constexpr size_t Shown = 40;
    std::u16string shown = title.substr(0, Shown);
    if (title.size() > Shown)
        shown += u"…";
    return "record " + std::to_string(index) + " \"" + Utf16ToUtf8(shown) + "\"";
}

std::string CharacterName(std::u16string_view text, size_t position)
{
    char32_t ch = text[position];
    if (ch >= 0xD800 && ch < 0xDC00 && position + 1 < text.size() && text[position + 1] >= 0xDC00 &&
        text[position + 1] < 0xE000)
        ch = 0x10000 + ((ch - 0xD800) << 10) + (text[position + 1] - 0xDC00);
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(ch));
    return std::string(code) + " at position " + std::to_string(position + 1);
}

FormatResult CheckStorable(const PasswordDocument& doc)
{
    const size_t ownerBad = FindUnstorableInOwnerName(doc.OwnerName());
    if (ownerBad != std::u16string::npos)
        return Fail(FormatErrorKind::Unstorable,
                    "the owner name holds a character a document cannot store: " +
                        CharacterName(doc.OwnerName(), ownerBad));
    if (doc.EntryCount() > PasswordDocument::MaxEntries)
        return Fail(FormatErrorKind::Unstorable, std::to_string(doc.EntryCount()) +
                                                     " records, more than a document holds (32767)");
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
        if (record.Title.empty())
            return Fail(FormatErrorKind::Unstorable, RecordName(i, record.Title) + " has an empty title");
        const std::pair<const char*, const std::u16string*> fields[] = {
            {"title", &record.Title}, {"user name", &record.UserName}, {"password", &record.Password}};
        for (const auto& [field, text] : fields) {
            if (text->size() > MaxTextLength)
                return Fail(FormatErrorKind::Unstorable,
                            RecordName(i, record.Title) + ": the " + field + " has " +
                                std::to_string(text->size()) + " characters, more than 32767");
            const size_t bad = CodePage936::FindUnencodable(*text);
            if (bad != std::u16string::npos)
                return Fail(FormatErrorKind::Unstorable,
                            RecordName(i, record.Title) + ": the " + field +
                                " holds a character code page 936 lacks: " + CharacterName(*text, bad));
        }
    }
    return {};
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

void AppendText(std::vector<int16_t>& stream, CodeText codes, const CodeText& key)
{
    ApplyPasswordKey(codes, key);
    stream.push_back(static_cast<int16_t>(codes.size()));
    stream.insert(stream.end(), codes.begin(), codes.end());
}

// Reads one keyed text of the record stream: its length, then its codes.
class StreamReader {
public:
    explicit StreamReader(const std::vector<int16_t>& stream) : stream_(stream) {}

    bool Next(int16_t& value)
    {
        if (at_ >= stream_.size())
            return false;
        value = stream_[at_++];
        return true;
    }

    FormatResult Text(int16_t length, const CodeText& key, CodeText& codes, int index, const char* field)
    {
        if (length < 0)
            return Fail(FormatErrorKind::BadCount, "record " + std::to_string(index) + ": " + field +
                                                       " length " + std::to_string(length));
        if (static_cast<size_t>(length) > stream_.size() - at_)
            return Fail(FormatErrorKind::Truncated, "record " + std::to_string(index) + ": the " + field +
                                                        " runs past the end of the stream");
        codes.assign(stream_.begin() + static_cast<std::ptrdiff_t>(at_),
                     stream_.begin() + static_cast<std::ptrdiff_t>(at_ + static_cast<size_t>(length)));
        at_ += static_cast<size_t>(length);
        ApplyPasswordKey(codes, key);
        return {};
    }

private:
    const std::vector<int16_t>& stream_;
    size_t at_ = 0;
};

FormatResult ParseRecords(PasswordDocument& doc, const std::vector<int16_t>& stream,
                          const ExpiryContext& expiry, ReaderYieldClock& clock)
{
    const CodeText key = PasswordKey(doc.DocumentPassword());
    StreamReader reader(stream);
    for (int index = 1;; ++index) {
        int16_t length = 0;
        if (!reader.Next(length))
            return Fail(FormatErrorKind::Truncated, "the record stream ends without its terminating 0");
        if (length == 0)
            return {};  // whatever follows is filler
        if (index > PasswordDocument::MaxEntries)
            return Fail(FormatErrorKind::BadCount, "more than 32767 records");

        CodedRecord coded;
        if (auto r = reader.Text(length, key, coded.Title, index, "title"); !r)
            return r;
        for (auto [text, field] : {std::pair{&coded.UserName, "user name"}, std::pair{&coded.Password, "password"}}) {
            if (!reader.Next(length))
                return Fail(FormatErrorKind::Truncated,
                            "record " + std::to_string(index) + ": the stream ends before the " + field);
            if (auto r = reader.Text(length, key, *text, index, field); !r)
                return r;
        }
        int16_t year = 0, month = 0, day = 0;
        if (!reader.Next(year) || !reader.Next(month) || !reader.Next(day))
            return Fail(FormatErrorKind::Truncated,
                        "record " + std::to_string(index) + ": the stream ends inside the date");
        if (month < 0 || month > 255 || day < 0 || day > 255)
            return Fail(FormatErrorKind::BadValue, "record " + std::to_string(index) + ": month " +
                                                       std::to_string(month) + ", day " + std::to_string(day));
        coded.ChangedYear = year;
        coded.ChangedMonth = static_cast<uint8_t>(month);
        coded.ChangedDay = static_cast<uint8_t>(day);

        doc.AppendEntry(DecipherRecord(coded));
        CheckExpiry(doc.Entries.back(), expiry, doc.ExpiredList);
        doc.AddTitle(doc.Entries.back());
        clock.Step();
    }
}

void DiscardPartialRead(PasswordDocument& doc)
{
    doc.Entries.resize(1);
    doc.Titles.Clear();
    doc.ExpiredList = ExpiredListStart;
}

}  // namespace

size_t FindUnstorableInOwnerName(std::u16string_view name)
{
    const size_t terminator = name.find(u'\x0E');
    const size_t unencodable = CodePage936::FindUnencodable(name);
    return std::min(terminator, unencodable);
}

FormatResult ProbeHeaderBytes(PasswordDocument& doc, std::span<const uint8_t> bytes)
{
    ByteCursor cursor(bytes);
    DocumentHeader header;
    if (auto r = ReadDocumentHeader(cursor, header); !r)
        return r;
    doc.FormatVersion = header.FormatVersion;
    doc.FileGrille = header.FileGrille;
    doc.KeepOwnerOnly();
    doc.OwnerName() = DecipherText(header.OwnerCodes);
    return {};
}

FormatResult ProbeHeader(PasswordDocument& doc, const std::string& path)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(path, bytes, error))
        return Fail(FormatErrorKind::CannotOpen, error);
    return ProbeHeaderBytes(doc, bytes);
}

FormatResult ReadCurrentFormatBytes(PasswordDocument& doc, std::span<const uint8_t> bytes,
                                    const ExpiryContext& expiry, const ReaderYield& yield)
{
    DiscardPartialRead(doc);
    ReaderYieldClock clock(yield);
    auto result = [&]() -> FormatResult {
        ByteCursor cursor(bytes);
        DocumentHeader header;
        if (auto r = ReadDocumentHeader(cursor, header); !r)
            return r;
        if (header.FormatVersion != CurrentFormatNumber)
            return Fail(FormatErrorKind::UnknownFormat, "not a format-200 file");
        doc.FileGrille = header.FileGrille;

        int32_t blocks = 0;
        if (!cursor.ReadInt32(blocks))
            return Fail(FormatErrorKind::Truncated, "the file ends before the block count");
        if (blocks < 1)
            return Fail(FormatErrorKind::BadCount, "block count " + std::to_string(blocks));
        if (static_cast<uint64_t>(blocks) * BlockBytes > cursor.Remaining())
            return Fail(FormatErrorKind::Truncated, "the file announces " + std::to_string(blocks) +
                                                        " blocks but holds " +
                                                        std::to_string(cursor.Remaining() / BlockBytes));
        // The grille is the same for every block: gather the cell numbers once and use
        // them as the read order of each block's cells.
        Block cellNumbers{};
        for (size_t cell = 0; cell < cellNumbers.size(); ++cell)
            cellNumbers[cell] = static_cast<int16_t>(cell);
        std::vector<int16_t> order;
        GatherBlock(cellNumbers, header.FileGrille, order);
        std::vector<int16_t> stream;
        stream.reserve(static_cast<size_t>(blocks) * order.size());
        for (int32_t b = 0; b < blocks; ++b) {
            Block cells{};
            for (int16_t& cell : cells)
                cursor.ReadInt16(cell);  // the count check above guarantees the bytes
            for (int16_t cell : order)
                stream.push_back(cells[static_cast<size_t>(cell)]);
            clock.Step();
        }
        return ParseRecords(doc, stream, expiry, clock);
    }();
    if (!result)
        DiscardPartialRead(doc);
    return result;
}

FormatResult ReadCurrentFormat(PasswordDocument& doc, const ExpiryContext& expiry, const ReaderYield& yield)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadWholeFile(doc.Path, bytes, error)) {
        DiscardPartialRead(doc);
        return Fail(FormatErrorKind::CannotOpen, error);
    }
    return ReadCurrentFormatBytes(doc, bytes, expiry, yield);
}

FormatResult EncodeDocument(const PasswordDocument& doc, std::vector<uint8_t>& out)
{
    out.clear();
    if (auto r = CheckStorable(doc); !r)
        return r;

    size_t values = 1;  // the terminating 0
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
        values += record.Title.size() + record.UserName.size() + record.Password.size() + RecordOverhead;
    }
    const size_t streamSize = (values + BlockValues - 1) / BlockValues * BlockValues;
    const size_t blocks = streamSize / BlockValues;
    if (blocks > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return Fail(FormatErrorKind::Unstorable, "the records need more blocks than a document holds");

    const CodeText key = PasswordKey(doc.DocumentPassword());
    std::vector<int16_t> stream;
    stream.reserve(streamSize);
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        CodedRecord coded = EncipherRecord(doc.Entries[static_cast<size_t>(i)]);
        AppendText(stream, std::move(coded.Title), key);
        AppendText(stream, std::move(coded.UserName), key);
        AppendText(stream, std::move(coded.Password), key);
        stream.push_back(coded.ChangedYear);
        stream.push_back(coded.ChangedMonth);
        stream.push_back(coded.ChangedDay);
    }
    stream.push_back(0);
    while (stream.size() < streamSize)
        stream.push_back(RandomInRange(1, 255));

    const Grille grille = MakeGrille();
    const CodeText owner = EncipherText(doc.OwnerName());
    out.reserve(4 + BlockBytes + 2 * owner.size() + 2 + 4 + 2 * streamSize);
    Put32(out, CurrentFormatNumber);
    for (bool hole : grille)
        Put16(out, EncodeGrilleCell(hole));
    for (int16_t code : owner)
        Put16(out, code);
    Put16(out, 0);
    Put32(out, static_cast<int32_t>(blocks));
    for (size_t b = 0; b < blocks; ++b) {
        Block block;
        std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(b * BlockValues), BlockValues, block.begin());
        for (int16_t cell : ScatterBlock(block, grille))
            Put16(out, cell);
    }
    return {};
}

FormatResult WriteDocument(const PasswordDocument& doc, const std::string& path)
{
    std::vector<uint8_t> bytes;
    if (auto r = EncodeDocument(doc, bytes); !r)
        return r;
    std::string error;
    if (!ReplaceFileContents(path, bytes, error))
        return Fail(FormatErrorKind::CannotWrite, error);
    return {};
}

}  // namespace kyq
