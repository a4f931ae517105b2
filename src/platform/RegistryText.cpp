#include "platform/RegistryText.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "platform/CodePage936.h"
#include "platform/Utf.h"

namespace kyq {

namespace {

constexpr std::string_view HeaderV5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view HeaderV4 = "REGEDIT4";
// Where a long hex value is wrapped, as exports do, so that the file stays readable.
constexpr size_t HexWrapColumn = 76;
// Raw hex data may be larger than the text it carries (UTF-16 doubles ASCII), but not by
// more than this.
constexpr size_t MaxHexBytes = 4 * MaxValueBytes;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimRight(std::string_view s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && FoldName(a) == FoldName(b);
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && EqualsIgnoringCase(s.substr(0, prefix.size()), prefix);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsEntryStart(std::string_view line)
{
    return !line.empty() && (line.front() == '[' || line.front() == '"' || line.front() == '@');
}

// Splits the text into lines; a "\r" before the "\n" is dropped.
class LineCursor {
public:
    explicit LineCursor(std::string_view text) : text_(text), end_(text.size()) {}

    bool AtEnd() const { return pos_ >= end_; }
    size_t LineNumber() const { return lineNumber_; }
    // The next line, without handing it out.
    std::string_view Peek() const
    {
        LineCursor copy = *this;
        return copy.Next();
    }
    // The line Next returned last.
    std::string_view Last() const { return last_; }
    // Lines from `offset` on are not handed out.
    void StopAt(size_t offset) { end_ = std::min(end_, offset); }

    std::string_view Next()
    {
        size_t end = text_.find('\n', pos_);
        if (end == std::string_view::npos)
            end = text_.size();
        std::string_view line = text_.substr(pos_, end - pos_);
        pos_ = end + 1;
        ++lineNumber_;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        last_ = line;
        return line;
    }

private:
    std::string_view text_;
    size_t end_;
    std::string_view last_;
    size_t pos_ = 0;
    size_t lineNumber_ = 0;
};

// A quoted name or text starting at line[pos] == '"'. Only \\ and \" are escapes, as
// exports write them. On success pos is just past the closing quote.
bool ParseQuoted(std::string_view line, size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < line.size()) {
        const size_t special = line.find_first_of("\"\\", pos);
        if (special == std::string_view::npos)
            return false;
        out.append(line.substr(pos, special - pos));
        pos = special + 1;
        if (line[special] == '"')
            return true;
        if (pos >= line.size() || (line[pos] != '\\' && line[pos] != '"'))
            return false;
        out.push_back(line[pos++]);
    }
    return false;
}

// UTF-16 code units from bytes in the given order; nothing for an odd count.
std::optional<std::string> FromUtf16(std::string_view bytes, bool bigEndian)
{
    if (bytes.size() % 2 != 0)
        return std::nullopt;
    std::u16string wide(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
        const auto first = static_cast<unsigned char>(bytes[2 * i]);
        const auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
        wide[i] = static_cast<char16_t>(bigEndian ? (first << 8) | second : first | (second << 8));
    }
    return Utf16ToUtf8(wide);
}

// Whether bytes that are not all UTF-8 look like another encoding rather than UTF-8 with a
// few damaged bytes: more of their non-ASCII characters fail as UTF-8 than read as it.
bool MostlyNotUtf8(std::string_view bytes)
{
    const std::u16string decoded = Utf8ToUtf16(bytes);
    if (Utf16ToUtf8(decoded) == bytes)
        return false;
    size_t failed = 0;
    size_t read = 0;
    for (char16_t unit : decoded) {
        if (unit == CodePage936::Replacement)
            ++failed;
        else if (unit >= 0x80)
            ++read;
    }
    return failed > read;
}

// Code page 936 text as UTF-8; nothing when a byte or pair is no character there.
std::optional<std::string> FromCodePage936(std::string_view bytes)
{
    std::u16string wide;
    wide.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int code = lead;
        if (lead >= 0x81 && lead != 0xFF && i + 1 < bytes.size())
            code = (lead << 8) | static_cast<unsigned char>(bytes[++i]);
        const auto code16 = static_cast<int16_t>(static_cast<uint16_t>(code));
        if (!CodePage936::Decodable(code16))
            return std::nullopt;
        wide.push_back(CodePage936::FromCode(code16));
    }
    return Utf16ToUtf8(wide);
}

// Text in the file's own encoding, as UTF-8. UTF-16 in either byte order, with its
// byte-order mark or without (every header starts with an ASCII letter, so its first two
// bytes tell the order); a UTF-8 byte-order mark is dropped; a file that is no UTF-8 but
// is code page 936 (as older exports and editors on a Chinese system write it) is read as
// that, instead of turning its Chinese into replacement characters.
std::optional<std::string> Normalise(std::string_view bytes)
{
    const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2) {
        if (byte(0) == 0xFF && byte(1) == 0xFE)
            return FromUtf16(bytes.substr(2), false);
        if (byte(0) == 0xFE && byte(1) == 0xFF)
            return FromUtf16(bytes.substr(2), true);
        if (byte(0) != 0 && byte(1) == 0)
            return FromUtf16(bytes, false);
        if (byte(0) == 0 && byte(1) != 0)
            return FromUtf16(bytes, true);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    if (MostlyNotUtf8(bytes)) {
        if (std::optional<std::string> text = FromCodePage936(bytes))
            return text;
    }
    return std::string(bytes);
}

class Parser {
public:
    Parser(std::string_view text, std::string_view rootName)
        : text_(text), lines_(text), rootName_(rootName)
    {
    }

    HiveTextResult Run()
    {
        HiveTextResult result;
        const auto damaged = [&](HiveTextError error, size_t line, size_t count = 1) {
            if (result.error == HiveTextError::None) {
                result.error = error;
                result.line = line;
            }
            result.damagedLines += count;
        };
        if (lines_.AtEnd()) {
            damaged(HiveTextError::NoHeader, 1, 0);
            return result;
        }
        const std::string_view header = TrimRight(lines_.Next());
        if (header != HeaderV5 && header != HeaderV4)
            damaged(HiveTextError::NoHeader, 1);
        // Every line ends in a line end; a last line without one means the file was cut,
        // and its value (a dword, hex data, ...) may look whole while it is not.
        const size_t lastEnd = text_.rfind('\n');
        if (lastEnd != std::string_view::npos) {
            std::string_view lastLine = text_.substr(lastEnd + 1);
            if (!lastLine.empty() && lastLine.back() == '\r')
                lastLine.remove_suffix(1);
            if (!TrimLeft(TrimRight(lastLine)).empty()) {
                lines_.StopAt(lastEnd + 1);
                cutLine_ = static_cast<size_t>(std::count(text_.begin(), text_.end(), '\n')) + 1;
            }
        }

        RegistryKey* current = nullptr;
        while (!lines_.AtEnd()) {
            const std::string_view line = lines_.Next();
            const size_t number = lines_.LineNumber();
            const std::string_view trimmed = TrimLeft(line);
            if (trimmed.empty() || trimmed.front() == ';')
                continue;
            if (trimmed.front() == '[') {
                // Values after a section that cannot be read have no key to go to.
                const HiveTextError error = ParseSection(trimmed, result.hive, current);
                if (error != HiveTextError::None) {
                    current = nullptr;
                    damaged(error, number);
                }
                continue;
            }
            if (!current) {
                damaged(HiveTextError::ValueBeforeKey, number, 1 + SkipContinuation(line));
                continue;
            }
            const HiveTextError error = ParseValueLine(trimmed, *current);
            if (error != HiveTextError::None)
                damaged(error, number, 1 + SkipContinuation(lines_.Last()));
        }
        if (cutLine_ != 0)
            damaged(HiveTextError::Truncated, cutLine_);
        return result;
    }

private:
    // After a value that could not be read: the lines that still belong to it (those that
    // follow a line ending in "\\"). Returns how many were skipped.
    size_t SkipContinuation(std::string_view line)
    {
        size_t skipped = 0;
        while (!TrimRight(line).empty() && TrimRight(line).back() == '\\' && !lines_.AtEnd() &&
               !IsEntryStart(TrimLeft(lines_.Peek()))) {
            line = lines_.Next();
            ++skipped;
        }
        return skipped;
    }

    HiveTextError ParseSection(std::string_view line, RegistryHive& hive, RegistryKey*& current)
    {
        line = TrimRight(line);
        if (line.size() < 2 || line.back() != ']')
            return HiveTextError::BadSection;
        const std::string_view path = line.substr(1, line.size() - 2);
        // "[-key]" deletes a key when an export is imported; a stored hive never holds one.
        if (path.empty() || path.front() == '-')
            return HiveTextError::BadSection;
        const size_t slash = path.find('\\');
        const std::string_view root = path.substr(0, slash);
        if (!EqualsIgnoringCase(root, rootName_))
            return HiveTextError::ForeignRoot;
        if (slash == std::string_view::npos) {
            current = &hive.Root();
            return HiveTextError::None;
        }
        const std::string_view rest = path.substr(slash + 1);
        // Unlike a key path handed to the store, a section names every key exactly.
        if (rest.empty() || rest.back() == '\\' || rest.find("\\\\") != std::string_view::npos)
            return HiveTextError::BadSection;
        if (SplitKeyPath(rest).size() > MaxKeyDepth)
            return HiveTextError::TooDeep;
        current = hive.CreateKey(rest);
        return current ? HiveTextError::None : HiveTextError::BadSection;
    }

    HiveTextError ParseValueLine(std::string_view line, RegistryKey& key)
    {
        size_t pos = 0;
        std::string name;
        if (line.front() == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, name)) {
            return HiveTextError::BadValue;
        }
        if (pos >= line.size() || line[pos] != '=')
            return HiveTextError::BadValue;
        ++pos;
        if (!IsValidValueName(name))
            return HiveTextError::BadValue;

        std::string_view data = line.substr(pos);
        RegistryValue value;
        if (!data.empty() && data.front() == '"') {
            size_t at = 0;
            std::string text;
            if (!ParseQuoted(data, at, text) || !TrimRight(data.substr(at)).empty())
                return HiveTextError::BadValue;
            if (text.size() > MaxValueBytes)
                return HiveTextError::ValueTooLarge;
            value = RegistryValue::String(text);
        } else if (StartsWithIgnoringCase(data, "dword:")) {
            // Always eight digits, as exports write them; fewer would hide a cut line.
            const std::string_view digits = TrimRight(data.substr(6));
            if (digits.size() != 8)
                return HiveTextError::BadValue;
            uint32_t number = 0;
            for (char c : digits) {
                const int d = HexDigit(c);
                if (d < 0)
                    return HiveTextError::BadValue;
                number = (number << 4) | static_cast<uint32_t>(d);
            }
            value = RegistryValue::Number(number);
        } else if (StartsWithIgnoringCase(data, "hex")) {
            const HiveTextError error = ParseHex(data, value);
            if (error != HiveTextError::None)
                return error;
        } else {
            return HiveTextError::BadValue;
        }
        key.SetValue(name, std::move(value));
        return HiveTextError::None;
    }

    // "hex:" or "hex(N):" then two-digit bytes separated by commas; a line ending in "\"
    // goes on in the next line.
    HiveTextError ParseHex(std::string_view data, RegistryValue& value)
    {
        const size_t colon = data.find(':');
        if (colon == std::string_view::npos)
            return HiveTextError::BadValue;
        std::string type = FoldName(data.substr(0, colon));
        if (type != "hex") {
            if (type.size() < 6 || type.size() > 13 || type.compare(0, 4, "hex(") != 0 ||
                type.back() != ')')
                return HiveTextError::BadValue;
            for (size_t i = 4; i + 1 < type.size(); ++i) {
                if (HexDigit(type[i]) < 0)
                    return HiveTextError::BadValue;
            }
        }

        std::vector<uint8_t> bytes;
        std::string_view rest = data.substr(colon + 1);
        for (;;) {
            rest = TrimRight(rest);
            const bool continues = !rest.empty() && rest.back() == '\\';
            if (continues)
                rest.remove_suffix(1);
            else if (!rest.empty() && rest.back() == ',')
                return HiveTextError::BadValue;
            if (!ParseHexBytes(rest, bytes))
                return HiveTextError::BadValue;
            if (bytes.size() > MaxHexBytes)
                return HiveTextError::ValueTooLarge;
            if (!continues)
                break;
            // A section or value line is never a continuation: it must not be taken into
            // the damaged value, or what follows would land under the wrong key.
            if (lines_.AtEnd() || IsEntryStart(TrimLeft(lines_.Peek())))
                return HiveTextError::BadValue;
            rest = TrimLeft(lines_.Next());
        }

        if (type == "hex(1)") {
            if (bytes.size() % 2 != 0)
                return HiveTextError::BadValue;
            std::u16string wide(bytes.size() / 2, u'\0');
            for (size_t i = 0; i < wide.size(); ++i)
                wide[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
            // The terminator is not part of the text; data written without one is whole.
            if (!wide.empty() && wide.back() == u'\0')
                wide.pop_back();
            value = RegistryValue::String(Utf16ToUtf8(wide));
            return value.text.size() > MaxValueBytes ? HiveTextError::ValueTooLarge
                                                     : HiveTextError::None;
        }
        if (bytes.size() > MaxValueBytes)
            return HiveTextError::ValueTooLarge;
        value = RegistryValue{};
        value.kind = RegistryValue::Kind::Other;
        value.otherType = std::move(type);
        value.otherBytes = std::move(bytes);
        return HiveTextError::None;
    }

    // One line's share of "aa,bb,cc," (a trailing comma is allowed before a continuation
    // and at the end).
    static bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& bytes)
    {
        size_t pos = 0;
        while (pos < text.size()) {
            while (pos < text.size() && IsBlank(text[pos]))
                ++pos;
            if (pos >= text.size())
                break;
            if (pos + 1 >= text.size())
                return false;
            const int hi = HexDigit(text[pos]);
            const int lo = HexDigit(text[pos + 1]);
            if (hi < 0 || lo < 0)
                return false;
            bytes.push_back(static_cast<uint8_t>(hi * 16 + lo));
            pos += 2;
            while (pos < text.size() && IsBlank(text[pos]))
                ++pos;
            if (pos < text.size()) {
                if (text[pos] != ',')
                    return false;
                ++pos;
            }
        }
        return true;
    }

    std::string_view text_;
    LineCursor lines_;
    std::string_view rootName_;
    size_t cutLine_ = 0;  // the last line, when it has no line end
};

// The quoted form cannot carry a line end, and a NUL would end the text for many readers.
bool NeedsHexForm(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

void AppendQuoted(std::string& out, std::string_view text)
{
    out.push_back('"');
    size_t pos = 0;
    for (;;) {
        const size_t special = text.find_first_of("\"\\", pos);
        out.append(text.substr(pos, special == std::string_view::npos ? std::string_view::npos : special - pos));
        if (special == std::string_view::npos)
            break;
        out.push_back('\\');
        out.push_back(text[special]);
        pos = special + 1;
    }
    out.push_back('"');
}

void AppendHex(std::string& out, std::string_view type, const std::vector<uint8_t>& bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    out += type;
    out.push_back(':');
    size_t lineStart = out.rfind('\n') + 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(Digits[bytes[i] >> 4]);
        out.push_back(Digits[bytes[i] & 15]);
        if (i + 1 < bytes.size()) {
            out.push_back(',');
            if (out.size() - lineStart >= HexWrapColumn) {
                out += "\\\n  ";
                lineStart = out.size() - 2;
            }
        }
    }
}

void AppendValue(std::string& out, std::string_view name, const RegistryValue& value)
{
    if (name.empty())
        out.push_back('@');
    else
        AppendQuoted(out, name);
    out.push_back('=');
    switch (value.kind) {
    case RegistryValue::Kind::String:
        if (!NeedsHexForm(value.text)) {
            AppendQuoted(out, value.text);
        } else {
            std::u16string wide = Utf8ToUtf16(value.text);
            wide.push_back(u'\0');
            std::vector<uint8_t> bytes;
            bytes.reserve(wide.size() * 2);
            for (char16_t unit : wide) {
                bytes.push_back(static_cast<uint8_t>(unit & 0xFF));
                bytes.push_back(static_cast<uint8_t>(unit >> 8));
            }
            AppendHex(out, "hex(1)", bytes);
        }
        break;
    case RegistryValue::Kind::Number: {
        static constexpr char Digits[] = "0123456789abcdef";
        out += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4)
            out.push_back(Digits[(value.number >> shift) & 15]);
        break;
    }
    case RegistryValue::Kind::Other:
        AppendHex(out, value.otherType, value.otherBytes);
        break;
    }
    out.push_back('\n');
}

void AppendKey(std::string& out, const RegistryKey& key, const std::string& path, bool isRoot)
{
    // The root's section is only worth writing when it carries values; every other key
    // gets one, so that empty keys survive a rewrite.
    if (!isRoot || key.ValueCount() > 0) {
        out.push_back('[');
        out += path;
        out += "]\n";
        for (size_t i = 0; i < key.ValueCount(); ++i)
            AppendValue(out, key.ValueName(i), key.Value(i));
        out.push_back('\n');
    }
    for (size_t i = 0; i < key.ChildCount(); ++i) {
        const RegistryKey& child = key.Child(i);
        AppendKey(out, child, path + '\\' + child.Name(), false);
    }
}

}  // namespace

bool FitsInHive(const RegistryValue& value)
{
    switch (value.kind) {
    case RegistryValue::Kind::String:
        if (value.text.size() > MaxValueBytes)
            return false;
        // In hex form the text goes through UTF-16, where a byte that is not UTF-8 becomes
        // a three-byte replacement character.
        return !NeedsHexForm(value.text) ||
               Utf16ToUtf8(Utf8ToUtf16(value.text)).size() <= MaxValueBytes;
    case RegistryValue::Kind::Number:
        return true;
    case RegistryValue::Kind::Other:
        return value.otherBytes.size() <= MaxValueBytes;
    }
    return false;
}

HiveTextResult ParseRegistryText(std::string_view bytes, std::string_view rootName)
{
    HiveTextResult result;
    if (bytes.size() > MaxHiveBytes) {
        result.error = HiveTextError::TooLarge;
        return result;
    }
    const std::optional<std::string> text = Normalise(bytes);
    if (!text) {
        result.error = HiveTextError::NoHeader;
        result.line = 1;
        result.damagedLines = 1;
        return result;
    }
    return Parser(*text, rootName).Run();
}

std::string FormatRegistryText(const RegistryHive& hive, std::string_view rootName)
{
    std::string out(HeaderV5);
    out += "\n\n";
    AppendKey(out, hive.Root(), std::string(rootName), true);
    return out;
}

}  // namespace kyq
