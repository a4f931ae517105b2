#include "cli/JsonImport.h"

#include <cstdint>
#include <optional>
#include <string>

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

class JsonCursor {
public:
    explicit JsonCursor(std::string_view text) : text_(text) {}

    bool Failed() const { return failed_; }
    std::string ErrorMessage() const
    {
        const TextPosition at = PositionOf(text_, errorAt_);
        return "JSON第" + std::to_string(at.Line) + "行第" + std::to_string(at.Column) +
               "列：" + error_;
    }

    bool Fail(std::string message)
    {
        if (!failed_) {
            failed_ = true;
            error_ = std::move(message);
            errorAt_ = pos_;
        }
        return false;
    }

    void SkipSpace()
    {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
                break;
            ++pos_;
        }
    }

    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }

    bool Expect(char c, const char* what)
    {
        SkipSpace();
        if (Peek() != c)
            return Fail(std::string("此处应为") + what + " (expected " + what + ")");
        ++pos_;
        return true;
    }

    // Consumes `c` (after blanks) when it is next.
    bool Accept(char c)
    {
        SkipSpace();
        if (Peek() != c)
            return false;
        ++pos_;
        return true;
    }

    bool AcceptNull()
    {
        SkipSpace();
        if (text_.substr(pos_, 4) == "null") {
            pos_ += 4;
            return true;
        }
        return false;
    }

    // A JSON string, escapes resolved, as UTF-8 (the input was validated as UTF-8 before).
    bool ReadString(std::string& out)
    {
        out.clear();
        SkipSpace();
        if (Peek() != '"')
            return Fail("此处应为字符串 (expected a string)");
        ++pos_;
        while (true) {
            if (pos_ >= text_.size())
                return Fail("字符串没有结束 (unterminated string)");
            const char c = text_[pos_];
            if (c == '"') {
                ++pos_;
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("字符串中有未转义的控制字符 (unescaped control character)");
            if (c != '\\') {
                out += c;
                ++pos_;
                continue;
            }
            if (pos_ + 1 >= text_.size())
                return Fail("字符串没有结束 (unterminated string)");
            const char e = text_[pos_ + 1];
            pos_ += 2;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                uint32_t unit = 0;
                if (!ReadHex4(unit))
                    return false;
                if (unit >= 0xDC00 && unit <= 0xDFFF)
                    return Fail("孤立的低位代理项 (lone low surrogate)");
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    uint32_t low = 0;
                    if (text_.substr(pos_, 2) != "\\u")
                        return Fail("孤立的高位代理项 (lone high surrogate)");
                    pos_ += 2;
                    if (!ReadHex4(low))
                        return false;
                    if (low < 0xDC00 || low > 0xDFFF)
                        return Fail("孤立的高位代理项 (lone high surrogate)");
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, unit);
                break;
            }
            default:
                pos_ -= 1;
                return Fail("无效的转义序列 (invalid escape)");
            }
        }
    }

    // Any JSON number; `value` is set only for a plain integer that fits comfortably.
    bool ReadNumber(bool& integral, std::optional<int64_t>& value)
    {
        SkipSpace();
        bool negative = false;
        if (Peek() == '-') {
            negative = true;
            ++pos_;
        }
        if (!IsDigit(Peek()))
            return Fail("此处应为数字 (expected a number)");
        int64_t magnitude = 0;
        bool tooBig = false;
        if (Peek() == '0') {
            ++pos_;
        } else {
            while (IsDigit(Peek())) {
                if (magnitude > 1'000'000'000'000LL)
                    tooBig = true;
                else
                    magnitude = magnitude * 10 + (Peek() - '0');
                ++pos_;
            }
        }
        integral = true;
        if (Peek() == '.') {
            integral = false;
            ++pos_;
            if (!IsDigit(Peek()))
                return Fail("数字格式错误 (malformed number)");
            while (IsDigit(Peek()))
                ++pos_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            integral = false;
            ++pos_;
            if (Peek() == '+' || Peek() == '-')
                ++pos_;
            if (!IsDigit(Peek()))
                return Fail("数字格式错误 (malformed number)");
            while (IsDigit(Peek()))
                ++pos_;
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
        const size_t at = pos_;
        bool integral = false;
        if (!ReadNumber(integral, field.Value))
            return false;
        if (!integral) {
            pos_ = at;
            return Fail(std::string("“") + name + "”应为整数 (" + name + " must be an integer)");
        }
        if (!field.Value) {
            pos_ = at;
            return Fail(std::string("“") + name + "”超出范围 (" + name + " out of range)");
        }
        return true;
    }

    // Any value, checked for well-formedness and thrown away.
    bool SkipValue(int depth)
    {
        if (depth > MaxJsonDepth)
            return Fail("嵌套层次太深 (nesting too deep)");
        SkipSpace();
        const char c = Peek();
        if (c == '"') {
            std::string ignored;
            return ReadString(ignored);
        }
        if (c == '{') {
            ++pos_;
            if (Accept('}'))
                return true;
            do {
                std::string key;
                if (!ReadString(key) || !Expect(':', "“:”") || !SkipValue(depth + 1))
                    return false;
            } while (Accept(','));
            return Expect('}', "“}”");
        }
        if (c == '[') {
            ++pos_;
            if (Accept(']'))
                return true;
            do {
                if (!SkipValue(depth + 1))
                    return false;
            } while (Accept(','));
            return Expect(']', "“]”");
        }
        for (std::string_view word : {"true", "false", "null"}) {
            if (text_.substr(pos_, word.size()) == word) {
                pos_ += word.size();
                return true;
            }
        }
        bool integral = false;
        std::optional<int64_t> ignored;
        return ReadNumber(integral, ignored);
    }

    size_t Position() const { return pos_; }

private:
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    bool ReadHex4(uint32_t& unit)
    {
        if (text_.size() - pos_ < 4)
            return Fail("\\u后应有四位十六进制数 (\\u needs four hex digits)");
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = text_[pos_ + static_cast<size_t>(i)];
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
        pos_ += 4;
        return true;
    }

    std::string_view text_;
    size_t pos_ = 0;
    bool failed_ = false;
    std::string error_;
    size_t errorAt_ = 0;
};

std::string RecordLabel(size_t number)
{
    return "第" + std::to_string(number) + "条记录 (record " + std::to_string(number) + ")";
}

bool ReadEntry(JsonCursor& json, size_t number, ImportRecord& record, std::string& error)
{
    if (!json.Expect('{', "“{”"))
        return false;
    IntField year, month, day;
    if (!json.Accept('}')) {
        do {
            std::string key;
            if (!json.ReadString(key) || !json.Expect(':', "“:”"))
                return false;
            std::u16string* text = nullptr;
            if (KeyIs(key, "title"))
                text = &record.Title;
            else if (KeyIs(key, "username"))
                text = &record.UserName;
            else if (KeyIs(key, "password"))
                text = &record.Password;
            if (text) {
                if (json.AcceptNull()) {
                    text->clear();
                    continue;
                }
                std::string value;
                if (!json.ReadString(value))
                    return false;
                *text = Utf8ToUtf16(value);
            } else if (KeyIs(key, "year")) {
                if (!json.ReadIntField(year, "year"))
                    return false;
            } else if (KeyIs(key, "month")) {
                if (!json.ReadIntField(month, "month"))
                    return false;
            } else if (KeyIs(key, "day")) {
                if (!json.ReadIntField(day, "day"))
                    return false;
            } else if (!json.SkipValue(2)) {
                return false;
            }
        } while (json.Accept(','));
        if (!json.Expect('}', "“}”"))
            return false;
    }

    const bool anyDate = year.Value || month.Value || day.Value;
    if (!anyDate)
        return true;
    if (!year.Value || !month.Value || !day.Value) {
        error = RecordLabel(number) + "的日期不完整：year、month、day应同时给出 "
                "(year, month and day go together)";
        return false;
    }
    // The widths the document stores: a signed 16-bit year, month and day in one byte each.
    if (*year.Value < INT16_MIN || *year.Value > INT16_MAX || *month.Value < 0 ||
        *month.Value > 255 || *day.Value < 0 || *day.Value > 255) {
        error = RecordLabel(number) + "的日期超出文档能保存的范围 (date out of range)";
        return false;
    }
    record.Changed = ImportDate{static_cast<int>(*year.Value), static_cast<int>(*month.Value),
                                static_cast<int>(*day.Value)};
    return true;
}

}  // namespace

ImportParseResult ParseJsonImport(std::string_view input)
{
    ImportParseResult result;
    const std::string_view text = WithoutByteOrderMark(input);
    if (const size_t bad = FirstInvalidUtf8(text); bad != std::string_view::npos) {
        const TextPosition at = PositionOf(text, bad);
        result.Error = "JSON第" + std::to_string(at.Line) + "行第" + std::to_string(at.Column) +
                       "列：不是有效的UTF-8文本 (invalid UTF-8)";
        return result;
    }

    JsonCursor json(text);
    std::string entryError;
    bool ok = json.Expect('{', "“{”");
    if (ok && !json.Accept('}')) {
        do {
            std::string key;
            if (!json.ReadString(key) || !json.Expect(':', "“:”")) {
                ok = false;
                break;
            }
            if (KeyIs(key, "owner")) {
                if (json.AcceptNull()) {
                    result.Table.Owner.reset();
                    continue;
                }
                std::string owner;
                if (!(ok = json.ReadString(owner)))
                    break;
                result.Table.Owner = Utf8ToUtf16(owner);
            } else if (KeyIs(key, "format")) {
                // Informational: whatever format the export came from, import writes 200.
                IntField format;
                if (!(ok = json.ReadIntField(format, "format")))
                    break;
            } else if (KeyIs(key, "entries")) {
                result.Table.Records.clear();
                if (json.AcceptNull())
                    continue;
                if (!(ok = json.Expect('[', "“[”")))
                    break;
                if (json.Accept(']'))
                    continue;
                do {
                    ImportRecord record;
                    if (!ReadEntry(json, result.Table.Records.size() + 1, record, entryError)) {
                        ok = false;
                        break;
                    }
                    result.Table.Records.push_back(std::move(record));
                } while (json.Accept(','));
                if (!ok || !(ok = json.Expect(']', "“]”")))
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
    if (!ok) {
        result.Error = entryError.empty() ? json.ErrorMessage() : entryError;
        result.Table = ImportTable{};
        return result;
    }
    result.Ok = true;
    return result;
}

}  // namespace kyq::cli
