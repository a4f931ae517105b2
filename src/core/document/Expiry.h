// The expiry reminder: which records' passwords are older than the configured number of
// days, collected as their titles while a document is read.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/document/PasswordEntry.h"

namespace kyq {

// Expiry reminder parameters: Days 0 turns it off; today is the local date.
struct ExpiryContext {
    int Days = 60;
    int Year = 0;
    int Month = 0;
    int Day = 0;
};

// The context for today's local date.
ExpiryContext ExpiryContextForToday(int days);

struct ExpiryDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    bool operator==(const ExpiryDate&) const = default;
};

// The change date moved on by `days`, carried month by month. Nothing for a month
// outside 1..12 (only a damaged file holds one): there is no month length to carry by.
std::optional<ExpiryDate> ExpiryDateOf(int year, int month, int day, int days);

// The year padded to four digits, month and day to two each; longer numbers are not cut
// and a negative one keeps its sign ("-5" for day -5), as the stored texts always were.
std::string DateText(int year, int month, int day);

// Appends the record's title to expiredTitles when its password expired before today (the
// expiry date itself still counts as valid). Does nothing when Days is 0.
void CheckExpiry(const PasswordEntry& record, const ExpiryContext& context,
                 std::vector<std::u16string>& expiredTitles);

}  // namespace kyq
