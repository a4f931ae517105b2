#include <gtest/gtest.h>

#include "core/document/PasswordDocument.h"

namespace kyq {
namespace {

// Records and index filled separately, so the two can be made to disagree.
PasswordDocument Doc(std::initializer_list<const char16_t*> records, std::initializer_list<const char16_t*> index)
{
    PasswordDocument doc;
    int n = 0;
    for (const char16_t* t : records)
        doc.AppendEntry({t, t, std::u16string(1, static_cast<char16_t>(u'0' + ++n)), 2024, 1, 1});
    for (const char16_t* t : index)
        doc.Titles.Add(t);
    return doc;
}

std::u16string Passwords(const PasswordDocument& doc)
{
    std::u16string out;
    for (int i = 1; i <= doc.EntryCount(); ++i)
        out += doc.Entries[static_cast<size_t>(i)].Password.empty() ? u"-" : doc.Entries[static_cast<size_t>(i)].Password;
    return out;
}

TEST(ReorderEntries, DropLastDropsTheRecordWhoseTitleLeftTheIndex)
{
    PasswordDocument doc = Doc({u"c", u"b", u"a"}, {u"a", u"c"});
    ASSERT_TRUE(doc.ReorderEntries(true));
    EXPECT_EQ(Passwords(doc), u"31");
    EXPECT_TRUE(doc.Modified);
}

TEST(ReorderEntries, IndexAndRecordsDisagree)
{
    // A title without a record gets an empty record; records the index lacks follow in order.
    PasswordDocument extra = Doc({u"a", u"b"}, {u"zz", u"a"});
    extra.ReorderEntries(false);
    ASSERT_EQ(extra.EntryCount(), 2);
    EXPECT_EQ(extra.Entries[1].Title, u"a");
    EXPECT_EQ(extra.Entries[2].Title, u"zz");
    EXPECT_TRUE(extra.Entries[2].Password.empty());

    PasswordDocument fewer = Doc({u"a", u"b", u"c"}, {u"c"});
    fewer.ReorderEntries(false);
    EXPECT_EQ(Passwords(fewer), u"312");
}

TEST(ReorderEntries, EqualTitlesAreTakenInRecordOrderAndTheOwnerStays)
{
    PasswordDocument doc = Doc({u"b", u"a", u"b", u"a", u"b"}, {u"b", u"a", u"b", u"a", u"b"});
    doc.OwnerName() = u"owner";
    doc.ReorderEntries(false);
    EXPECT_EQ(Passwords(doc), u"24135");
    EXPECT_EQ(doc.OwnerName(), u"owner");
}

TEST(ReorderEntries, LongTitlesKeepTheirRecords)
{
    // Long enough to live outside the string object, so moving records moves buffers.
    const std::u16string longA(40, u'a'), longB(40, u'b');
    PasswordDocument doc;
    doc.AppendEntry({longB, u"", u"B", 2024, 1, 1});
    doc.AppendEntry({longA, u"", u"A", 2024, 1, 1});
    doc.AddTitle(doc.Entries[1]);
    doc.AddTitle(doc.Entries[2]);
    doc.ReorderEntries(false);
    EXPECT_EQ(doc.Entries[1].Title, longA);
    EXPECT_EQ(doc.Entries[1].Password, u"A");
    EXPECT_EQ(doc.Entries[2].Password, u"B");
}

TEST(ReorderEntries, RecordsAlreadyInIndexOrder)
{
    PasswordDocument same = Doc({u"a", u"b", u"b", u"c"}, {u"a", u"b", u"b", u"c"});
    ASSERT_TRUE(same.ReorderEntries(false));
    EXPECT_EQ(Passwords(same), u"1234");
    EXPECT_TRUE(same.Modified);

    PasswordDocument dropped = Doc({u"a", u"b", u"c"}, {u"a", u"b"});
    dropped.ReorderEntries(true);
    EXPECT_EQ(Passwords(dropped), u"12");

    // In order up to the last record only: that one still finds its own title.
    PasswordDocument almost = Doc({u"a", u"b", u"d", u"c"}, {u"a", u"b", u"c", u"d"});
    almost.ReorderEntries(false);
    EXPECT_EQ(Passwords(almost), u"1243");
}

}  // namespace
}  // namespace kyq
