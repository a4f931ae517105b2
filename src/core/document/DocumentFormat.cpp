#include "core/document/DocumentFormat.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include "core/document/BlockStream.h"
#include "core/document/ByteCursor.h"
#include "core/document/Cipher.h"
#include "core/document/DocumentHeader.h"
#include "core/document/GrilleTransposition.h"
#include "core/document/RandomInRange.h"
#include "core/document/ReaderYieldClock.h"
#include "core/document/SealedFormat.h"
#include "platform/CodePage936.h"
#include "platform/CodePage936Tables.h"
#include "platform/Utf.h"
#include "platform/WholeFile.h"

namespace kyq {
namespace {

constexpr size_t RecordOverhead = 6;  // three lengths, year, month, day

FormatError Fail(FormatErrorKind kind, std::string detail)
{
    return FormatError(kind, std::move(detail));
}

// What the format cannot hold, said twice: in English for standard error, in Chinese for
// the user. Neither names a title or a character: both reach logs and terminals.
FormatError Unstorable(std::string detail, std::string reason)
{
    return FormatError(FormatErrorKind::Unstorable, std::move(detail), std::move(reason));
}

bool IsSurrogate(char16_t c)
{
    return c >= 0xD800 && c < 0xE000;
}

// A surrogate without its partner: no UTF-8 can hold it.
bool HasLoneSurrogate(std::u16string_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsSurrogate(text[i]))
            continue;
        if (text[i] >= 0xDC00 || i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] >= 0xE000)
            return true;
        ++i;
    }
    return false;
}

}  // namespace

FormatResult CheckDocumentStorable(const PasswordDocument& doc, int32_t format)
{
    const bool codePage = format != SealedFormatNumber;
    const std::u16string& owner = doc.OwnerName();
    if (owner.size() > MaxTextLength)
        return Unstorable("the owner name has more than 32767 characters", "文档用户名超过了32767个字符");
    if (codePage ? FindUnstorableInOwnerName(owner) != std::u16string::npos : HasLoneSurrogate(owner))
        return Unstorable(codePage ? "the owner name holds a character format 200 cannot store"
                                   : "the owner name holds a lone surrogate",
                          codePage ? "文档用户名中有旧格式（200）的文档无法保存的字符（GBK字符集以外的字符或控制字符）"
                                   : "文档用户名中有无效的字符");
    if (codePage && CodePage936::FindUnencodable(doc.DocumentPassword()) != std::u16string::npos)
        return Unstorable("the document password holds a character code page 936 lacks, which cannot key format 200",
                          "文档密码中有GBK字符集以外的字符，不能用作旧格式（200）文档的密码，请先更改密码");
    if (doc.EntryCount() > PasswordDocument::MaxEntries)
        return Unstorable(std::to_string(doc.EntryCount()) + " records, more than a document holds (32767)",
                          "文档有" + std::to_string(doc.EntryCount()) + "条记录，超过了一个文档能保存的32767条");
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
        const std::string english = "record " + std::to_string(i);
        const std::string chinese = "第" + std::to_string(i) + "条记录";
        if (record.Title.empty())
            return Unstorable(english + " has an empty title", chinese + "没有标题");
        struct Field {
            const char* english;
            const char* chinese;
            const std::u16string* text;
        };
        const Field fields[] = {{"title", "标题", &record.Title},
                                {"user name", "用户名称", &record.UserName},
                                {"password", "密码", &record.Password}};
        for (const Field& field : fields) {
            const std::u16string& text = *field.text;
            if (text.size() > MaxTextLength)
                return Unstorable(english + ": the " + field.english + " has " + std::to_string(text.size()) +
                                      " characters, more than 32767",
                                  chinese + "的" + field.chinese + "有" + std::to_string(text.size()) +
                                      "个字符，超过了32767个");
            if (codePage && CodePage936::FindUnencodable(text) != std::u16string::npos)
                return Unstorable(english + ": the " + field.english + " holds a character code page 936 lacks",
                                  chinese + "的" + field.chinese +
                                      "中有GBK字符集以外的字符，旧格式（200）的文档无法保存它");
            if (!codePage && HasLoneSurrogate(text))
                return Unstorable(english + ": the " + field.english + " holds a lone surrogate",
                                  chinese + "的" + field.chinese + "中有无效的字符");
        }
    }
    return {};
}

namespace {

// The key codes of the document password as the stream's texts cycle through them,
// written out for the first positions of a text so that decoding needs no modulo and no
// wrap test; an empty password (only a document made outside the dialogs has one) XORs
// with 0.
class KeyCycle {
public:
    static constexpr size_t Unrolled = 256;

    explicit KeyCycle(std::u16string_view password) : codes_(PasswordKey(password))
    {
        if (codes_.empty())
            codes_.push_back(0);
        for (size_t i = 0; i < Unrolled; ++i)
            unrolled_[i] = static_cast<uint16_t>(codes_[i % codes_.size()]);
    }

    // Key code of position i (from 0) of a text.
    uint16_t At(size_t i) const
    {
        return i < Unrolled ? unrolled_[i] : static_cast<uint16_t>(codes_[i % codes_.size()]);
    }
    // The key of the first Unrolled positions.
    const uint16_t* Unrolled16() const { return unrolled_.data(); }

private:
    CodeText codes_;
    std::array<uint16_t, Unrolled> unrolled_{};
};

constexpr uint16_t Shift = 14;  // the record cipher's shift of every code

// Decodes one keyed text of `length` codes straight into `text`: XOR with the key cycle
// (restarting at the text's first code), raise by the shift, take the character. The
// password is stored last character first; `Reversed` puts it back in order.
template <bool Reversed>
void DecodeText(BlockStreamReader& stream, size_t length, const KeyCycle& key, std::u16string& text)
{
    text.resize(length);
    char16_t* out = text.data();
    const auto decode = [&](size_t i, uint16_t stored, uint16_t keyCode) {
        const auto code = static_cast<uint16_t>(stored ^ keyCode);
        out[Reversed ? length - 1 - i : i] = cp936::CharacterByCode[static_cast<uint16_t>(code + Shift)];
    };
    if (length <= KeyCycle::Unrolled) {
        const uint16_t* keyCodes = key.Unrolled16();
        stream.Take(length, [&](size_t i, uint16_t stored) { decode(i, stored, keyCodes[i]); });
    } else {
        stream.Take(length, [&](size_t i, uint16_t stored) { decode(i, stored, key.At(i)); });
    }
}

// Decodes the text when its length can be used, else leaves it and says no; the message
// is made apart (TextFailure), off the path every text takes.
bool ReadText(BlockStreamReader& stream, int16_t length, const KeyCycle& key, bool reversed, std::u16string& text)
{
    if (length < 0 || static_cast<size_t>(length) > stream.Remaining())
        return false;
    if (reversed)
        DecodeText<true>(stream, static_cast<size_t>(length), key, text);
    else
        DecodeText<false>(stream, static_cast<size_t>(length), key, text);
    return true;
}

// The same straight into UTF-8, for a reader that passes the texts on as such. A password
// (stored last character first) goes through UTF-16 to be turned round.
bool ReadText(BlockStreamReader& stream, int16_t length, const KeyCycle& key, bool reversed, std::string& text)
{
    if (length < 0 || static_cast<size_t>(length) > stream.Remaining())
        return false;
    const auto count = static_cast<size_t>(length);
    if (reversed) {
        thread_local std::u16string turned;
        DecodeText<true>(stream, count, key, turned);
        text.resize(3 * count + 4);
        char* out = text.data();
        for (const char16_t ch : turned) {
            const uint32_t word = Utf8OfUnit[ch];
            std::memcpy(out, &word, 4);  // the bytes, lowest first; the fourth is written over
            out += word >> 24;
        }
        text.resize(static_cast<size_t>(out - text.data()));
        return true;
    }
    text.resize(3 * count + 4);
    char* out = text.data();
    const auto decode = [&](size_t, uint16_t stored, uint16_t keyCode) {
        const auto code = static_cast<uint16_t>(stored ^ keyCode);
        const uint32_t word = Utf8OfUnit[cp936::CharacterByCode[static_cast<uint16_t>(code + Shift)]];
        std::memcpy(out, &word, 4);
        out += word >> 24;
    };
    if (count <= KeyCycle::Unrolled) {
        const uint16_t* keyCodes = key.Unrolled16();
        stream.Take(count, [&](size_t i, uint16_t stored) { decode(i, stored, keyCodes[i]); });
    } else {
        stream.Take(count, [&](size_t i, uint16_t stored) { decode(i, stored, key.At(i)); });
    }
    text.resize(static_cast<size_t>(out - text.data()));
    return true;
}

[[gnu::cold]] [[gnu::noinline]] FormatError TextFailure(int16_t length, int index, const char* field)
{
    if (length < 0)
        return Fail(FormatErrorKind::BadCount,
                    "record " + std::to_string(index) + ": " + field + " length " + std::to_string(length));
    return Fail(FormatErrorKind::Truncated,
                "record " + std::to_string(index) + ": the " + field + " runs past the end of the stream");
}

// How many records the stream holds up to its terminating 0, found by hopping over the
// texts, so that the records can be stored without the vector growing under them. Stops
// early (and the count is then only a hint) where the stream is damaged; the reader
// reports that.
size_t CountRecords(BlockStreamReader stream)
{
    size_t count = 0;
    while (count <= static_cast<size_t>(PasswordDocument::MaxEntries) && stream.Remaining() > 0) {
        int16_t length = stream.Next();
        if (length == 0)
            break;
        for (int text = 0; text < 3; ++text) {  // title, user name, password
            if (text > 0) {
                if (stream.Remaining() == 0)
                    return count;
                length = stream.Next();
            }
            if (length < 0 || static_cast<size_t>(length) > stream.Remaining())
                return count;
            stream.Skip(static_cast<size_t>(length));
        }
        if (stream.Remaining() < 3)
            return count;
        stream.Skip(3);  // the date
        ++count;
    }
    return count;
}

// Passes over a text, checked as ReadText checks it.
bool SkipText(BlockStreamReader& stream, int16_t length)
{
    if (length < 0 || static_cast<size_t>(length) > stream.Remaining())
        return false;
    stream.Skip(static_cast<size_t>(length));
    return true;
}

// Reads every record of the stream up to its terminating 0, checking each count: `place()`
// gives the entry a record is decoded into, `placed(entry)` takes it once its date is
// read. With `titlesOnly` the user name and the password are passed over, not decoded.
template <typename Place, typename Placed>
FormatResult WalkRecords(BlockStreamReader& stream, const KeyCycle& key, bool titlesOnly, Place place, Placed placed)
{
    for (int index = 1;; ++index) {
        if (stream.Remaining() == 0)
            return Fail(FormatErrorKind::Truncated, "the record stream ends without its terminating 0");
        const int16_t titleLength = stream.Next();
        if (titleLength == 0)
            return {};  // whatever follows is filler
        if (index > PasswordDocument::MaxEntries)
            return Fail(FormatErrorKind::BadCount, "more than 32767 records");

        auto& record = place();
        if (!ReadText(stream, titleLength, key, false, record.Title))
            return TextFailure(titleLength, index, "title");
        if (stream.Remaining() == 0)
            return Fail(FormatErrorKind::Truncated,
                        "record " + std::to_string(index) + ": the stream ends before the user name");
        if (const int16_t length = stream.Next();
            !(titlesOnly ? SkipText(stream, length) : ReadText(stream, length, key, false, record.UserName)))
            return TextFailure(length, index, "user name");
        if (stream.Remaining() == 0)
            return Fail(FormatErrorKind::Truncated,
                        "record " + std::to_string(index) + ": the stream ends before the password");
        if (const int16_t length = stream.Next();
            !(titlesOnly ? SkipText(stream, length) : ReadText(stream, length, key, true, record.Password)))
            return TextFailure(length, index, "password");
        if (stream.Remaining() < 3)
            return Fail(FormatErrorKind::Truncated,
                        "record " + std::to_string(index) + ": the stream ends inside the date");
        const int16_t year = stream.Next();
        const int16_t month = stream.Next();
        const int16_t day = stream.Next();
        if (month < 0 || month > 255 || day < 0 || day > 255)
            return Fail(FormatErrorKind::BadValue, "record " + std::to_string(index) + ": month " +
                                                       std::to_string(month) + ", day " + std::to_string(day));
        record.ChangedYear = year;
        record.ChangedMonth = static_cast<uint8_t>(month);
        record.ChangedDay = static_cast<uint8_t>(day);
        placed(record);
    }
}

// Every record of the stream into the document, each decoded straight into its place.
FormatResult ParseRecords(PasswordDocument& doc, BlockStreamReader& stream, const ExpiryContext& expiry,
                          ReaderYieldClock& clock)
{
    const KeyCycle key(doc.DocumentPassword());
    doc.Entries.reserve(1 + std::min(CountRecords(stream), static_cast<size_t>(PasswordDocument::MaxEntries)));
    return WalkRecords(
        stream, key, false, [&]() -> PasswordEntry& { return doc.Entries.emplace_back(); },
        [&](PasswordEntry& record) {
            CheckExpiry(record, expiry, doc.ExpiredTitles);
            doc.AddTitle(record);
            clock.Step();
        });
}

// The record stream of a format-200 file whose header and block count hold.
FormatResult OpenRecordStream(std::span<const uint8_t> bytes, DocumentHeader& header,
                              std::optional<BlockStreamReader>& stream)
{
    ByteCursor cursor(bytes);
    if (auto r = ReadDocumentHeader(cursor, header); !r)
        return r;
    if (header.FormatVersion != CurrentFormatNumber)
        return Fail(FormatErrorKind::UnknownFormat, "not a format-200 file");
    int32_t blocks = 0;
    if (!cursor.ReadInt32(blocks))
        return Fail(FormatErrorKind::Truncated, "the file ends before the block count");
    if (blocks < 1)
        return Fail(FormatErrorKind::BadCount, "block count " + std::to_string(blocks));
    if (static_cast<uint64_t>(blocks) * StreamBlockBytes > cursor.Remaining())
        return Fail(FormatErrorKind::Truncated, "the file announces " + std::to_string(blocks) +
                                                    " blocks but holds " +
                                                    std::to_string(cursor.Remaining() / StreamBlockBytes));
    // The grille is the same for every block, so its read order is worked out once and
    // the records are read through it where they lie.
    stream.emplace(bytes.data() + cursor.Position(), static_cast<size_t>(blocks), GrilleReadOrder(header.FileGrille));
    return {};
}

// Writes one keyed text: its length, then each character's code lowered by the shift
// and XORed with the key cycle. True when a character has no code (what is written for
// it is then of no use, and the caller refuses the document).
bool EncodeText(BlockStreamWriter& stream, std::u16string_view text, const KeyCycle& key, bool reversed)
{
    stream.Put(static_cast<int16_t>(text.size()));
    const size_t length = text.size();
    bool unencodable = false;
    for (size_t i = 0; i < length; ++i) {
        const char16_t ch = text[reversed ? length - 1 - i : i];
        const int16_t code = cp936::CodeByUnit[ch];
        unencodable |= code == cp936::NoCode;
        const auto lowered = static_cast<uint16_t>(static_cast<uint16_t>(code) - Shift);
        stream.Put(static_cast<int16_t>(lowered ^ key.At(i)));
    }
    return unencodable;
}

uint8_t* Put16(uint8_t* out, int16_t value)
{
    const auto raw = static_cast<uint16_t>(value);
    out[0] = static_cast<uint8_t>(raw & 0xFF);
    out[1] = static_cast<uint8_t>(raw >> 8);
    return out + 2;
}

uint8_t* Put32(uint8_t* out, int32_t value)
{
    const auto raw = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        *out++ = static_cast<uint8_t>((raw >> shift) & 0xFF);
    return out;
}

void DiscardPartialRead(PasswordDocument& doc)
{
    doc.Entries.resize(1);
    doc.Titles.Clear();
    doc.ExpiredTitles.clear();
}

}  // namespace

size_t FindUnstorableInOwnerName(std::u16string_view name)
{
    const size_t terminator = name.find(u'\x0E');
    const size_t unencodable = CodePage936::FindUnencodable(name);
    return std::min(terminator, unencodable);
}

size_t FindUnusableInDocumentPassword(std::u16string_view password, bool sealed)
{
    const auto control = std::find_if(password.begin(), password.end(),
                                      [](char16_t c) { return c < 0x20 || (c >= 0x7F && c < 0xA0); });
    const auto controlAt = static_cast<size_t>(control - password.begin());
    return std::min(controlAt == password.size() ? std::u16string_view::npos : controlAt,
                    sealed ? std::u16string_view::npos : CodePage936::FindUnencodable(password));
}

FormatResult ProbeHeaderBytes(PasswordDocument& doc, std::span<const uint8_t> bytes)
{
    ByteCursor cursor(bytes);
    if (int32_t format = 0; cursor.ReadInt32(format) && format == SealedFormatNumber) {
        SealedHeader sealed;
        if (auto r = ReadSealedHeader(bytes, sealed); !r)
            return r;
        doc.FormatVersion = SealedFormatNumber;
        doc.KeepOwnerOnly();
        doc.OwnerName() = std::move(sealed.Owner);
        return {};
    }
    cursor = ByteCursor(bytes);
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
    // The file is read once, whole: the reader after the password prompt parses these
    // bytes, so it reads what the probe saw even if the file changes meanwhile.
    FileStamp stamp;
    auto bytes = ReadWholeFile(path, stamp);
    if (!bytes)
        return FormatError(FormatErrorKind::CannotOpen, bytes.error());
    FormatResult result = ProbeHeaderBytes(doc, *bytes);
    if (result) {
        doc.ProbedBytes = std::move(*bytes);
        doc.ProbedStamp = std::move(stamp);
    }
    return result;
}

FormatResult ReadCurrentFormatBytes(PasswordDocument& doc, std::span<const uint8_t> bytes,
                                    const ExpiryContext& expiry, const ReaderYield& yield)
{
    DiscardPartialRead(doc);
    ReaderYieldClock clock(yield);
    auto result = [&]() -> FormatResult {
        DocumentHeader header;
        std::optional<BlockStreamReader> stream;
        if (auto r = OpenRecordStream(bytes, header, stream); !r)
            return r;
        doc.FileGrille = header.FileGrille;
        return ParseRecords(doc, *stream, expiry, clock);
    }();
    if (!result)
        DiscardPartialRead(doc);
    return result;
}

namespace {

// Walks the records into one entry of type Entry, reused from record to record.
template <typename Entry, typename Visit>
FormatResult VisitRecords(std::span<const uint8_t> bytes, std::u16string_view password, bool titlesOnly,
                          Visit visit)
{
    DocumentHeader header;
    std::optional<BlockStreamReader> stream;
    if (auto r = OpenRecordStream(bytes, header, stream); !r)
        return r;
    const KeyCycle key(password);
    Entry entry;
    return WalkRecords(*stream, key, titlesOnly, [&]() -> Entry& { return entry; }, visit);
}

}  // namespace

FormatResult VisitCurrentFormatTitles(std::span<const uint8_t> bytes, std::u16string_view password,
                                      const std::function<void(std::u16string_view)>& visit)
{
    return VisitRecords<PasswordEntry>(bytes, password, true,
                                       [&](const PasswordEntry& record) { visit(record.Title); });
}

FormatResult VisitCurrentFormatRecords(std::span<const uint8_t> bytes, std::u16string_view password,
                                       const std::function<void(const Utf8Entry&)>& visit)
{
    return VisitRecords<Utf8Entry>(bytes, password, false, [&](const Utf8Entry& record) { visit(record); });
}

FormatResult EncodeDocument(const PasswordDocument& doc, std::vector<uint8_t>& out)
{
    out.clear();
    // CheckStorable names the first thing the format cannot hold; it only runs when the
    // cheap checks on the way (lengths here, characters while encoding) found something,
    // so a storable document is looked at once.
    if (doc.EntryCount() > PasswordDocument::MaxEntries ||
        FindUnstorableInOwnerName(doc.OwnerName()) != std::u16string_view::npos ||
        doc.OwnerName().size() > MaxTextLength ||
        CodePage936::FindUnencodable(doc.DocumentPassword()) != std::u16string_view::npos)
        return CheckDocumentStorable(doc, CurrentFormatNumber);
    size_t values = 1;  // the terminating 0
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
        if (record.Title.empty() || record.Title.size() > MaxTextLength || record.UserName.size() > MaxTextLength ||
            record.Password.size() > MaxTextLength)
            return CheckDocumentStorable(doc, CurrentFormatNumber);
        values += record.Title.size() + record.UserName.size() + record.Password.size() + RecordOverhead;
    }
    const size_t streamSize = (values + StreamBlockValues - 1) / StreamBlockValues * StreamBlockValues;
    const size_t blocks = streamSize / StreamBlockValues;
    if (blocks > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return Fail(FormatErrorKind::Unstorable, "the records need more blocks than a document holds");

    const Grille grille = MakeGrille();
    const CodeText owner = EncipherText(doc.OwnerName());
    const size_t headerBytes = 4 + 2 * grille.size() + 2 * (owner.size() + 1) + 4;
    out.resize(headerBytes + blocks * StreamBlockBytes);

    uint8_t* at = Put32(out.data(), CurrentFormatNumber);
    for (bool hole : grille)
        at = Put16(at, EncodeGrilleCell(hole));
    for (int16_t code : owner)
        at = Put16(at, code);
    at = Put16(at, 0);
    at = Put32(at, static_cast<int32_t>(blocks));

    // The stream goes straight into its cells: no stream vector, no block turned.
    const KeyCycle key(doc.DocumentPassword());
    BlockStreamWriter stream(at, GrilleReadOrder(grille));
    bool unencodable = false;
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
        unencodable |= EncodeText(stream, record.Title, key, false);
        unencodable |= EncodeText(stream, record.UserName, key, false);
        unencodable |= EncodeText(stream, record.Password, key, true);
        stream.Put(record.ChangedYear);
        stream.Put(record.ChangedMonth);
        stream.Put(record.ChangedDay);
    }
    if (unencodable) {
        out.clear();
        return CheckDocumentStorable(doc, CurrentFormatNumber);
    }
    stream.Put(0);
    for (size_t filled = values; filled < streamSize; ++filled)
        stream.Put(RandomInRange(1, 255));
    return {};
}

FormatResult WriteDocument(const PasswordDocument& doc, const std::string& path, FileStamp* stamp)
{
    std::vector<uint8_t> bytes;
    if (auto r = EncodeDocument(doc, bytes); !r)
        return r;
    if (auto written = ReplaceFileContents(path, bytes, stamp); !written)
        return FormatError(FormatErrorKind::CannotWrite, written.error());
    return {};
}

}  // namespace kyq
