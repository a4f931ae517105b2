#include "core/autofill/ClipboardFill.h"

namespace kyq {

ClipboardFill::Field ClipboardFill::Next(int row, const PasswordEntry& entry) const
{
    const Field from = row == row_ ? next_ : Field::UserName;
    if (from == Field::UserName && !entry.UserName.empty())
        return Field::UserName;
    if (from != Field::Done && !entry.Password.empty())
        return Field::Password;
    return Field::Done;
}

std::u16string ClipboardFill::Copy(int row, const PasswordEntry& entry)
{
    const Field field = Next(row, entry);
    row_ = row;
    switch (field) {
    case Field::UserName:
        next_ = Field::Password;
        return entry.UserName;
    case Field::Password:
        next_ = Field::Done;
        return entry.Password;
    case Field::Done:
        next_ = Field::Done;
        break;
    }
    return {};
}

bool ClipboardStillHolds(std::u16string_view now, std::u16string_view copied)
{
    return !copied.empty() && now == copied;
}

}  // namespace kyq
