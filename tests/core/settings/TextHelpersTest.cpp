#include "core/settings/TextHelpers.h"

#include <gtest/gtest.h>

#include <limits>

namespace kyq {
namespace {

TEST(TextHelpers, PadNumberPadsToTheWidthAndNeverCuts)
{
    const struct {
        int64_t number;
        int width;
        const char* text;
    } cases[] = {
        {26, 4, "0026"}, {1, 2, "01"},    {123, 2, "123"},   {7, 0, "7"},    {0, 0, "0"},
        {0, 3, "000"},   {2024, 4, "2024"}, {-60, 0, "-60"}, {12, -3, "12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PadNumber(c.number, c.width), c.text) << c.number << " to " << c.width;
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
