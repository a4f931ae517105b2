#include "cli/DateText.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <optional>

namespace kyq::cli {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Reads 1..maxDigits digits at `s`, advancing it.
std::optional<int> TakeNumber(std::string_view& s, size_t maxDigits)
{
    size_t n = 0;
    int value = 0;
    while (n < s.size() && IsDigit(s[n])) {
        if (n == maxDigits)
            return std::nullopt;
        value = value * 10 + (s[n] - '0');
        ++n;
    }
    if (n == 0)
        return std::nullopt;
    s.remove_prefix(n);
    return value;
}

bool TakePrefix(std::string_view& s, std::string_view prefix)
{
    if (s.substr(0, prefix.size()) != prefix)
        return false;
    s.remove_prefix(prefix.size());
    return true;
}

std::optional<ImportDate> FromUnixTime(std::string_view digits)
{
    int64_t value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    if (digits.size() == 13)
        value /= 1000;
    const auto seconds = static_cast<std::time_t>(value);
    std::tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return std::nullopt;
    return ImportDate{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

struct TimeOfDay {
    int Hours = 0, Minutes = 0, Seconds = 0;
    std::optional<int> OffsetSeconds;  // "Z" or an offset: an instant, not a wall-clock time
};

// What may follow a date after 'T' or a blank: hours (one or two digits) and minutes,
// optionally seconds and a fraction, optionally "Z" or an offset of hours and minutes.
std::optional<TimeOfDay> ReadTimeOfDay(std::string_view s, char introducer)
{
    if (introducer != 'T' && introducer != 't' && introducer != ' ')
        return std::nullopt;
    TimeOfDay time;
    const auto hours = TakeNumber(s, 2);
    if (!hours || *hours > 23 || !TakePrefix(s, ":"))
        return std::nullopt;
    const size_t before = s.size();
    const auto minutes = TakeNumber(s, 2);
    if (!minutes || before - s.size() != 2 || *minutes > 59)
        return std::nullopt;
    time.Hours = *hours;
    time.Minutes = *minutes;
    if (TakePrefix(s, ":")) {
        const size_t at = s.size();
        const auto seconds = TakeNumber(s, 2);
        if (!seconds || at - s.size() != 2 || *seconds > 60)
            return std::nullopt;
        time.Seconds = *seconds;
        if (TakePrefix(s, ".") || TakePrefix(s, ",")) {
            const size_t digits = std::min(s.find_first_not_of("0123456789"), s.size());
            if (digits == 0)
                return std::nullopt;
            s.remove_prefix(digits);
        }
    }
    if (s.empty())
        return time;
    if (s == "Z" || s == "z") {
        time.OffsetSeconds = 0;
        return time;
    }
    if (s.front() != '+' && s.front() != '-')
        return std::nullopt;
    const int sign = s.front() == '-' ? -1 : 1;
    s.remove_prefix(1);
    const size_t offset = s.size();
    const auto offsetHours = TakeNumber(s, 2);
    if (!offsetHours || offset - s.size() != 2 || *offsetHours > 14)
        return std::nullopt;
    int offsetMinutes = 0;
    if (!s.empty()) {
        TakePrefix(s, ":");
        const size_t rest = s.size();
        const auto minutesPart = TakeNumber(s, 2);
        if (!minutesPart || rest - s.size() != 2 || *minutesPart > 59 || !s.empty())
            return std::nullopt;
        offsetMinutes = *minutesPart;
    }
    time.OffsetSeconds = sign * (*offsetHours * 3600 + offsetMinutes * 60);
    return time;
}

// The local date of an instant given as a date, a time and the offset from UTC it was written in.
std::optional<ImportDate> LocalDateOf(const ImportDate& date, const TimeOfDay& time)
{
    std::tm utc{};
    utc.tm_year = date.Year - 1900;
    utc.tm_mon = date.Month - 1;
    utc.tm_mday = date.Day;
    utc.tm_hour = time.Hours;
    utc.tm_min = time.Minutes;
    utc.tm_sec = time.Seconds;
    const std::time_t instant = ::timegm(&utc) - *time.OffsetSeconds;
    std::tm local{};
    if (localtime_r(&instant, &local) == nullptr)
        return std::nullopt;
    const ImportDate result{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    return IsCalendarDate(result) ? std::optional(result) : std::nullopt;
}

}  // namespace

bool IsCalendarDate(const ImportDate& d)
{
    if (d.Year < 1 || d.Year > 9999 || d.Month < 1 || d.Month > 12 || d.Day < 1)
        return false;
    static constexpr int lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int length = lengths[d.Month - 1];
    if (d.Month == 2 && d.Year % 4 == 0 && (d.Year % 100 != 0 || d.Year % 400 == 0))
        length = 29;
    return d.Day <= length;
}

std::optional<ImportDate> ParseDateText(std::string_view text)
{
    std::string_view s = Trim(text);
    if (s.empty())
        return std::nullopt;

    bool allDigits = true;
    for (char c : s)
        allDigits = allDigits && IsDigit(c);
    if (allDigits) {
        if (s.size() == 10 || s.size() == 13)
            return FromUnixTime(s);
        return std::nullopt;
    }

    ImportDate date;
    // Four digits: "24-01-05" or "01/05/2024" could mean more than one date.
    const size_t whole = s.size();
    const auto year = TakeNumber(s, 4);
    if (!year || whole - s.size() != 4 || s.empty())
        return std::nullopt;
    date.Year = *year;

    const bool chinese = TakePrefix(s, "年");
    char separator = 0;
    if (!chinese) {
        separator = s.front();
        if (separator != '-' && separator != '/' && separator != '.')
            return std::nullopt;
        s.remove_prefix(1);
    }
    const auto month = TakeNumber(s, 2);
    if (!month)
        return std::nullopt;
    date.Month = *month;
    if (chinese ? !TakePrefix(s, "月") : !TakePrefix(s, std::string_view(&separator, 1)))
        return std::nullopt;
    const auto day = TakeNumber(s, 2);
    if (!day)
        return std::nullopt;
    date.Day = *day;
    if (chinese)
        TakePrefix(s, "日");
    if (!IsCalendarDate(date))
        return std::nullopt;
    if (s.empty())
        return date;
    // A time may follow. Without a zone it is the local time the date was written in; with
    // "Z" or an offset it is an instant, whose date here may be another (as a Unix time's is).
    const std::optional<TimeOfDay> time = ReadTimeOfDay(s.substr(1), s.front());
    if (!time)
        return std::nullopt;
    return time->OffsetSeconds ? LocalDateOf(date, *time) : date;
}

}  // namespace kyq::cli
