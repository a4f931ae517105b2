#include <gtest/gtest.h>

#include "core/autofill/FillMacro.h"

namespace kyq {
namespace {

std::u16string Codes(std::initializer_list<char16_t> codes)
{
    return std::u16string(codes);
}

TEST(ExpandFillMacro, EscapesCaretsAndHexCodes)
{
    // The password holds a caret, so typing it as stored shows that inserted text is
    // never scanned for escapes again.
    PasswordEntry mail;
    mail.Title = u"邮箱";
    mail.UserName = u"张三";
    mail.Password = u"p^pw{}+%~()[]";
    PasswordEntry carets;
    carets.Title = u"^t";
    carets.UserName = u"^^";
    carets.Password = u"a^";

    struct Case {
        std::u16string macro;
        std::u16string expected;
        const PasswordEntry* record = nullptr;
    };
    const Case cases[] = {
        // Every escape, in either case.
        {u"^i|^I", u"邮箱|邮箱", &mail},
        {u"^n|^N", u"张三|张三", &mail},
        {u"^p|^P", u"p^pw{}+%~()[]|p^pw{}+%~()[]", &mail},
        {u"^t^T", u"\t\t", &mail},
        {u"^r^R", u"\r\n\r\n", &mail},
        {u"^^", u"^", &mail},
        {u"plain text 中文", u"plain text 中文", &mail},
        {u"", u"", &mail},
        // The fill dialog's examples.
        {u"^n^t^p^r", u"张三\tp^pw{}+%~()[]\r\n", &mail},
        {DefaultFillMacro, u"张三\tp^pw{}+%~()[]\r\n", &mail},
        {u"^h41^H61", u"Aa", &mail},
        {u"x^qy", u"xy", &mail},
        {u"50^^", u"50^", &mail},
        // Inserted text is typed as stored; a caret made by ^^ starts no escape.
        {u"^i^n^p^t", u"^t^^a^\t", &carets},
        {u"^^t", u"^t", &mail},
        {u"^^^t", u"^\t", &mail},
        // A caret before any other character drops both, a whole surrogate pair included.
        {u"a^xb^Zc^1d^ e", u"abcde", &mail},
        {u"a^中b", u"ab", &mail},
        {u"a^\U0001F600b", u"ab", &mail},
        // A trailing caret is lost.
        {u"abc^", u"abc", &mail},
        {u"^", u"", &mail},
        {u"^^^", u"^", &mail},
        // Hex reads two characters and stops at a non-digit, which is consumed.
        {u"^h7e^h7E^H2a", u"~~*", &mail},
        {u"^h417", u"A7", &mail},
        {u"^h4G", Codes({4}), &mail},
        {u"^hZZ", Codes({0}), &mail},
        {u"^hZ1x", Codes({0, u'x'}), &mail},
        {u"^h00", Codes({0}), &mail},
        {u"^h09^h0d^h0A", u"\t\r\n", &mail},
        // Hex at the end uses what is there.
        {u"ab^h4", Codes({u'a', u'b', 4}), &mail},
        {u"ab^h", Codes({u'a', u'b', 0}), &mail},
        {u"^h^", Codes({0}), &mail},
        // Hex does not split a character outside the basic plane.
        {u"^h4\U0001F600x", Codes({4, u'x'}), &mail},
        // High codes are single bytes of code page 936; lead bytes and 0xFF are nothing.
        {u"^h80", u"€", &mail},
        {u"a^h81b^hFEc^hffd", u"abcd", &mail},
        {u"^h7F", Codes({0x7f}), &mail},
        // Without a record the record escapes insert nothing.
        {u"^n^t^p^r", u"\t\r\n"},
        {u"[^i]", u"[]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.macro));
        EXPECT_EQ(ExpandFillMacro(c.macro, c.record), c.expected);
    }
}

}  // namespace
}  // namespace kyq
