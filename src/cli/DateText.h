// Dates as other password managers write them in their CSV exports ("Last Modified").
#pragma once

#include <optional>
#include <string_view>

#include "cli/ImportTable.h"

namespace kyq::cli {

// ISO 8601 dates and date-times, year first with four digits: "2024-02-29",
// "2024-02-29T10:00:00Z", "2024-02-29T10:00:00.5+08:00", "2024-02-29 10:00"; also written
// with '/' or '.' ("2024/2/29") or with 年月日 ("2024年2月29日"). A time may follow (hours
// and minutes, seconds, a fraction, "Z" or an offset). Without a zone the date is the one
// written; with "Z" or an offset the text is an instant and gives its date in the local
// time zone, as a Unix time does: one instant is one date, whatever export it came from.
// Also a Unix time in seconds (10 digits) or milliseconds (13 digits). Anything else gives nothing: a two-digit year ("24-01-05"), day or
// month first ("01/05/2024", "5.1.2024"), impossible dates ("2024-13-01", "2023-02-29").
std::optional<ImportDate> ParseDateText(std::string_view text);

// True for a date of the proleptic Gregorian calendar with a year of 1..9999.
bool IsCalendarDate(const ImportDate& date);

}  // namespace kyq::cli
