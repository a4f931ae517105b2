// Auto-fill where the desktop lets no program type: the picked record's user name and then
// its password go to the clipboard, one copy for each press of the user's in the fill
// dialog, and the clipboard is taken back a while after the last copy.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "core/document/PasswordEntry.h"

namespace kyq {

class ClipboardFill {
public:
    // Every program can read the clipboard: long enough to paste, no longer.
    static constexpr std::chrono::seconds ClearAfter{30};

    enum class Field { UserName, Password, Done };

    // The field the next copy of the record in `row` takes. A sequence belongs to one
    // record: picking another starts again at its user name. An empty field is skipped
    // (copying nothing would empty the clipboard); Done once nothing is left to copy.
    Field Next(int row, const PasswordEntry& entry) const;
    // Takes that field: its text, and the sequence moves past it. Empty at Done.
    std::u16string Copy(int row, const PasswordEntry& entry);

private:
    int row_ = -1;
    Field next_ = Field::UserName;  // of row_
};

// Whether the clipboard, now holding `now`, still holds what the program put there: only
// then is it cleared, so that nothing another program copied meanwhile is lost.
bool ClipboardStillHolds(std::u16string_view now, std::u16string_view copied);

}  // namespace kyq
