#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>

#include "cli/DateText.h"

namespace kyq::cli {
namespace {

// The common written forms of a calendar date are read; impossible dates and forms
// whose day and month order is ambiguous give nothing.
TEST(DateText, CommonFormsAreReadAndImpossibleOrForeignOnesGiveNothing)
{
    const std::optional<ImportDate> leap = ImportDate{2024, 2, 29};
    const struct {
        const char* text;
        std::optional<ImportDate> date;
    } cases[] = {
        {"2024-02-29", leap},
        {"2024-02-29T23:59:59.123", leap},
        {"2024-02-29 10:00:00", leap},
        {" 2024/2/29 ", leap},
        {"2024/02/29 9:05", leap},
        {"2024.2.29", leap},
        {"2024年2月29日", leap},
        {"2024年2月29日 10:00", leap},
        {"2000-02-29", ImportDate{2000, 2, 29}},  // 400 years: leap
        {"1900-02-29", std::nullopt},             // century: no leap
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDateText(c.text), c.date) << c.text;
    for (const char* text : {"", "  ", "2023-02-29", "2024-13-01", "2024-00-10", "2024-04-31",
                             "2024-1-0", "2024-02", "2024-02-29x", "2024-02/29", "29.02.2024",
                             "02/29/2024", "yesterday", "0000-01-01", "12345-01-01", "2024-001-01",
                             "123", "2024年2月", "24-01-05", "01/05/2024", "5.1.2024", "2024-01-05Tnoon",
                             "2024-01-05T24:00", "2024-01-05 10:00 later", "2024-01-05T10:20:30+8"}) {
        EXPECT_FALSE(ParseDateText(text)) << text;
    }
    EXPECT_TRUE(IsCalendarDate({1, 1, 1}));
    EXPECT_FALSE(IsCalendarDate({2024, 6, 31}));
}

TEST(DateText, InstantsGiveTheirLocalDate)
{
    // Pin the zone so the expected local date is known.
    const char* before = std::getenv("TZ");
    const std::string saved = before ? before : "";
    setenv("TZ", "CST-8", 1);  // POSIX form: UTC+8, no zone database needed
    tzset();
    // 1709200800 = 2024-02-29 10:00 UTC = 18:00 in Shanghai; 1709226000 = 17:00 UTC = 01:00 on 1 March.
    // 1709668800 = 2024-03-05 20:00 UTC = 04:00 on 6 March in Shanghai, however it is written.
    const struct {
        const char* text;
        ImportDate date;
    } cases[] = {
        {"1709200800", {2024, 2, 29}},
        {"1709226000", {2024, 3, 1}},
        {"1709200800123", {2024, 2, 29}},
        {"1709668800000", {2024, 3, 6}},
        {"2024-03-05T20:00:00Z", {2024, 3, 6}},
        {"2024-03-05T20:00:00.999z", {2024, 3, 6}},
        {"2024-03-05T12:00-08:00", {2024, 3, 6}},
        {"2024-03-06T04:00:00+08:00", {2024, 3, 6}},
        {"2024-03-06T00:30:00+09:30", {2024, 3, 5}},
        {"2024-03-05 20:00:00", {2024, 3, 5}},  // no zone: the date as written
        {"2024-12-31T23:00:00Z", {2025, 1, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDateText(c.text), c.date) << c.text;
    if (before)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace kyq::cli
