#include "cli/ExportText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <sstream>

#include "platform/Utf.h"

namespace kyq::cli {

namespace {

// Bytes a JSON string may not hold raw.
constexpr std::array<bool, 256> MakeJsonEscaped()
{
    std::array<bool, 256> table{};
    for (int c = 0; c < 0x20; ++c)
        table[static_cast<size_t>(c)] = true;
    table['"'] = table['\\'] = true;
    return table;
}
constexpr std::array<bool, 256> JsonEscaped = MakeJsonEscaped();

// True when one of the eight bytes is below 0x20, a quote or a backslash.
bool MayNeedEscaping(uint64_t bytes)
{
    constexpr uint64_t Ones = 0x0101010101010101ULL;
    constexpr uint64_t Highs = 0x8080808080808080ULL;
    const auto hasZero = [](uint64_t v) { return (v - Ones) & ~v & Highs; };
    const uint64_t below = (bytes - Ones * 0x20) & ~bytes & Highs;
    return (below | hasZero(bytes ^ (Ones * '"')) | hasZero(bytes ^ (Ones * '\\'))) != 0;
}

// The export text under construction, written through a pointer: a full document is about
// a hundred thousand texts, and appending byte by byte cost more than everything else here.
// It is handed on to the stream in pieces, so a large export is never in memory whole.
class TextOut {
public:
    TextOut(size_t expected, std::ostream& sink) : sink_(sink) { buffer_.resize(expected); }

    // Hands what is written so far to the stream once it is a good piece.
    void Pass()
    {
        if (used_ >= PieceBytes)
            Flush();
    }
    void Flush()
    {
        sink_.write(buffer_.data(), static_cast<std::streamsize>(used_));
        used_ = 0;
    }

    // Room for `n` more bytes; write them at the pointer, then Commit the end.
    char* Room(size_t n)
    {
        if (buffer_.size() - used_ < n)
            buffer_.resize(std::max(buffer_.size() * 2, used_ + n));
        return buffer_.data() + used_;
    }
    void Commit(const char* end) { used_ = static_cast<size_t>(end - buffer_.data()); }

    void Append(std::string_view text)
    {
        char* p = Room(text.size());
        std::memcpy(p, text.data(), text.size());
        Commit(p + text.size());
    }
    void Append(char c) { Append(std::string_view(&c, 1)); }
    void AppendNumber(int value)
    {
        char* p = Room(16);
        Commit(std::to_chars(p, p + 16, value).ptr);
    }

    // A JSON string of UTF-8 text, quotes included: runs of plain bytes are copied whole,
    // ", \ and control characters escaped.
    void AppendJsonString(std::string_view text)
    {
        static constexpr char hex[] = "0123456789abcdef";
        char* p = Room(text.size() * 6 + 2);  // worst case: every byte a \u00XX
        *p++ = '"';
        size_t from = 0;
        size_t i = 0;
        // Eight bytes at a time while none of them needs escaping, as is nearly always so.
        for (; i + 8 <= text.size(); i += 8) {
            uint64_t word;
            std::memcpy(&word, text.data() + i, 8);
            if (MayNeedEscaping(word))
                break;
        }
        for (; i < text.size(); ++i) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (!JsonEscaped[c]) [[likely]]
                continue;
            std::memcpy(p, text.data() + from, i - from);
            p += i - from;
            from = i + 1;
            *p++ = '\\';
            switch (c) {
            case '"': *p++ = '"'; break;
            case '\\': *p++ = '\\'; break;
            case '\b': *p++ = 'b'; break;
            case '\f': *p++ = 'f'; break;
            case '\n': *p++ = 'n'; break;
            case '\r': *p++ = 'r'; break;
            case '\t': *p++ = 't'; break;
            default:
                *p++ = 'u';
                *p++ = '0';
                *p++ = '0';
                *p++ = hex[c >> 4];
                *p++ = hex[c & 0xF];
            }
        }
        std::memcpy(p, text.data() + from, text.size() - from);
        p += text.size() - from;
        *p++ = '"';
        Commit(p);
    }

    // One CSV field of UTF-8 text: quoted (quotes doubled) when it holds a comma, a quote,
    // CR or LF.
    void AppendCsvField(std::string_view text)
    {
        if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
            Append(text);
            return;
        }
        char* p = Room(2 * text.size() + 2);
        *p++ = '"';
        for (const char c : text) {
            if (c == '"')
                *p++ = '"';
            *p++ = c;
        }
        *p++ = '"';
        Commit(p);
    }

private:
    static constexpr size_t PieceBytes = 65536;
    std::ostream& sink_;
    std::string buffer_;
    size_t used_ = 0;
};

std::string ExportToText(const PasswordDocument& doc, ExportKind kind)
{
    std::ostringstream out;
    WriteExport(out, kind, doc.FormatVersion, doc.OwnerName(), RecordsOf(doc));
    return std::move(out).str();
}

}  // namespace

void WriteExport(std::ostream& out, ExportKind kind, int32_t formatVersion, std::u16string_view owner,
                 const RecordSource& records)
{
    // Room for a piece and the longest record that may end it.
    TextOut text(2 * 65536, out);
    if (kind == ExportKind::Json) {
        text.Append("{\"format\":");
        text.AppendNumber(formatVersion);
        text.Append(",\"owner\":");
        text.AppendJsonString(Utf16ToUtf8(owner));
        text.Append(",\"entries\":[");
        bool first = true;
        records([&](const Utf8Entry& e) {
            text.Append(first ? "\n{\"title\":" : ",\n{\"title\":");
            first = false;
            text.AppendJsonString(e.Title);
            text.Append(",\"username\":");
            text.AppendJsonString(e.UserName);
            text.Append(",\"password\":");
            text.AppendJsonString(e.Password);
            text.Append(",\"year\":");
            text.AppendNumber(e.ChangedYear);
            text.Append(",\"month\":");
            text.AppendNumber(e.ChangedMonth);
            text.Append(",\"day\":");
            text.AppendNumber(e.ChangedDay);
            text.Append('}');
            text.Pass();
        });
        text.Append(first ? "]}\n" : "\n]}\n");
    } else {
        text.Append("Title,UserName,Password,Year,Month,Day\r\n");
        records([&](const Utf8Entry& e) {
            text.AppendCsvField(e.Title);
            text.Append(',');
            text.AppendCsvField(e.UserName);
            text.Append(',');
            text.AppendCsvField(e.Password);
            text.Append(',');
            text.AppendNumber(e.ChangedYear);
            text.Append(',');
            text.AppendNumber(e.ChangedMonth);
            text.Append(',');
            text.AppendNumber(e.ChangedDay);
            text.Append("\r\n");
            text.Pass();
        });
    }
    text.Flush();
}

RecordSource RecordsOf(const PasswordDocument& doc)
{
    return [&doc](const std::function<void(const Utf8Entry&)>& emit) {
        Utf8Entry e;
        for (int n = 1; n <= doc.EntryCount(); ++n) {
            const PasswordEntry& entry = doc.Entries[static_cast<size_t>(n)];
            e.Title = Utf16ToUtf8(entry.Title);
            e.UserName = Utf16ToUtf8(entry.UserName);
            e.Password = Utf16ToUtf8(entry.Password);
            e.ChangedYear = entry.ChangedYear;
            e.ChangedMonth = entry.ChangedMonth;
            e.ChangedDay = entry.ChangedDay;
            emit(e);
        }
    };
}

std::string ExportJson(const PasswordDocument& doc)
{
    return ExportToText(doc, ExportKind::Json);
}

std::string ExportCsv(const PasswordDocument& doc)
{
    return ExportToText(doc, ExportKind::Csv);
}

}  // namespace kyq::cli
