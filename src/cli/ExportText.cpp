#include "cli/ExportText.h"

#include "platform/Utf.h"

namespace kyq::cli {

std::string JsonString(std::u16string_view text)
{
    const std::string utf8 = Utf16ToUtf8(text);
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    for (const char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                static constexpr char hex[] = "0123456789abcdef";
                out += "\\u00";
                out += hex[(c >> 4) & 0xF];
                out += hex[c & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
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
    out.reserve(static_cast<size_t>(doc.EntryCount()) * 120 + 64);
    out += "{\"format\":" + std::to_string(doc.FormatVersion) + ",\"owner\":" + JsonString(doc.OwnerName()) +
           ",\"entries\":[";
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        out += n == 1 ? "\n" : ",\n";
        out += "{\"title\":";
        out += JsonString(e.Title);
        out += ",\"username\":";
        out += JsonString(e.UserName);
        out += ",\"password\":";
        out += JsonString(e.Password);
        out += ",\"year\":" + std::to_string(e.ChangedYear) + ",\"month\":" + std::to_string(e.ChangedMonth) +
               ",\"day\":" + std::to_string(e.ChangedDay) + "}";
    }
    out += doc.EntryCount() > 0 ? "\n]}\n" : "]}\n";
    return out;
}

std::string ExportCsv(const PasswordDocument& doc)
{
    std::string out = "Title,UserName,Password,Year,Month,Day\r\n";
    out.reserve(static_cast<size_t>(doc.EntryCount()) * 60 + out.size());
    for (int n = 1; n <= doc.EntryCount(); ++n) {
        const PasswordEntry& e = doc.Entries[static_cast<size_t>(n)];
        out += CsvField(Utf16ToUtf8(e.Title));
        out += ',';
        out += CsvField(Utf16ToUtf8(e.UserName));
        out += ',';
        out += CsvField(Utf16ToUtf8(e.Password));
        out += ',' + std::to_string(e.ChangedYear) + ',' + std::to_string(e.ChangedMonth) + ',' +
               std::to_string(e.ChangedDay) + "\r\n";
    }
    return out;
}

}  // namespace kyq::cli
