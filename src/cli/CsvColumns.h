// Which column of an import CSV holds what, told by the names in its header row: the
// layouts that browsers and password managers export are recognised without a flag.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kyq::cli {

struct CsvColumns {
    // Indices into the header; -1: no such column.
    int Title = -1, UserName = -1, Password = -1;
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

}  // namespace kyq::cli
