#include "cli/ImportBuilder.h"

#include <cstdio>
#include <ctime>
#include <unordered_map>

#include "document/SameText.h"
#include "platform/CodePage936.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

constexpr size_t MaxTextLength = 32767;  // lengths are signed 16-bit in the file
constexpr char16_t OwnerTerminatorCharacter = 14;  // enciphered, it becomes the name's 0

std::string Utf8(std::u16string_view text) { return Utf16ToUtf8(text); }

// The character at `at` as the user knows it: itself and its code point (a pair of
// surrogates is one character outside the BMP).
std::string DescribeCharacter(std::u16string_view text, size_t at)
{
    const char16_t ch = text[at];
    size_t units = 1;
    unsigned codePoint = ch;
    if (ch >= 0xD800 && ch <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
        text[at + 1] <= 0xDFFF) {
        units = 2;
        codePoint = 0x10000 + ((ch - 0xD800u) << 10) + (text[at + 1] - 0xDC00u);
    }
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", codePoint);
    if (codePoint < 0x20 || codePoint == 0x7F || (units == 1 && ch >= 0xD800 && ch <= 0xDFFF))
        return code;
    return "“" + Utf8(text.substr(at, units)) + "”(" + code + ")";
}

std::string RecordName(size_t number, std::u16string_view title)
{
    std::string out = "第" + std::to_string(number) + "条记录";
    if (!title.empty())
        out += "“" + Utf8(title) + "”";
    return out + " (record " + std::to_string(number) + ")";
}

// "" when every character of `text` has a code page 936 code.
std::string UnstorableCharacter(std::u16string_view text)
{
    const size_t at = CodePage936::FindUnencodable(text);
    if (at == std::u16string_view::npos)
        return {};
    return DescribeCharacter(text, at);
}

}  // namespace

ImportCheck BuildImportDocument(const ImportTable& table, std::u16string_view owner,
                                std::u16string_view password, const ImportDate& today,
                                PasswordDocument& doc)
{
    ImportCheck check;
    if (owner.empty()) {
        check.Error = "文档用户名不能为空 (the owner name is empty)";
        return check;
    }
    if (owner.size() > MaxTextLength) {
        check.Error = "文档用户名太长 (the owner name is longer than 32767 characters)";
        return check;
    }
    if (const std::string bad = UnstorableCharacter(owner); !bad.empty()) {
        check.Error = "文档用户名中的字符" + bad + "不能保存在文档中 (the owner name has a character "
                      "outside code page 936)";
        return check;
    }
    if (owner.find(OwnerTerminatorCharacter) != std::u16string_view::npos) {
        check.Error = "文档用户名中不能有字符U+000E (the owner name may not contain U+000E)";
        return check;
    }
    if (password.empty()) {
        check.Error = "密码不能为空 (the password is empty)";
        return check;
    }
    if (const std::string bad = UnstorableCharacter(password); !bad.empty()) {
        check.Error = "密码中的字符" + bad + "不能用作文档密码 (the password has a character outside "
                      "code page 936)";
        return check;
    }
    if (table.Records.size() > static_cast<size_t>(PasswordDocument::MaxEntries)) {
        check.Error = "记录太多：" + std::to_string(table.Records.size()) +
                      "条，一个文档最多保存32767条 (at most 32767 records)";
        return check;
    }

    // Lower-cased title -> 1-based position of the record that has it.
    std::unordered_map<std::u16string, size_t> seen;
    seen.reserve(table.Records.size());
    for (size_t i = 0; i < table.Records.size(); ++i) {
        const ImportRecord& r = table.Records[i];
        const size_t number = i + 1;
        if (r.Title.empty()) {
            check.Error = RecordName(number, r.Title) + "没有标题 (the title is empty)";
            return check;
        }
        const std::pair<const char*, const std::u16string*> fields[] = {
            {"标题 (title)", &r.Title}, {"用户名 (user name)", &r.UserName}, {"密码 (password)", &r.Password}};
        for (const auto& [label, text] : fields) {
            if (text->size() > MaxTextLength) {
                check.Error = RecordName(number, r.Title) + "的" + label + "超过32767个字符 (too long)";
                return check;
            }
            if (const std::string bad = UnstorableCharacter(*text); !bad.empty()) {
                check.Error = RecordName(number, r.Title) + "的" + label + "中有不能保存在文档中的字符" + bad +
                              " (character outside code page 936)";
                return check;
            }
        }
        const auto [where, fresh] = seen.emplace(LowerText(r.Title), number);
        if (!fresh) {
            const size_t first = where->second;
            check.Error = RecordName(number, r.Title) + "的标题与" +
                          RecordName(first, table.Records[first - 1].Title) +
                          "相同（不区分大小写）(duplicate title, ignoring case)";
            return check;
        }
    }

    PasswordDocument built;
    built.ResetEntries();
    built.OwnerName() = std::u16string(owner);
    built.DocumentPassword() = std::u16string(password);
    built.FormatVersion = 200;
    for (const ImportRecord& r : table.Records) {
        PasswordEntry e;
        e.Title = r.Title;
        e.UserName = r.UserName;
        e.Password = r.Password;
        const ImportDate date = r.Changed.value_or(today);
        e.ChangedYear = static_cast<int16_t>(date.Year);
        e.ChangedMonth = static_cast<uint8_t>(date.Month);
        e.ChangedDay = static_cast<uint8_t>(date.Day);
        built.AddTitle(e);
        built.AppendEntry(std::move(e));
    }
    built.ReorderEntries(false);
    doc = std::move(built);
    check.Ok = true;
    return check;
}

ImportDate LocalToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ImportDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace kyq::cli
