// A day of the local calendar: what a record's change date is stamped with and what the
// expiry reminder compares against.
#pragma once

#include "core/document/PasswordEntry.h"

namespace kyq {

struct LocalDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    bool operator==(const LocalDate&) const = default;
};

// The date of the machine's local clock (all zero if it cannot be read).
LocalDate TodayLocal();

// Stamps the record as changed on `date`.
void StampChanged(PasswordEntry& record, const LocalDate& date);

}  // namespace kyq
