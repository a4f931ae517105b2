#include "cli/DateText.h"

#include <cstdint>
#include <ctime>

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
    const auto year = TakeNumber(s, 4);
    if (!year || s.empty())
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

    // A time may follow; what it says does not change the date as written.
    if (!s.empty() && s.front() != 'T' && s.front() != 't' && s.front() != ' ')
        return std::nullopt;
    if (!IsCalendarDate(date))
        return std::nullopt;
    return date;
}

}  // namespace kyq::cli
