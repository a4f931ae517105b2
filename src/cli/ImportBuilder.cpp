#include "cli/ImportBuilder.h"

#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "core/document/DocumentFormat.h"
#include "core/document/SealedFormat.h"
#include "core/document/SameText.h"
#include "platform/CodePage936.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

std::string RecordName(size_t number)
{
    return "第" + std::to_string(number) + "条记录 (record " + std::to_string(number) + ")";
}

Error Refused(std::string message)
{
    return Error{std::move(message), {}, 0};
}

// The first record a document cannot hold, named.
Expected<void> CheckRecords(const ImportTable& table, bool sealed)
{
    // Lower-cased title -> 1-based position of the record that has it.
    std::unordered_map<std::u16string, size_t> seen;
    seen.reserve(table.Records.size());
    for (size_t i = 0; i < table.Records.size(); ++i) {
        const ImportRecord& r = table.Records[i];
        const size_t number = i + 1;
        if (r.Title.empty())
            return Refused(RecordName(number) + "没有标题 (the title is empty)");
        const std::pair<const char*, const std::u16string*> fields[] = {
            {"标题 (title)", &r.Title}, {"用户名 (user name)", &r.UserName}, {"密码 (password)", &r.Password}};
        for (const auto& [label, text] : fields) {
            if (text->size() > MaxTextLength)
                return Refused(RecordName(number) + "的" + label + "超过32767个字符 (too long)");
            if (!sealed && CodePage936::FindUnencodable(*text) != std::u16string_view::npos)
                return Refused(RecordName(number) + "的" + label +
                               "中有GBK字符集以外的字符，旧格式（200）的文档无法保存；加 --sealed 可以保存 "
                               "(a character outside code page 936; --sealed keeps it)");
        }
        const auto [where, fresh] = seen.emplace(LowerText(r.Title), number);
        if (!fresh) {
            const size_t first = where->second;
            return Refused(RecordName(number) + "的标题与" + RecordName(first) +
                           "的相同（不区分大小写）(duplicate title, ignoring case)");
        }
    }
    return {};
}

}  // namespace

Expected<void> BuildImportDocument(ImportTable table, std::u16string_view owner,
                                   std::u16string_view password, const ImportDate& today,
                                   PasswordDocument& doc, bool sealed)
{
    if (owner.empty())
        return Refused("文档用户名不能为空 (the owner name is empty)");
    if (owner.size() > MaxTextLength)
        return Refused("文档用户名太长 (the owner name is longer than 32767 characters)");
    if (!sealed && FindUnstorableInOwnerName(owner) != std::u16string_view::npos)
        return Refused("文档用户名中有旧格式（200）的文档无法保存的字符 (the owner name has a character format 200 "
                       "cannot hold)");
    if (password.empty())
        return Refused("密码不能为空 (the password is empty)");
    // A control character could never be typed into the password prompt, and a character
    // outside code page 936 cannot key a format-200 file: either would lock the document.
    if (FindUnusableInDocumentPassword(password, sealed) != std::u16string_view::npos)
        return Refused(sealed ? "密码中有控制字符，不能用作文档密码 (the password holds a control character)"
                              : "密码中有控制字符或GBK字符集以外的字符，不能用作旧格式（200）文档的密码 (the "
                                "password holds a control character or one outside code page 936)");
    if (table.Records.size() > static_cast<size_t>(PasswordDocument::MaxEntries))
        return Refused("记录太多：" + std::to_string(table.Records.size()) +
                       "条，一个文档最多保存32767条 (at most 32767 records)");

    if (auto records = CheckRecords(table, sealed); !records)
        return records;

    PasswordDocument built;
    built.ResetEntries();
    built.OwnerName() = std::u16string(owner);
    built.DocumentPassword() = password;
    built.FormatVersion = sealed ? SealedFormatNumber : CurrentFormatNumber;
    for (ImportRecord& r : table.Records) {
        PasswordEntry e;
        e.Title = std::move(r.Title);
        e.UserName = std::move(r.UserName);
        e.Password = std::move(r.Password);
        const ImportDate date = r.Changed.value_or(today);
        e.ChangedYear = static_cast<int16_t>(date.Year);
        e.ChangedMonth = static_cast<uint8_t>(date.Month);
        e.ChangedDay = static_cast<uint8_t>(date.Day);
        built.AddTitle(e);
        built.AppendEntry(std::move(e));
    }
    built.ReorderEntries(false);
    doc = std::move(built);
    return {};
}

size_t RenameDuplicateTitles(ImportTable& table)
{
    // Every title the file has is taken from the start, so a renamed record never takes
    // the title of one that follows it.
    std::unordered_map<std::u16string, size_t> uses;  // lower-cased title -> records with it
    uses.reserve(table.Records.size());
    for (const ImportRecord& r : table.Records)
        ++uses[LowerText(r.Title)];
    std::unordered_set<std::u16string> seen;  // lower-cased titles given so far
    size_t renamed = 0;
    for (ImportRecord& r : table.Records) {
        const std::u16string key = LowerText(r.Title);
        if (r.Title.empty() || seen.insert(key).second)
            continue;
        // The bracketed part must fit in the longest title; the rest of the title is cut.
        auto withSuffix = [&](const std::u16string& suffix) {
            const size_t room = MaxTextLength > suffix.size() ? MaxTextLength - suffix.size() : 0;
            return r.Title.substr(0, room) + suffix;
        };
        auto free = [&](const std::u16string& title) {
            const std::u16string k = LowerText(title);
            return !uses.contains(k) && !seen.contains(k);
        };
        std::u16string title;
        constexpr size_t LongestUserSuffix = 64;
        if (!r.UserName.empty() && r.UserName.size() <= LongestUserSuffix &&
            CodePage936::FindUnencodable(r.UserName) == std::u16string_view::npos &&
            r.UserName.find_first_of(u"\r\n") == std::u16string::npos)
            title = withSuffix(u" (" + r.UserName + u")");
        for (size_t n = 2; title.empty() || !free(title); ++n) {
            const std::string digits = std::to_string(n);
            title = withSuffix(u" (" + std::u16string(digits.begin(), digits.end()) + u")");
        }
        seen.insert(LowerText(title));
        r.Title = std::move(title);
        ++renamed;
    }
    return renamed;
}

ImportDate LocalToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return ImportDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace kyq::cli
