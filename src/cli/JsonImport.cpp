#include "cli/JsonImport.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "cli/CsvColumns.h"
#include "cli/DateText.h"
#include "cli/TextSource.h"
#include "cli/Utf8Check.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

bool KeyIs(std::string_view key, std::string_view name)
{
    if (key.size() != name.size())
        return false;
    for (size_t i = 0; i < key.size(); ++i) {
        char a = key[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a + 32);
        if (a != name[i])
            return false;
    }
    return true;
}

void AppendUtf8(std::string& out, uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// An integer field: present with a value, present as null, or absent.
struct IntField {
    std::optional<int64_t> Value;  // none: absent or null
};

// Counts the UTF-16 units of UTF-8 text byte by byte: a lead byte starts one unit, a
// four-byte one (a character outside the basic plane) two.
size_t UnitsOfByte(unsigned char b)
{
    if ((b & 0xC0) == 0x80)
        return 0;
    return (b & 0xF8) == 0xF0 ? 2 : 1;
}

class JsonCursor {
public:
    explicit JsonCursor(TextSource& source) : src_(source) {}

    bool Failed() const { return failed_; }
    std::string ErrorMessage() const
    {
        return "JSON第" + std::to_string(errorAt_.Line) + "行第" + std::to_string(errorAt_.Column) + "列：" +
               error_;
    }

    bool Fail(std::string message) { return FailAt(src_.Where(), std::move(message)); }
    bool FailAt(TextPosition where, std::string message)
    {
        if (!failed_) {
            failed_ = true;
            error_ = std::move(message);
            errorAt_ = where;
        }
        return false;
    }

    void SkipSpace() { src_.SkipBlanks(); }
    bool AtEnd() { return src_.AtEnd(); }
    char Peek() { return src_.Peek(); }

    bool Expect(char c, const char* what)
    {
        SkipSpace();
        if (Peek() != c)
            return Fail(std::string("此处应为") + what + " (expected " + what + ")");
        src_.Skip();
        return true;
    }

    // Consumes `c` (after blanks) when it is next.
    bool Accept(char c)
    {
        SkipSpace();
        if (Peek() != c)
            return false;
        src_.Skip();
        return true;
    }

    bool AcceptWord(std::string_view word)
    {
        if (!src_.LooksAt(word))
            return false;
        src_.Skip(word.size());
        return true;
    }

    bool AcceptNull()
    {
        SkipSpace();
        return AcceptWord("null");
    }

    // A JSON string, escapes resolved, as UTF-8 into `out`, or only passed over when `out`
    // is null. Past `limit` UTF-16 units a string either stops the read (`refuseLonger`;
    // TooLong() then says so) or is kept cut at the limit while the rest is passed over.
    bool ReadString(std::string* out, size_t limit, bool refuseLonger)
    {
        if (out)
            out->clear();
        tooLong_ = false;
        units_ = 0;
        SkipSpace();
        if (Peek() != '"')
            return Fail("此处应为字符串 (expected a string)");
        src_.Skip();
        std::string utf8;  // one escaped character
        for (;;) {
            if (src_.AtEnd())
                return Fail("字符串没有结束 (unterminated string)");
            const char c = src_.Peek();
            if (c == '"') {
                src_.Skip();
                return true;
            }
            utf8.clear();
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("字符串中有未转义的控制字符 (unescaped control character)");
            if (c != '\\') {
                utf8 += c;
                src_.Skip();
            } else if (!ReadEscape(utf8)) {
                return false;
            }
            for (const char b : utf8)
                units_ += UnitsOfByte(static_cast<unsigned char>(b));
            if (units_ > limit) {
                if (refuseLonger) {
                    tooLong_ = true;
                    return false;
                }
                continue;  // the start is kept, the rest passed over
            }
            if (out)
                *out += utf8;
        }
    }
    bool TooLong() const { return tooLong_; }

    // Any JSON number; `value` is set only for a plain integer that fits comfortably.
    bool ReadNumber(bool& integral, std::optional<int64_t>& value)
    {
        SkipSpace();
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            src_.Skip();
        }
        if (!IsDigit(Peek()))
            return Fail("此处应为数字 (expected a number)");
        int64_t magnitude = 0;
        bool tooBig = false;
        if (Peek() == '0') {
            src_.Skip();
        } else {
            while (IsDigit(Peek())) {
                if (magnitude > 1'000'000'000'000LL)
                    tooBig = true;
                else
                    magnitude = magnitude * 10 + (Peek() - '0');
                src_.Skip();
            }
        }
        integral = true;
        if (Peek() == '.') {
            integral = false;
            src_.Skip();
            if (!IsDigit(Peek()))
                return Fail("数字格式错误 (malformed number)");
            while (IsDigit(Peek()))
                src_.Skip();
        }
        if (Peek() == 'e' || Peek() == 'E') {
            integral = false;
            src_.Skip();
            if (Peek() == '+' || Peek() == '-')
                src_.Skip();
            if (!IsDigit(Peek()))
                return Fail("数字格式错误 (malformed number)");
            while (IsDigit(Peek()))
                src_.Skip();
        }
        value.reset();
        if (integral && !tooBig)
            value = negative ? -magnitude : magnitude;
        return true;
    }

    bool ReadIntField(IntField& field, const char* name)
    {
        field.Value.reset();
        if (AcceptNull())
            return true;
        SkipSpace();
        const TextPosition at = src_.Where();
        bool integral = false;
        if (!ReadNumber(integral, field.Value))
            return false;
        if (!integral)
            return FailAt(at, std::string("“") + name + "”应为整数 (" + name + " must be an integer)");
        if (!field.Value)
            return FailAt(at, std::string("“") + name + "”超出范围 (" + name + " out of range)");
        return true;
    }

    // Any value, checked for well-formedness and thrown away.
    bool SkipValue(int depth)
    {
        if (depth > MaxJsonDepth)
            return Fail("嵌套层次太深 (nesting too deep)");
        SkipSpace();
        const char c = Peek();
        if (c == '"')
            return ReadString(nullptr, 0, false);
        if (c == '{') {
            src_.Skip();
            if (Accept('}'))
                return true;
            do {
                if (!ReadString(nullptr, 0, false) || !Expect(':', "“:”") || !SkipValue(depth + 1))
                    return false;
            } while (Accept(','));
            return Expect('}', "“}”");
        }
        if (c == '[') {
            src_.Skip();
            if (Accept(']'))
                return true;
            do {
                if (!SkipValue(depth + 1))
                    return false;
            } while (Accept(','));
            return Expect(']', "“]”");
        }
        for (std::string_view word : {"true", "false", "null"}) {
            if (AcceptWord(word))
                return true;
        }
        bool integral = false;
        std::optional<int64_t> ignored;
        return ReadNumber(integral, ignored);
    }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    // After a backslash: the character it stands for, as UTF-8.
    bool ReadEscape(std::string& out)
    {
        src_.Skip();  // the backslash
        const TextPosition at = src_.Where();
        const char e = src_.Peek();
        if (src_.AtEnd())
            return Fail("字符串没有结束 (unterminated string)");
        src_.Skip();
        switch (e) {
        case '"': out += '"'; return true;
        case '\\': out += '\\'; return true;
        case '/': out += '/'; return true;
        case 'b': out += '\b'; return true;
        case 'f': out += '\f'; return true;
        case 'n': out += '\n'; return true;
        case 'r': out += '\r'; return true;
        case 't': out += '\t'; return true;
        case 'u': break;
        default: return FailAt(at, "无效的转义序列 (invalid escape)");
        }
        uint32_t unit = 0;
        if (!ReadHex4(unit))
            return false;
        if (unit >= 0xDC00 && unit <= 0xDFFF)
            return Fail("孤立的低位代理项 (lone low surrogate)");
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t low = 0;
            if (!AcceptWord("\\u"))
                return Fail("孤立的高位代理项 (lone high surrogate)");
            if (!ReadHex4(low))
                return false;
            if (low < 0xDC00 || low > 0xDFFF)
                return Fail("孤立的高位代理项 (lone high surrogate)");
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(out, unit);
        return true;
    }

    bool ReadHex4(uint32_t& unit)
    {
        unit = 0;
        for (size_t i = 0; i < 4; ++i) {
            const char h = src_.Peek(i);
            unit <<= 4;
            if (h >= '0' && h <= '9')
                unit |= static_cast<uint32_t>(h - '0');
            else if (h >= 'a' && h <= 'f')
                unit |= static_cast<uint32_t>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                unit |= static_cast<uint32_t>(h - 'A' + 10);
            else
                return Fail("\\u后应有四位十六进制数 (\\u needs four hex digits)");
        }
        src_.Skip(4);
        return true;
    }

    TextSource& src_;
    bool failed_ = false;
    std::string error_;
    TextPosition errorAt_;
    bool tooLong_ = false;
    size_t units_ = 0;
};

std::string RecordLabel(size_t number)
{
    return "第" + std::to_string(number) + "条记录 (record " + std::to_string(number) + ")";
}

// Where the cursor stopped and why.
Error CursorError(const JsonCursor& json)
{
    return Error{json.ErrorMessage(), {}, 0};
}

// The owner name or a record's text: refused past the longest text a document holds.
Expected<void> ReadText(JsonCursor& json, std::u16string& text, const std::string& whose)
{
    text.clear();
    if (json.AcceptNull())
        return {};
    std::string value;
    if (!json.ReadString(&value, MaxImportTextLength, true)) {
        if (json.TooLong())
            return Error{whose + "超过" + std::to_string(MaxImportTextLength) + "个字符 (longer than " +
                             std::to_string(MaxImportTextLength) + " characters)",
                         {}, 0};
        return CursorError(json);
    }
    text = Utf8ToUtf16(value);
    return {};
}

// Field names are short (as CSV column names); a longer one is read cut and matches none.
constexpr size_t LongestKey = 64;

// A field the document does not get, named once in the summary. Control characters of a
// hostile file's names do not reach the terminal.
void NameUnimported(ImportTable& table, std::string key)
{
    constexpr size_t MostNames = 64;
    for (char& c : key) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    }
    if (table.UnimportedColumns.size() < MostNames &&
        std::find(table.UnimportedColumns.begin(), table.UnimportedColumns.end(), key) == table.UnimportedColumns.end())
        table.UnimportedColumns.push_back(std::move(key));
}

// One text field of an entry that a record may take: the best-ranked one of its role wins.
struct TextField {
    std::string Key;
    std::u16string Value;
    int Rank = -1;  // -1: none seen
};

// Keeps the better of `field` and the one read; the other, if it held text, is named as
// not imported. Returns the loser (to become a stand-in user name).
TextField Keep(TextField& field, TextField read)
{
    if (field.Rank < 0 || read.Rank < field.Rank)
        std::swap(field, read);
    return read;
}

// A date field as other programs write it: ISO text or a Unix time, as a string or a number.
Expected<void> ReadDateField(JsonCursor& json, const std::string& key, size_t number, std::optional<ImportDate>& date)
{
    const auto refused = [&] {
        return Error{RecordLabel(number) + "的“" + key +
                         "”不是能识别的日期，请写成2024-01-05或2024-01-05T10:20:30Z这样的形式 "
                         "(not a date: use ISO 8601, e.g. 2024-01-05)",
                     {}, 0};
    };
    date.reset();
    std::string text;
    if (json.Peek() == '"') {
        constexpr size_t LongestDate = 64;
        if (!json.ReadString(&text, LongestDate, false))
            return CursorError(json);
        if (text.find_first_not_of(" \t") == std::string::npos)
            return {};  // empty: today, as in CSV
    } else {
        bool integral = false;
        std::optional<int64_t> value;
        if (!json.ReadNumber(integral, value))
            return CursorError(json);
        if (!value)
            return refused();
        text = std::to_string(*value);
    }
    date = ParseDateText(text);
    if (!date)
        return refused();
    return {};
}

// What an entry holds besides its record.
struct EntryOutcome {
    bool Skipped = false;     // no login: a note, a card, ...
    bool NoPassword = false;  // no password field at all
};

// The fields of one entry as read so far.
struct EntryFields {
    IntField Year, Month, Day;
    TextField Title, User, StandIn, Password, Url;
    std::string Kind, Notes, NotesKey;
    std::optional<ImportDate> Modified;
};

// One field of an entry, after its key: kept in `fields` by its role, or skipped and
// named as not imported.
Expected<void> ReadEntryField(JsonCursor& json, const std::string& key, size_t number, EntryFields& fields,
                              ImportTable& table)
{
    const FieldName field = RecogniseFieldName(key);
    TextField read{key, {}, field.Rank};
    const char* what = field.Role == FieldRole::Title      ? "的标题"
                       : field.Role == FieldRole::UserName ? "的用户名"
                       : field.Role == FieldRole::Password ? "的密码"
                       : field.Role == FieldRole::Url      ? "的网址"
                                                           : nullptr;
    // null is no field; any other value of a text field must be a string.
    if (json.AcceptNull())
        return {};
    // An address given as anything but text (a list, an object) is only named.
    const bool isText = what != nullptr && (field.Role != FieldRole::Url || json.Peek() == '"');
    if (isText) {
        if (auto text = ReadText(json, read.Value, RecordLabel(number) + what); !text)
            return text.error();
    }
    std::optional<TextField> lost;
    if (isText && field.Role == FieldRole::Title) {
        lost = Keep(fields.Title, std::move(read));
    } else if (isText && field.Role == FieldRole::UserName) {
        // The best two are kept: the second fills an empty first.
        if (TextField second = Keep(fields.User, std::move(read)); second.Rank >= 0)
            lost = Keep(fields.StandIn, std::move(second));
    } else if (isText && field.Role == FieldRole::Password) {
        lost = Keep(fields.Password, std::move(read));
    } else if (isText && field.Role == FieldRole::Url) {
        lost = Keep(fields.Url, std::move(read));
    } else if ((field.Role == FieldRole::Type || field.Role == FieldRole::Notes) && json.Peek() == '"') {
        constexpr size_t LongestKind = 64;  // a kind's name; of a note, whether there is any
        if (!json.ReadString(field.Role == FieldRole::Type ? &fields.Kind : &fields.Notes, LongestKind, false))
            return CursorError(json);
        if (field.Role == FieldRole::Notes)
            fields.NotesKey = key;
    } else if (field.Role == FieldRole::Year || field.Role == FieldRole::Month || field.Role == FieldRole::Day) {
        IntField& part = field.Role == FieldRole::Year    ? fields.Year
                         : field.Role == FieldRole::Month ? fields.Month
                                                          : fields.Day;
        if (!json.ReadIntField(part, key.c_str()))
            return CursorError(json);
    } else if (field.Role == FieldRole::Modified) {
        if (auto date = ReadDateField(json, key, number, fields.Modified); !date)
            return date.error();
    } else {
        if (!json.SkipValue(2))
            return CursorError(json);
        NameUnimported(table, key);
    }
    if (lost && !lost->Value.empty())
        NameUnimported(table, lost->Key);
    return {};
}

// The date of separate year, month and day fields, which go together; nothing when none
// was given.
Expected<std::optional<ImportDate>> SplitDate(const EntryFields& fields, size_t number)
{
    const IntField &year = fields.Year, &month = fields.Month, &day = fields.Day;
    if (!year.Value && !month.Value && !day.Value)
        return std::optional<ImportDate>();
    if (!year.Value || !month.Value || !day.Value)
        return Error{RecordLabel(number) + "的日期不完整：year、month、day应同时给出 "
                                           "(year, month and day go together)",
                     {}, 0};
    // The widths the document stores: a signed 16-bit year, month and day in one byte each.
    // What export writes for any stored date comes back unchanged.
    if (*year.Value < INT16_MIN || *year.Value > INT16_MAX || *month.Value < 0 || *month.Value > 255 ||
        *day.Value < 0 || *day.Value > 255)
        return Error{RecordLabel(number) + "的日期" + std::to_string(*year.Value) + "-" +
                         std::to_string(*month.Value) + "-" + std::to_string(*day.Value) +
                         "超出文档能保存的范围 (date out of range)",
                     {}, 0};
    return std::optional<ImportDate>(ImportDate{static_cast<int>(*year.Value), static_cast<int>(*month.Value),
                                                static_cast<int>(*day.Value)});
}

Expected<EntryOutcome> ReadEntry(JsonCursor& json, size_t number, ImportRecord& record, ImportTable& table)
{
    if (!json.Expect('{', "“{”"))
        return CursorError(json);
    EntryFields f;
    if (!json.Accept('}')) {
        do {
            std::string key;
            if (!json.ReadString(&key, LongestKey, false) || !json.Expect(':', "“:”"))
                return CursorError(json);
            if (auto read = ReadEntryField(json, key, number, f, table); !read)
                return read.error();
        } while (json.Accept(','));
        if (!json.Expect('}', "“}”"))
            return CursorError(json);
    }

    EntryOutcome outcome;
    const std::string urlText = Utf16ToUtf8(f.Url.Value);
    if (IsNonLoginKind(f.Kind) ||
        (f.Kind.empty() && IsNotesOnlyItem(urlText, Utf16ToUtf8(f.User.Value.empty() ? f.StandIn.Value : f.User.Value),
                                           Utf16ToUtf8(f.Password.Value), f.Notes))) {
        outcome.Skipped = true;
        return outcome;
    }
    // The address names a record without a title, and is lost as in CSV.
    if (!f.Url.Value.empty())
        NameUnimported(table, f.Url.Key);
    if (!f.Notes.empty())
        NameUnimported(table, f.NotesKey);
    record.Title = f.Title.Value.find_first_not_of(u' ') == std::u16string::npos && !f.Url.Value.empty()
                       ? Utf8ToUtf16(HostOfUrl(urlText))
                       : std::move(f.Title.Value);
    if (f.User.Value.empty()) {
        record.UserName = std::move(f.StandIn.Value);
    } else {
        if (!f.StandIn.Value.empty() && f.StandIn.Value != f.User.Value)
            NameUnimported(table, f.StandIn.Key);
        record.UserName = std::move(f.User.Value);
    }
    record.Password = std::move(f.Password.Value);
    outcome.NoPassword = f.Password.Rank < 0;
    const Expected<std::optional<ImportDate>> split = SplitDate(f, number);
    if (!split)
        return split.error();
    record.Changed = *split ? *split : f.Modified;
    return outcome;
}

// A refusal of JSON that is not the shape export writes, with that shape.
std::string ExpectedShape(const std::string& found)
{
    return found + "。kyq-cli import读取kyq-cli export写出的形式：{\"owner\":\"…\",\"entries\":[{\"title\":\"…\","
                   "\"username\":\"…\",\"password\":\"…\"}, …]}；其他程序导出的文件请用CSV格式 "
                   "(expected {\"entries\":[…]} as kyq-cli export writes it; use a CSV export of other programs)";
}

size_t TextUnits(const ImportRecord& r)
{
    return r.Title.size() + r.UserName.size() + r.Password.size();
}

}  // namespace

namespace {

// The "entries" list, after its key: a second list starts the table again, the owner
// kept. False on a failure, with `entryError` set where the cursor's own message would
// not name it.
bool ReadEntries(JsonCursor& json, ImportTable& table, bool& sawEntries, std::string& entryError)
{
    std::optional<std::u16string> owner = std::move(table.Owner);
    table = ImportTable{};
    table.Owner = std::move(owner);
    sawEntries = !json.AcceptNull();
    if (!sawEntries)
        return true;
    if (!json.Expect('[', "“[”"))
        return false;
    if (json.Accept(']'))
        return true;
    size_t total = 0;   // characters of every text so far
    size_t number = 0;  // entries so far, items that are no logins among them
    do {
        if (table.Records.size() == MaxImportRecords) {
            entryError = TooManyRecordsMessage();
            return false;
        }
        ImportRecord record;
        const Expected<EntryOutcome> read = ReadEntry(json, ++number, record, table);
        if (!read) {
            entryError = read.error().Message;
            return false;
        }
        if (read->Skipped) {
            ++table.SkippedRows;
            continue;
        }
        if (read->NoPassword)
            NoteWithoutPassword(table, number);
        total += TextUnits(record);
        if (total > MaxImportTotalLength) {
            entryError = TooMuchTextMessage(number);
            return false;
        }
        table.Records.push_back(std::move(record));
    } while (json.Accept(','));
    return json.Expect(']', "“]”");
}

}  // namespace

Expected<ImportTable> ParseJsonImport(TextSource& source)
{
    ImportTable table;
    JsonCursor json(source);
    // A failure found past the cursor (a text too long, a date, the limits), which the
    // cursor's own message would not name.
    std::string entryError;
    bool sawEntries = false;
    json.SkipSpace();
    if (json.Peek() == '[')
        return Error{ExpectedShape("JSON的最外层是数组 (the JSON is an array)"), {}, 0};
    bool ok = json.Expect('{', "“{”");
    if (ok && !json.Accept('}')) {
        do {
            std::string key;
            if (!json.ReadString(&key, LongestKey, false) || !json.Expect(':', "“:”")) {
                ok = false;
                break;
            }
            if (KeyIs(key, "owner")) {
                if (json.AcceptNull()) {
                    table.Owner.reset();
                    continue;
                }
                std::u16string owner;
                if (auto read = ReadText(json, owner, "文档用户名"); !read) {
                    entryError = read.error().Message;
                    ok = false;
                    break;
                }
                table.Owner = std::move(owner);
            } else if (KeyIs(key, "format")) {
                // Informational: whatever format the export came from, import writes 200.
                IntField format;
                if (!(ok = json.ReadIntField(format, "format")))
                    break;
            } else if (KeyIs(key, "entries")) {
                if (!(ok = ReadEntries(json, table, sawEntries, entryError)))
                    break;
            } else if (!(ok = json.SkipValue(1))) {
                break;
            }
        } while (json.Accept(','));
        if (ok)
            ok = json.Expect('}', "“}”");
    }
    if (ok) {
        json.SkipSpace();
        if (!json.AtEnd())
            ok = json.Fail("JSON对象之后还有多余的内容 (trailing content)");
    }
    if (!ok || source.Failed())
        return Error{source.Failed() ? source.Error() : entryError.empty() ? json.ErrorMessage() : entryError, {}, 0};
    // An empty document comes back from its export as "entries":[]; an object without the
    // list is another program's, and importing it would write a document without records.
    if (!sawEntries)
        return Error{ExpectedShape("JSON中没有“entries”记录列表 (no \"entries\" list)"), {}, 0};
    return table;
}

Expected<ImportTable> ParseJsonImport(std::string_view text)
{
    TextSource source(text);
    return ParseJsonImport(source);
}

}  // namespace kyq::cli
