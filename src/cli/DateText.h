// Dates as other password managers write them in their CSV exports ("Last Modified").
#pragma once

#include <optional>
#include <string_view>

#include "cli/ImportTable.h"

namespace kyq::cli {

// Year first, then month and day, separated by '-', '/' or '.', or written with 年月日:
// "2024-02-29", "2024-02-29T10:00:00Z", "2024-02-29 10:00:00+08:00", "2024/2/29",
// "2024.02.29", "2024年2月29日". Whatever follows the day after a 'T' or a blank (a time)
// is ignored: the document keeps dates only, and the date as written is the one the user
// saw. Also a Unix time in seconds (10 digits) or milliseconds (13 digits), taken in the
// local time zone. Anything else, and impossible dates (2023-02-29), give nothing.
std::optional<ImportDate> ParseDateText(std::string_view text);

// True for a date of the proleptic Gregorian calendar with a year of 1..9999.
bool IsCalendarDate(const ImportDate& date);

}  // namespace kyq::cli
