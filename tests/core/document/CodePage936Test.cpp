#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/CodePage936.h"
#include "platform/CodePage936Builder.h"

namespace kyq {
namespace {

TEST(CodePage936, CodesAreBytesForSingleAndSignedPairsForDoubleByteCharacters)
{
    EXPECT_EQ(CodePage936::ToCode(u'A'), 65);
    EXPECT_EQ(CodePage936::ToCode(u'\0'), 0);
    EXPECT_EQ(CodePage936::ToCode(u'\x0E'), 14);
    EXPECT_EQ(CodePage936::ToCode(u'€'), 128);  // the one single-byte character above ASCII
    // 啊 is B0 A1: 0xB0A1 taken as signed 16-bit.
    EXPECT_EQ(CodePage936::ToCode(u'啊'), static_cast<int16_t>(0xB0A1));
    EXPECT_EQ(CodePage936::ToCode(u'中'), static_cast<int16_t>(0xD6D0));
    EXPECT_EQ(CodePage936::ToCode(u'，'), static_cast<int16_t>(0xA3AC));
    EXPECT_EQ(CodePage936::FromCode(static_cast<int16_t>(0xB0A1)), u'啊');
    EXPECT_EQ(CodePage936::FromCode(65), u'A');
}

TEST(CodePage936, CompiledInTablesAreTheConverterOfThisSystem)
{
    // The tables are written out at build time; a fault in writing them (sign, byte order,
    // a shifted row) shows up as a difference from a fresh tabulation.
    auto fresh = std::make_unique<CodePage936TableSet>();
    const Expected<void> built = BuildCodePage936Tables(*fresh);
    ASSERT_TRUE(built) << built.error().Detail;
    for (unsigned unit = 0; unit < 65536; ++unit) {
        const auto ch = static_cast<char16_t>(unit);
        const int16_t expected = fresh->code[unit];
        ASSERT_EQ(CodePage936::Encodable(ch), expected != cp936::NoCode) << unit;
        if (expected != cp936::NoCode) {
            ASSERT_EQ(CodePage936::ToCode(ch), expected) << unit;
        }
        ASSERT_EQ(CodePage936::FromCode(static_cast<int16_t>(unit)), fresh->character[unit]) << unit;
    }
}

TEST(CodePage936, EveryCharacterAndEveryCodeRoundTrips)
{
    int encodable = 0;
    for (unsigned unit = 0; unit < 65536; ++unit) {
        const auto ch = static_cast<char16_t>(unit);
        if (!CodePage936::Encodable(ch))
            continue;
        ++encodable;
        ASSERT_EQ(CodePage936::FromCode(CodePage936::ToCode(ch)), ch) << unit;
    }
    int decodable = 0;
    for (int value = -32768; value < 32768; ++value) {
        const auto code = static_cast<int16_t>(value);
        if (!CodePage936::Decodable(code)) {
            ASSERT_EQ(CodePage936::FromCode(code), CodePage936::Replacement) << value;
            continue;
        }
        ++decodable;
        ASSERT_EQ(CodePage936::ToCode(CodePage936::FromCode(code)), code) << value;
    }
    EXPECT_EQ(encodable, decodable);
    // ASCII, the euro sign and the 21,886 GBK double-byte characters.
    EXPECT_GT(encodable, 21800);
}

TEST(CodePage936, CodesWithoutACharacterGiveTheReplacement)
{
    EXPECT_EQ(CodePage936::FromCode(300), CodePage936::Replacement);  // lead byte 0x01
    EXPECT_EQ(CodePage936::FromCode(255), CodePage936::Replacement);
    EXPECT_EQ(CodePage936::FromCode(static_cast<int16_t>(0x8130)), CodePage936::Replacement);  // trail below 0x40
    EXPECT_EQ(CodePage936::FromCode(static_cast<int16_t>(0x8041)), CodePage936::Replacement);  // 0x80 is no lead
    EXPECT_FALSE(CodePage936::Decodable(300));
    EXPECT_TRUE(CodePage936::Decodable(0));
}

TEST(CodePage936, CharactersOutsideTheCodePageAreReportedWhereTheyStand)
{
    EXPECT_FALSE(CodePage936::Encodable(u'ก'));  // Thai
    EXPECT_FALSE(CodePage936::Encodable(CodePage936::Replacement));
    EXPECT_FALSE(CodePage936::Encodable(u'\xD83D'));  // a lone surrogate
    EXPECT_EQ(CodePage936::ToCode(u'ก'), CodePage936::FallbackCode);

    EXPECT_EQ(CodePage936::FindUnencodable(u"abc中文€"), std::u16string_view::npos);
    EXPECT_EQ(CodePage936::FindUnencodable(u""), std::u16string_view::npos);
    EXPECT_EQ(CodePage936::FindUnencodable(u"ab😀c"), 2u);
    EXPECT_EQ(CodePage936::FindUnencodable(u"中ก"), 1u);
}

}  // namespace
}  // namespace kyq
