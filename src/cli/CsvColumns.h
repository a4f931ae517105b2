// Which column of an import CSV holds what, told by the names in its header row: the
// layouts that browsers and password managers export are recognised without a flag.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kyq::cli {

// What a column or a JSON field holds, told by its name.
enum class FieldRole { None, Title, UserName, Password, Url, Type, Notes, Year, Month, Day, Modified };

struct FieldName {
    FieldRole Role = FieldRole::None;
    int Rank = -1;  // within its role: lower is preferred
};

// Names are matched ignoring case, surrounding blanks, and "_" or "-" for a blank.
FieldName RecogniseFieldName(std::string_view name);

struct CsvColumns {
    // Indices into the header; -1: no such column.
    int Title = -1, UserName = -1, Password = -1;
    // The next user-name column ("email" beside "username"): fills an empty user name.
    int UserNameFallback = -1;
    int Notes = -1;  // tells a notes-only item; never imported
    int Url = -1;   // the title's stand-in (its host) where a row has no title
    int Type = -1;  // a kind of item; rows that are no logins are skipped
    int Year = -1, Month = -1, Day = -1;  // this program's own export
    int Modified = -1;                    // a date as ParseDateText reads it
    // The columns nothing is taken from, in header order.
    std::vector<size_t> Unused;

    bool SplitDate() const { return Year >= 0 && Month >= 0 && Day >= 0; }

    // Names are matched ignoring case, surrounding blanks, and "_" or "-" for a blank.
    // Where several columns could serve, the one with the name listed first wins, then
    // the leftmost.
    static CsvColumns Recognise(const std::vector<std::string>& names);

    // The names accepted for a title and for a password, for a refusal ("title、name、…").
    static std::string TitleNames();
    static std::string PasswordNames();
};

// True for an item kind that holds no login (a note, a card, an identity, ...).
bool IsNonLoginKind(std::string_view kind);

// True for an item that is a note saved where logins are: no user name and no password,
// and an address that marks notes ("http://sn") or none but some note text. Such items
// are skipped and counted as other kinds are; a login with only a title is kept.
bool IsNotesOnlyItem(std::string_view url, std::string_view userName, std::string_view password,
                     std::string_view notes);

// "https://user@accounts.example.com:443/path" -> "accounts.example.com"; text that is no
// address comes back trimmed.
std::string_view HostOfUrl(std::string_view url);

}  // namespace kyq::cli
