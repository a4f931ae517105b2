#include "cli/ExportText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <sstream>

namespace kyq::cli {

namespace {

// Marks, in the length byte of Utf8Of, a character JSON writes escaped.
constexpr uint32_t JsonEscaped = 0x80;

// The UTF-8 bytes of every UTF-16 unit, first byte lowest, with their number in the top
// byte (plus JsonEscaped); 0 for a surrogate, which is a character only with its partner.
constexpr std::array<uint32_t, 65536> MakeUtf8Table()
{
    std::array<uint32_t, 65536> table{};
    for (uint32_t cp = 0; cp < 65536; ++cp) {
        if (cp < 0x80)
            table[cp] = cp | 1u << 24 | (cp < 0x20 || cp == '"' || cp == '\\' ? JsonEscaped << 24 : 0);
        else if (cp < 0x800)
            table[cp] = (0xC0 | cp >> 6) | (0x80 | (cp & 0x3F)) << 8 | 2u << 24;
        else if (cp < 0xD800 || cp > 0xDFFF)
            table[cp] = (0xE0 | cp >> 12) | (0x80 | ((cp >> 6) & 0x3F)) << 8 | (0x80 | (cp & 0x3F)) << 16 | 3u << 24;
    }
    return table;
}
constexpr std::array<uint32_t, 65536> Utf8Of = MakeUtf8Table();

// The export text under construction, written through a pointer: a full document is about
// a hundred thousand texts, and appending byte by byte cost more than everything else here.
// With a stream it is handed on in pieces, so a large export is never in memory whole.
class TextOut {
public:
    explicit TextOut(size_t expected, std::ostream* sink = nullptr) : sink_(sink) { buffer_.resize(expected); }

    // Hands what is written so far to the stream once it is a good piece.
    void Pass()
    {
        if (sink_ != nullptr && used_ >= PieceBytes)
            Flush();
    }
    void Flush()
    {
        if (sink_ == nullptr)
            return;
        sink_->write(buffer_.data(), static_cast<std::streamsize>(used_));
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

    // The UTF-8 form of `text`; with `escapeJson` also escaping what a JSON string may not
    // hold raw. A lone surrogate becomes U+FFFD, as Utf16ToUtf8 does.
    void AppendUtf8(std::u16string_view text, bool escapeJson)
    {
        // Worst cases: 6 bytes for an escaped control character, 3 for any other unit; and
        // each character is stored as a whole 4-byte word.
        char* p = Room(text.size() * 6 + 4);
        const size_t n = text.size();
        const uint32_t slowMark = escapeJson ? JsonEscaped : 0;
        for (size_t i = 0; i < n; ++i) {
            // Latin and Chinese mix at random in a text: a table lookup, not a branch on the
            // kind of character, keeps the common ones fast.
            const uint32_t word = Utf8Of[text[i]];
            const uint32_t length = word >> 24;
            if (length == 0 || (length & slowMark) != 0) [[unlikely]] {
                p = AppendSpecial(p, text, i);
                continue;
            }
            std::memcpy(p, &word, 4);  // the bytes, low one first, and a byte to be overwritten
            p += length & 3;
        }
        Commit(p);
    }

    // An escaped character, or a surrogate: a pair is one character of four bytes, a lone
    // one becomes U+FFFD. `i` moves past what was taken.
    static char* AppendSpecial(char* p, std::u16string_view text, size_t& i)
    {
        static constexpr char hex[] = "0123456789abcdef";
        uint32_t cp = text[i];
        if (cp < 0x80) {
            *p++ = '\\';
            switch (cp) {
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
                *p++ = hex[(cp >> 4) & 0xF];
                *p++ = hex[cp & 0xF];
            }
            return p;
        }
        if (cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
            *p++ = static_cast<char>(0xF0 | (cp >> 18));
            *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
            return p;
        }
        *p++ = '\xEF';  // U+FFFD
        *p++ = '\xBF';
        *p++ = '\xBD';
        return p;
    }

    void AppendJsonString(std::u16string_view text)
    {
        Append('"');
        AppendUtf8(text, true);
        Append('"');
    }

    void AppendCsvField(std::u16string_view text)
    {
        if (text.find_first_of(u",\"\r\n") == std::u16string_view::npos) {
            AppendUtf8(text, false);
            return;
        }
        Append('"');
        size_t from = 0;
        for (size_t quote = text.find(u'"'); quote != std::u16string_view::npos; quote = text.find(u'"', from)) {
            AppendUtf8(text.substr(from, quote + 1 - from), false);
            Append('"');
            from = quote + 1;
        }
        AppendUtf8(text.substr(from), false);
        Append('"');
    }

    std::string Take()
    {
        buffer_.resize(used_);
        return std::move(buffer_);
    }

private:
    static constexpr size_t PieceBytes = 65536;
    std::ostream* sink_;
    std::string buffer_;
    size_t used_ = 0;
};

}  // namespace

std::string JsonString(std::u16string_view text)
{
    TextOut out(text.size() + 2);
    out.AppendJsonString(text);
    return out.Take();
}

std::string CsvField(std::string_view utf8)
{
    if (utf8.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(utf8);
    std::string out;
    out.reserve(utf8.size() + 4);
    out += '"';
    for (const char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
    return out;
}

void WriteExport(std::ostream& out, ExportKind kind, int32_t formatVersion, std::u16string_view owner,
                 const RecordSource& records)
{
    // Room for a piece and the longest record that may end it.
    TextOut text(2 * 65536, &out);
    if (kind == ExportKind::Json) {
        text.Append("{\"format\":");
        text.AppendNumber(formatVersion);
        text.Append(",\"owner\":");
        text.AppendJsonString(owner);
        text.Append(",\"entries\":[");
        bool first = true;
        records([&](const PasswordEntry& e) {
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
        records([&](const PasswordEntry& e) {
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
    return [&doc](const std::function<void(const PasswordEntry&)>& emit) {
        for (int n = 1; n <= doc.EntryCount(); ++n)
            emit(doc.Entries[static_cast<size_t>(n)]);
    };
}

namespace {

std::string ExportToText(const PasswordDocument& doc, ExportKind kind)
{
    std::ostringstream out;
    WriteExport(out, kind, doc.FormatVersion, doc.OwnerName(), RecordsOf(doc));
    return std::move(out).str();
}

}  // namespace

std::string ExportJson(const PasswordDocument& doc)
{
    return ExportToText(doc, ExportKind::Json);
}

std::string ExportCsv(const PasswordDocument& doc)
{
    return ExportToText(doc, ExportKind::Csv);
}

}  // namespace kyq::cli
