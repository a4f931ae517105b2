#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <random>

#include "core/document/Expiry.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

ExpiryContext Today(int days, int y, int m, int d)
{
    ExpiryContext c;
    c.Days = days;
    c.Year = y;
    c.Month = m;
    c.Day = d;
    return c;
}

bool Listed(const PasswordEntry& record, const ExpiryContext& context)
{
    std::vector<std::u16string> titles;
    CheckExpiry(record, context, titles);
    return !titles.empty();
}

TEST(ExpiryDate, CarriesOverMonthEndsLeapYearsAndYearEndButNotAMonthOutsideTheYear)
{
    struct Case {
        int year, month, day, days;
        std::optional<ExpiryDate> expected;
    };
    const Case cases[] = {
        // 31 January of a leap year + 30 days: 61 into January, -31, -29 leaves 1 March.
        {2024, 1, 31, 30, ExpiryDate{2024, 3, 1}},
        {2023, 1, 31, 30, ExpiryDate{2023, 3, 2}},
        {1900, 2, 28, 1, ExpiryDate{1900, 3, 1}},   // century: no leap
        {2000, 2, 28, 1, ExpiryDate{2000, 2, 29}},  // 400 years: leap
        {1999, 12, 31, 1, ExpiryDate{2000, 1, 1}},
        {2024, 4, 30, 0, ExpiryDate{2024, 4, 30}},
        // A stored day beyond its month is carried like any other.
        {2023, 4, 31, 0, ExpiryDate{2023, 5, 1}},
        {2024, 13, 1, 60, std::nullopt},
        {2024, 0, 1, 60, std::nullopt},
        {2024, 255, 255, 32767, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day << " + " << c.days);
        EXPECT_EQ(ExpiryDateOf(c.year, c.month, c.day, c.days), c.expected);
    }
}

TEST(ExpiryDate, AgreesWithTheCalendarForValidDatesAndAnyDays)
{
    using namespace std::chrono;
    std::mt19937 rng(20240517);
    std::uniform_int_distribution<int> year(1, 9000), month(1, 12), day(1, 31);
    std::uniform_int_distribution<int> days(1, 2'000'000);
    for (int i = 0; i < 3000; ++i) {
        const year_month_day start{std::chrono::year{year(rng)}, std::chrono::month{static_cast<unsigned>(month(rng))},
                                   std::chrono::day{static_cast<unsigned>(day(rng))}};
        if (!start.ok())
            continue;
        const int add = i < 100 ? i : days(rng);
        const year_month_day end{sys_days{start} + std::chrono::days{add}};
        const auto got = ExpiryDateOf(int(start.year()), int(unsigned(start.month())), int(unsigned(start.day())), add);
        ASSERT_TRUE(got.has_value());
        ASSERT_EQ(*got, (ExpiryDate{int(end.year()), int(unsigned(end.month())), int(unsigned(end.day()))}))
            << int(start.year()) << "-" << unsigned(start.month()) << "-" << unsigned(start.day()) << " + " << add;
    }
}

TEST(DateText, PadsToEightDigitsWithoutCutting)
{
    EXPECT_EQ(DateText(2024, 3, 1), "20240301");
    EXPECT_EQ(DateText(5, 1, 9), "00050109");
    EXPECT_EQ(DateText(12345, 10, 10), "123451010");
    EXPECT_EQ(DateText(2024, 3, -5), "202403-5");
}

// The expiry day itself is still valid, the day after is not; Days 0 examines nothing,
// and a damaged month neither lists the record nor hangs the carry.
TEST(CheckExpiry, ListsARecordOnlyAfterItsExpiryDay)
{
    struct Case {
        const char* what;
        PasswordEntry record;
        ExpiryContext today;
        bool listed;
    };
    const PasswordEntry expiresFirstOfMarch = test::Record(u"邮箱", u"u", u"p", 2024, 1, 31);
    const Case cases[] = {
        {"expiry day", expiresFirstOfMarch, Today(30, 2024, 3, 1), false},
        {"day after", expiresFirstOfMarch, Today(30, 2024, 3, 2), true},
        {"year before", expiresFirstOfMarch, Today(30, 2023, 12, 31), false},
        {"days 0", test::Record(u"邮箱", u"u", u"p", 1990, 1, 1), Today(0, 2024, 1, 1), false},
        {"month 13", test::Record(u"邮箱", u"u", u"p", 1990, 13, 1), Today(60, 2024, 1, 1), false},
        {"month 0", test::Record(u"邮箱", u"u", u"p", 1990, 0, 1), Today(60, 2024, 1, 1), false},
        {"month 255", test::Record(u"邮箱", u"u", u"p", -32768, 255, 255), Today(32767, 2024, 1, 1), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Listed(c.record, c.today), c.listed);
    }
}

TEST(CheckExpiry, ExpiredTitlesAreListedInTheOrderChecked)
{
    std::vector<std::u16string> list;
    const ExpiryContext today = Today(60, 2024, 6, 1);
    CheckExpiry(test::Record(u"b", u"u", u"p", 2020, 1, 1), today, list);
    CheckExpiry(test::Record(u"fresh", u"u", u"p", 2024, 5, 30), today, list);
    CheckExpiry(test::Record(u"a", u"u", u"p", 2021, 1, 1), today, list);
    EXPECT_EQ(list, (std::vector<std::u16string>{u"b", u"a"}));
}

TEST(CheckExpiry, TodaysContextIsARealDate)
{
    const ExpiryContext c = ExpiryContextForToday(7);
    EXPECT_EQ(c.Days, 7);
    EXPECT_GE(c.Year, 2024);
    EXPECT_GE(c.Month, 1);
    EXPECT_LE(c.Month, 12);
    EXPECT_GE(c.Day, 1);
    EXPECT_LE(c.Day, 31);
}

}  // namespace
}  // namespace kyq
