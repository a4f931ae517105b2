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
constexpr std::string_view ModifiedColumnNames[] = {"timepasswordchanged", "last modified", "modified"};
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

CsvColumns CsvColumns::Recognise(const std::vector<std::string>& names)
{
    CsvColumns col;
    struct Role {
        int* Column;
        Names Accepted;
        int BestRank = -1;
    };
    std::array<Role, 9> roles = {{
        {&col.Title, TitleColumnNames},
        {&col.UserName, UserColumnNames},
        {&col.Password, PasswordColumnNames},
        {&col.Url, UrlColumnNames},
        {&col.Type, TypeColumnNames},
        {&col.Year, YearColumnNames},
        {&col.Month, MonthColumnNames},
        {&col.Day, DayColumnNames},
        {&col.Modified, ModifiedColumnNames},
    }};
    for (size_t c = 0; c < names.size(); ++c) {
        const std::string name = Normalized(names[c]);
        for (Role& role : roles) {
            const int rank = Rank(name, role.Accepted);
            if (rank >= 0 && (role.BestRank < 0 || rank < role.BestRank)) {
                role.BestRank = rank;
                *role.Column = static_cast<int>(c);
                break;
            }
        }
    }
    const bool splitDate = col.SplitDate();
    for (size_t c = 0; c < names.size(); ++c) {
        const int i = static_cast<int>(c);
        const bool dated = (splitDate && (i == col.Year || i == col.Month || i == col.Day)) ||
                           (!splitDate && i == col.Modified);
        // A url is kept only as the title of a row without one: the address itself is lost.
        if (!(i == col.Title || i == col.UserName || i == col.Password || i == col.Type || dated))
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

}  // namespace kyq::cli
