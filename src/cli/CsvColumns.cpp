#include "cli/CsvColumns.h"

#include <array>
#include <span>

namespace kyq::cli {

namespace {

using Names = std::span<const std::string_view>;

// In order of preference within each role.
constexpr std::string_view TitleColumnNames[] = {"title", "name", "account", "account name", "item name",
                                                 "site name", "标题", "名称"};
constexpr std::string_view UserColumnNames[] = {"username", "user name", "login username", "login name",
                                                "login", "user", "user id", "email", "e mail",
                                                "用户名", "账号", "帐号"};
constexpr std::string_view PasswordColumnNames[] = {"password", "login password", "passwd", "pass", "pwd", "密码"};
constexpr std::string_view UrlColumnNames[] = {"url", "login uri", "login url", "uri", "website", "web site", "网址"};
constexpr std::string_view TypeColumnNames[] = {"type"};
constexpr std::string_view YearColumnNames[] = {"year"};
constexpr std::string_view MonthColumnNames[] = {"month"};
constexpr std::string_view DayColumnNames[] = {"day"};
// The date the password last changed; "timepasswordchanged" is in epoch milliseconds.
constexpr std::string_view ModifiedColumnNames[] = {"timepasswordchanged", "last modified", "modified",
                                                    "modify time", "modifytime"};
constexpr std::string_view NotesColumnNames[] = {"notes", "note", "extra", "comments", "comment", "备注"};
constexpr std::string_view NonLoginKinds[] = {"note", "securenote", "card", "creditcard", "identity", "sshkey", "document"};

std::string Normalized(std::string_view name)
{
    std::string out;
    for (char c : name) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
        else if (c == '_' || c == '-' || c == '\t')
            c = ' ';
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

// Position of `name` in `names`, or -1.
int Rank(const std::string& name, Names names)
{
    int rank = 0;
    for (std::string_view n : names) {
        if (name == n)
            return rank;
        ++rank;
    }
    return -1;
}

std::string Listed(Names names)
{
    std::string out;
    for (std::string_view n : names)
        out += (out.empty() ? "" : "、") + std::string(n);
    return out;
}

}  // namespace

FieldName RecogniseFieldName(std::string_view name)
{
    static constexpr std::pair<FieldRole, Names> Roles[] = {
        {FieldRole::Title, TitleColumnNames},   {FieldRole::UserName, UserColumnNames},
        {FieldRole::Password, PasswordColumnNames}, {FieldRole::Url, UrlColumnNames},
        {FieldRole::Type, TypeColumnNames},     {FieldRole::Notes, NotesColumnNames},
        {FieldRole::Year, YearColumnNames},     {FieldRole::Month, MonthColumnNames},
        {FieldRole::Day, DayColumnNames},       {FieldRole::Modified, ModifiedColumnNames},
    };
    const std::string normalized = Normalized(name);
    for (const auto& [role, names] : Roles) {
        if (const int rank = Rank(normalized, names); rank >= 0)
            return {role, rank};
    }
    return {};
}

CsvColumns CsvColumns::Recognise(const std::vector<std::string>& names)
{
    CsvColumns col;
    struct Slot {
        int* Column;
        int BestRank = -1;
    };
    std::array<Slot, 11> slots = {{{nullptr}, {&col.Title}, {&col.UserName}, {&col.Password}, {&col.Url},
                                   {&col.Type}, {&col.Notes}, {&col.Year}, {&col.Month}, {&col.Day},
                                   {&col.Modified}}};
    int fallbackRank = -1;
    for (size_t c = 0; c < names.size(); ++c) {
        const FieldName field = RecogniseFieldName(names[c]);
        Slot& slot = slots[static_cast<size_t>(field.Role)];
        if (!slot.Column)
            continue;
        const int column = static_cast<int>(c);
        if (slot.BestRank < 0 || field.Rank < slot.BestRank) {
            // A user-name column that loses its place becomes the stand-in, if it is the best one left.
            if (field.Role == FieldRole::UserName && slot.BestRank >= 0)
                col.UserNameFallback = col.UserName, fallbackRank = slot.BestRank;
            slot.BestRank = field.Rank;
            *slot.Column = column;
        } else if (field.Role == FieldRole::UserName && (fallbackRank < 0 || field.Rank < fallbackRank)) {
            col.UserNameFallback = column;
            fallbackRank = field.Rank;
        }
    }
    const bool splitDate = col.SplitDate();
    for (size_t c = 0; c < names.size(); ++c) {
        const int i = static_cast<int>(c);
        const bool dated = (splitDate && (i == col.Year || i == col.Month || i == col.Day)) ||
                           (!splitDate && i == col.Modified);
        // A url is kept only as the title of a row without one: the address itself is lost.
        // The stand-in user name is named by the reader where a row loses it.
        if (!(i == col.Title || i == col.UserName || i == col.UserNameFallback || i == col.Password ||
              i == col.Type || dated))
            col.Unused.push_back(c);
    }
    return col;
}

std::string CsvColumns::TitleNames()
{
    return Listed(TitleColumnNames) + "（或只有网址列：" + Listed(UrlColumnNames) + "）";
}

std::string CsvColumns::PasswordNames()
{
    return Listed(PasswordColumnNames);
}

bool IsNonLoginKind(std::string_view kind)
{
    std::string k;
    for (char c : kind) {
        if (c == ' ' || c == '_' || c == '-')
            continue;
        k += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    for (std::string_view other : NonLoginKinds) {
        if (k == other)
            return true;
    }
    return false;
}

bool IsNotesOnlyItem(std::string_view url, std::string_view userName, std::string_view password,
                     std::string_view notes)
{
    constexpr std::string_view Blank = " \t\r\n";
    auto blank = [&](std::string_view text) { return text.find_first_not_of(Blank) == std::string_view::npos; };
    if (!blank(userName) || !blank(password))
        return false;
    // HostOfUrl trims; "sn" alone is no address anyone saves a password for.
    return HostOfUrl(url) == "sn" ? url.find("://") != std::string_view::npos : blank(url) && !blank(notes);
}

std::string_view HostOfUrl(std::string_view url)
{
    while (!url.empty() && url.front() == ' ')
        url.remove_prefix(1);
    while (!url.empty() && url.back() == ' ')
        url.remove_suffix(1);
    std::string_view host = url;
    if (const size_t scheme = host.find("://"); scheme != std::string_view::npos)
        host.remove_prefix(scheme + 3);
    host = host.substr(0, host.find_first_of("/?#"));
    if (const size_t at = host.rfind('@'); at != std::string_view::npos)
        host.remove_prefix(at + 1);
    if (host.starts_with('['))
        host = host.substr(0, host.find(']') + 1);
    else
        host = host.substr(0, host.find(':'));
    return host.empty() ? url : host;
}

}  // namespace kyq::cli
