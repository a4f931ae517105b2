#include <gtest/gtest.h>

#include "core/autofill/FillMacro.h"

namespace kyq {
namespace {

PasswordEntry Mail()
{
    PasswordEntry e;
    e.Title = u"邮箱";
    e.UserName = u"张三";
    e.Password = u"p^pw{}+%~()[]";
    return e;
}

std::u16string Expand(const std::u16string& macro)
{
    const PasswordEntry record = Mail();
    return ExpandFillMacro(macro, &record);
}

TEST(ExpandFillMacro, EveryEscapeInEitherCase)
{
    EXPECT_EQ(Expand(u"^i|^I"), u"邮箱|邮箱");
    EXPECT_EQ(Expand(u"^n|^N"), u"张三|张三");
    EXPECT_EQ(Expand(u"^p|^P"), u"p^pw{}+%~()[]|p^pw{}+%~()[]");
    EXPECT_EQ(Expand(u"^t^T"), u"\t\t");
    EXPECT_EQ(Expand(u"^r^R"), u"\r\n\r\n");
    EXPECT_EQ(Expand(u"^^"), u"^");
    EXPECT_EQ(Expand(u"plain text 中文"), u"plain text 中文");
    EXPECT_EQ(Expand(u""), u"");
}

TEST(ExpandFillMacro, ExamplesOfTheFillDialog)
{
    EXPECT_EQ(Expand(u"^n^t^p^r"), u"张三\tp^pw{}+%~()[]\r\n");
    EXPECT_EQ(Expand(DefaultFillMacro), u"张三\tp^pw{}+%~()[]\r\n");
    EXPECT_EQ(Expand(u"^h41^H61"), u"Aa");
    EXPECT_EQ(Expand(u"x^qy"), u"xy");
    EXPECT_EQ(Expand(u"50^^"), u"50^");
}

TEST(ExpandFillMacro, InsertedTextIsNeverScannedAgain)
{
    // The stored password holds "^p": it is typed as stored, not expanded once more.
    EXPECT_EQ(Expand(u"^p"), u"p^pw{}+%~()[]");
    PasswordEntry carets;
    carets.Title = u"^t";
    carets.UserName = u"^^";
    carets.Password = u"a^";
    EXPECT_EQ(ExpandFillMacro(u"^i^n^p^t", &carets), u"^t^^a^\t");
    // The caret made by ^^ does not start an escape with the following "t".
    EXPECT_EQ(Expand(u"^^t"), u"^t");
    EXPECT_EQ(Expand(u"^^^t"), u"^\t");
}

TEST(ExpandFillMacro, CaretBeforeAnyOtherCharacterDropsBoth)
{
    EXPECT_EQ(Expand(u"a^xb^Zc^1d^ e"), u"abcde");
    EXPECT_EQ(Expand(u"a^中b"), u"ab");
    // A character outside the basic plane is one character: both halves go.
    EXPECT_EQ(Expand(u"a^\U0001F600b"), u"ab");
}

TEST(ExpandFillMacro, TrailingCaretIsLost)
{
    EXPECT_EQ(Expand(u"abc^"), u"abc");
    EXPECT_EQ(Expand(u"^"), u"");
    EXPECT_EQ(Expand(u"^^^"), u"^");
}

TEST(ExpandFillMacro, HexReadsTwoCharactersAndStopsAtANonDigit)
{
    EXPECT_EQ(Expand(u"^h7e^h7E^H2a"), u"~~*");
    EXPECT_EQ(Expand(u"^h417"), u"A7");  // only two characters are read
    EXPECT_EQ(Expand(u"^h4G"), std::u16string(1, char16_t(4)));  // G is consumed, not typed
    EXPECT_EQ(Expand(u"^hZZ"), std::u16string(1, char16_t(0)));
    EXPECT_EQ(Expand(u"^hZ1x"), std::u16string(1, char16_t(0)) + u"x");  // reading stopped at Z
    EXPECT_EQ(Expand(u"^h00"), std::u16string(1, char16_t(0)));
    EXPECT_EQ(Expand(u"^h09^h0d^h0A"), u"\t\r\n");
}

TEST(ExpandFillMacro, HexAtTheEndUsesWhatIsThere)
{
    EXPECT_EQ(Expand(u"ab^h4"), u"ab" + std::u16string(1, char16_t(4)));
    EXPECT_EQ(Expand(u"ab^h"), u"ab" + std::u16string(1, char16_t(0)));
    EXPECT_EQ(Expand(u"^h^"), std::u16string(1, char16_t(0)));  // the caret is consumed
}

TEST(ExpandFillMacro, HexDoesNotSplitACharacterOutsideTheBasicPlane)
{
    EXPECT_EQ(Expand(u"^h4\U0001F600x"), std::u16string(1, char16_t(4)) + u"x");
}

TEST(ExpandFillMacro, HighCodesAreSingleBytesOfCodePage936)
{
    EXPECT_EQ(Expand(u"^h80"), u"€");
    // Lead bytes and 0xFF are no character on their own.
    EXPECT_EQ(Expand(u"a^h81b^hFEc^hffd"), u"abcd");
    EXPECT_EQ(Expand(u"^h7F"), std::u16string(1, char16_t(0x7f)));
}

TEST(ExpandFillMacro, WithoutARecordTheRecordEscapesInsertNothing)
{
    EXPECT_EQ(ExpandFillMacro(u"^n^t^p^r", nullptr), u"\t\r\n");
    EXPECT_EQ(ExpandFillMacro(u"[^i]", nullptr), u"[]");
}

}  // namespace
}  // namespace kyq
