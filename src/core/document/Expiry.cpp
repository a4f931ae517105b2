#include "core/document/Expiry.h"

#include "core/document/LocalDate.h"

namespace kyq {
namespace {

int MonthLength(int64_t year, int month)
{
    switch (month) {
    case 2:
        return (year % 4 == 0 && (year % 400 == 0 || year % 100 != 0)) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

void AppendPadded(std::string& out, int64_t number, size_t width)
{
    const std::string digits = std::to_string(number);
    if (digits.size() < width)
        out.append(width - digits.size(), '0');
    out += digits;
}

}  // namespace

ExpiryContext ExpiryContextForToday(int days)
{
    ExpiryContext context;
    context.Days = days;
    const LocalDate today = TodayLocal();
    context.Year = today.Year;
    context.Month = today.Month;
    context.Day = today.Day;
    return context;
}

std::optional<ExpiryDate> ExpiryDateOf(int year, int month, int day, int days)
{
    if (month < 1 || month > 12)
        return std::nullopt;
    int64_t y = year;
    int m = month;
    int64_t d = int64_t{day} + days;
    // 400 Gregorian years are 146,097 days from any starting month, so whole cycles can
    // be skipped without walking through them: huge Days values stay quick.
    constexpr int64_t CycleDays = 146097;
    if (d > CycleDays) {
        const int64_t cycles = (d - 1) / CycleDays;
        d -= cycles * CycleDays;
        y += cycles * 400;
    }
    while (d > MonthLength(y, m)) {
        d -= MonthLength(y, m);
        if (m == 12) {
            m = 1;
            ++y;
        } else {
            ++m;
        }
    }
    return ExpiryDate{static_cast<int>(y), m, static_cast<int>(d)};
}

std::string DateText(int year, int month, int day)
{
    std::string text;
    AppendPadded(text, year, 4);
    AppendPadded(text, month, 2);
    AppendPadded(text, day, 2);
    return text;
}

void CheckExpiry(const PasswordEntry& record, const ExpiryContext& context,
                 std::vector<std::u16string>& expiredTitles)
{
    if (context.Days == 0)
        return;
    const auto expiry =
        ExpiryDateOf(record.ChangedYear, record.ChangedMonth, record.ChangedDay, context.Days);
    if (!expiry)
        return;
    // Compared as texts, as always: the order of the eight-digit texts is the date order
    // for years 0..9999, the only ones a record made by the program carries.
    if (DateText(expiry->Year, expiry->Month, expiry->Day) <
        DateText(context.Year, context.Month, context.Day)) {
        expiredTitles.push_back(record.Title);
    }
}

}  // namespace kyq
