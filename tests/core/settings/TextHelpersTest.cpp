#include "core/settings/TextHelpers.h"

#include <gtest/gtest.h>

#include <limits>

namespace kyq {
namespace {

TEST(TextHelpers, PadNumberPadsToTheWidthAndNeverCuts)
{
    EXPECT_EQ(PadNumber(26, 4), "0026");
    EXPECT_EQ(PadNumber(1, 2), "01");
    EXPECT_EQ(PadNumber(123, 2), "123");
    EXPECT_EQ(PadNumber(7, 0), "7");
    EXPECT_EQ(PadNumber(0, 0), "0");
    EXPECT_EQ(PadNumber(0, 3), "000");
    EXPECT_EQ(PadNumber(2024, 4), "2024");
    EXPECT_EQ(PadNumber(-60, 0), "-60");
    EXPECT_EQ(PadNumber(12, -3), "12");
}

TEST(TextHelpers, BoolWordIsCapitalised)
{
    EXPECT_EQ(BoolWord(true), "True");
    EXPECT_EQ(BoolWord(false), "False");
}

TEST(TextHelpers, LeadingNumberReadsTheDecimalNumberAtTheStart)
{
    const struct {
        const char* text;
        int64_t number;
    } cases[] = {
        {"", 0},          {"abc", 0},       {"42", 42},       {"0042", 42},   {"-7", -7},
        {"+3", 3},        {"  12ab", 12},   {"\t9", 9},       {"2.4", 2},     {"2.5", 3},
        {"2.9x", 3},      {"-2.5", -3},     {"-2.4", -2},     {".6", 1},      {"7.", 7},
        {"1e3", 1},       {"- 5", 0},       {"--5", 0},       {"5-", 5},      {"６", 0},
        {"365天", 365},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LeadingNumber(c.text), c.number) << '"' << c.text << '"';
    constexpr int64_t Max = std::numeric_limits<int64_t>::max();
    EXPECT_EQ(LeadingNumber("9223372036854775807"), Max);
    EXPECT_EQ(LeadingNumber("9223372036854775808"), Max);
    EXPECT_EQ(LeadingNumber("99999999999999999999999999"), Max);
    EXPECT_EQ(LeadingNumber("-99999999999999999999999999"), -Max);
    EXPECT_EQ(LeadingNumber("9223372036854775807.9"), Max);
}

}  // namespace
}  // namespace kyq
