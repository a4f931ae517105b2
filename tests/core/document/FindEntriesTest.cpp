#include <gtest/gtest.h>

#include "core/document/FindEntries.h"

namespace kyq {
namespace {

PasswordDocument Doc(std::initializer_list<PasswordEntry> records)
{
    PasswordDocument doc;
    for (const auto& e : records)
        doc.AppendEntry(e);
    return doc;
}

TEST(FindEntries, MatchesAnyOfTheThreeTextsIgnoringCase)
{
    const PasswordDocument doc = Doc({
        {u"Mailbox", u"me", u"x", 2024, 1, 1},
        {u"Bank", u"MAILMAN", u"y", 2024, 1, 1},
        {u"Shop", u"s", u"secretMAIL", 2024, 1, 1},
        {u"Other", u"o", u"m a i l", 2024, 1, 1},
    });
    EXPECT_EQ(FindEntries(doc, u"mail"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FindEntries(doc, u"MAIL"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(FindEntries(doc, u"CRETm"), (std::vector<int>{3}));  // only inside a password
    EXPECT_EQ(FindEntries(doc, u"a i"), (std::vector<int>{4}));    // blanks must match blanks
    EXPECT_TRUE(FindEntries(doc, u"mail ").empty());              // no trimming
    EXPECT_TRUE(FindEntries(doc, u"*").empty());                  // no wildcards
}

TEST(FindEntries, NonAsciiLettersAndChinese)
{
    const PasswordDocument doc = Doc({
        {u"中国银行", u"ÄRGER", u"p", 2024, 1, 1},
        {u"银行卡", u"u", u"p", 2024, 1, 1},
        {u"ΣΟΦΙΑ", u"u", u"p", 2024, 1, 1},
    });
    EXPECT_EQ(FindEntries(doc, u"银行"), (std::vector<int>{1, 2}));
    EXPECT_EQ(FindEntries(doc, u"ärger"), (std::vector<int>{1}));
    EXPECT_EQ(FindEntries(doc, u"σοφ"), (std::vector<int>{3}));
}

TEST(FindEntries, EdgeCases)
{
    const PasswordDocument doc = Doc({{u"abc", u"", u"", 2024, 1, 1}});
    EXPECT_TRUE(FindEntries(doc, u"").empty());
    EXPECT_EQ(FindEntries(doc, u"ABC"), (std::vector<int>{1}));  // the whole text
    EXPECT_TRUE(FindEntries(doc, u"abcd").empty());               // longer than any text
    EXPECT_TRUE(FindEntries(PasswordDocument{}, u"a").empty());
    // The owner record is not a stored password.
    PasswordDocument owned = doc;
    owned.OwnerName() = u"zzz";
    EXPECT_TRUE(FindEntries(owned, u"zzz").empty());
}

}  // namespace
}  // namespace kyq
