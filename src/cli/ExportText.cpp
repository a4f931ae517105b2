#include "cli/ExportText.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>

namespace kyq::cli {

namespace {

// The export text under construction, written through a pointer: a full document is about
// a hundred thousand texts, and appending byte by byte cost more than everything else here.
class TextOut {
public:
    explicit TextOut(size_t expected) { buffer_.resize(expected); }

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
        static constexpr char hex[] = "0123456789abcdef";
        // Worst cases: 6 bytes for an escaped control character, 3 for any other unit.
        char* p = Room(text.size() * 6);
        const size_t n = text.size();
        for (size_t i = 0; i < n; ++i) {
            uint32_t cp = text[i];
            if (cp < 0x80) {
                if (escapeJson && (cp < 0x20 || cp == '"' || cp == '\\')) {
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
                } else {
                    *p++ = static_cast<char>(cp);
                }
                continue;
            }
            if (cp >= 0xD800 && cp <= 0xDFFF) {
                if (cp <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
                    ++i;
                } else {
                    cp = 0xFFFD;
                }
            }
            if (cp < 0x800) {
                *p++ = static_cast<char>(0xC0 | (cp >> 6));
            } else if (cp < 0x10000) {
                *p++ = static_cast<char>(0xE0 | (cp >> 12));
                *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            } else {
                *p++ = static_cast<char>(0xF0 | (cp >> 18));
                *p++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                *p++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            }
            *p++ = static_cast<char>(0x80 | (cp & 0x3F));
        }
        Commit(p);
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

std::string ExportJson(const PasswordDocument& doc)
{
    TextOut out(static_cast<size_t>(doc.EntryCount()) * 140 + 64);
    out.Append("{\"format\":");
    out.AppendNumber(doc.FormatVersion);
    out.Append(",\"owner\":");
    out.AppendJsonString(doc.OwnerName());
    out.Append(",\"entries\":[");
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        out.Append(n == 1 ? "\n{\"title\":" : ",\n{\"title\":");
        out.AppendJsonString(e.Title);
        out.Append(",\"username\":");
        out.AppendJsonString(e.UserName);
        out.Append(",\"password\":");
        out.AppendJsonString(e.Password);
        out.Append(",\"year\":");
        out.AppendNumber(e.ChangedYear);
        out.Append(",\"month\":");
        out.AppendNumber(e.ChangedMonth);
        out.Append(",\"day\":");
        out.AppendNumber(e.ChangedDay);
        out.Append('}');
    }
    out.Append(doc.EntryCount() > 0 ? "\n]}\n" : "]}\n");
    return out.Take();
}

std::string ExportCsv(const PasswordDocument& doc)
{
    TextOut out(static_cast<size_t>(doc.EntryCount()) * 80 + 64);
    out.Append("Title,UserName,Password,Year,Month,Day\r\n");
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        out.AppendCsvField(e.Title);
        out.Append(',');
        out.AppendCsvField(e.UserName);
        out.Append(',');
        out.AppendCsvField(e.Password);
        out.Append(',');
        out.AppendNumber(e.ChangedYear);
        out.Append(',');
        out.AppendNumber(e.ChangedMonth);
        out.Append(',');
        out.AppendNumber(e.ChangedDay);
        out.Append("\r\n");
    }
    return out.Take();
}

}  // namespace kyq::cli
