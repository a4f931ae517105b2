#include "cli/ExportText.h"

#include <charconv>
#include <cstdint>

namespace kyq::cli {

namespace {

// Appends the UTF-8 form of `text`; `escapeJson` also escapes what a JSON string may not
// hold raw. One pass without temporaries: an export of a full document converts about a
// hundred thousand texts. A lone surrogate becomes U+FFFD, as Utf16ToUtf8 does.
void AppendUtf8(std::string& out, std::u16string_view text, bool escapeJson)
{
    static constexpr char hex[] = "0123456789abcdef";
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        uint32_t cp = text[i];
        if (cp < 0x80) {
            const char c = static_cast<char>(cp);
            if (escapeJson && (cp < 0x20 || c == '"' || c == '\\')) {
                switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\b': out += "\\b"; break;
                case '\f': out += "\\f"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    out += "\\u00";
                    out += hex[(cp >> 4) & 0xF];
                    out += hex[cp & 0xF];
                }
            } else {
                out += c;
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
            out += static_cast<char>(0xC0 | (cp >> 6));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

void AppendJsonString(std::string& out, std::u16string_view text)
{
    out += '"';
    AppendUtf8(out, text, true);
    out += '"';
}

void AppendCsvField(std::string& out, std::u16string_view text)
{
    if (text.find_first_of(u",\"\r\n") == std::u16string_view::npos) {
        AppendUtf8(out, text, false);
        return;
    }
    out += '"';
    size_t from = 0;
    for (size_t quote = text.find(u'"'); quote != std::u16string_view::npos; quote = text.find(u'"', from)) {
        AppendUtf8(out, text.substr(from, quote + 1 - from), false);
        out += '"';
        from = quote + 1;
    }
    AppendUtf8(out, text.substr(from), false);
    out += '"';
}

void AppendNumber(std::string& out, int value)
{
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    (void)ec;
    out.append(digits, end);
}

}  // namespace

std::string JsonString(std::u16string_view text)
{
    std::string out;
    AppendJsonString(out, text);
    return out;
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
    std::string out;
    out.reserve(static_cast<size_t>(doc.EntryCount()) * 140 + 64);
    out += "{\"format\":";
    AppendNumber(out, doc.FormatVersion);
    out += ",\"owner\":";
    AppendJsonString(out, doc.OwnerName());
    out += ",\"entries\":[";
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        out += n == 1 ? "\n{\"title\":" : ",\n{\"title\":";
        AppendJsonString(out, e.Title);
        out += ",\"username\":";
        AppendJsonString(out, e.UserName);
        out += ",\"password\":";
        AppendJsonString(out, e.Password);
        out += ",\"year\":";
        AppendNumber(out, e.ChangedYear);
        out += ",\"month\":";
        AppendNumber(out, e.ChangedMonth);
        out += ",\"day\":";
        AppendNumber(out, e.ChangedDay);
        out += '}';
    }
    out += doc.EntryCount() > 0 ? "\n]}\n" : "]}\n";
    return out;
}

std::string ExportCsv(const PasswordDocument& doc)
{
    std::string out = "Title,UserName,Password,Year,Month,Day\r\n";
    out.reserve(static_cast<size_t>(doc.EntryCount()) * 80 + out.size());
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        AppendCsvField(out, e.Title);
        out += ',';
        AppendCsvField(out, e.UserName);
        out += ',';
        AppendCsvField(out, e.Password);
        out += ',';
        AppendNumber(out, e.ChangedYear);
        out += ',';
        AppendNumber(out, e.ChangedMonth);
        out += ',';
        AppendNumber(out, e.ChangedDay);
        out += "\r\n";
    }
    return out;
}

}  // namespace kyq::cli
