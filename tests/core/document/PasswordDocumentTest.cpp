#include <gtest/gtest.h>

#include "core/document/PasswordDocument.h"
#include "core/document/SameText.h"
#include "core/document/TitleCollator.h"
#include "support/TestEntries.h"

namespace kyq {
namespace {

using test::Record;

void Load(PasswordDocument& doc, std::initializer_list<std::u16string> titles)
{
    for (const auto& t : titles) {
        PasswordEntry e = Record(t, t + u"-user", t + u"-pass");
        doc.AppendEntry(e);
        doc.AddTitle(e);
    }
}

std::vector<std::u16string> Titles(const PasswordDocument& doc)
{
    std::vector<std::u16string> out;
    for (int i = 1; i <= doc.EntryCount(); ++i)
        out.push_back(doc.Entries[static_cast<size_t>(i)].Title);
    return out;
}

TEST(SameText, IgnoresLetterCaseOnly)
{
    struct Case {
        std::u16string a, b;
        bool same;
    };
    const Case cases[] = {
        {u"Mail", u"mAIL", true}, {u"ÄBC", u"äbc", true}, {u"", u"", true},
        {u"Mail", u"Mail ", false}, {u"Mail", u"Maii", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.a) + " " + testing::PrintToString(c.b));
        EXPECT_EQ(SameText(c.a, c.b), c.same);
    }
}

TEST(TitleOrder, CaseInsensitiveThenPinyinWithDeterministicTies)
{
    EXPECT_LT(TitleCollator::Compare(u"A", u"b"), 0);
    EXPECT_LT(TitleCollator::Compare(u"b", u"C"), 0);
    // 北京 (bei) before 上海 (shang) before 中国 (zhong), whatever their code points.
    EXPECT_LT(TitleCollator::Compare(u"北京", u"上海"), 0);
    EXPECT_LT(TitleCollator::Compare(u"上海", u"中国"), 0);
    // Equal under the collation but different text: a fixed order, never 0.
    EXPECT_NE(TitleCollator::Compare(u"a", u"A"), 0);
    EXPECT_EQ(TitleCollator::Compare(u"a", u"A"), -TitleCollator::Compare(u"A", u"a"));
}

TEST(PasswordDocument, ReorderFollowsTitleOrderAndKeepsRecordsWithTheirTitles)
{
    PasswordDocument doc;
    doc.OwnerName() = u"owner";
    Load(doc, {u"b", u"A", u"c"});
    ASSERT_TRUE(doc.ReorderEntries(false));
    EXPECT_EQ(Titles(doc), (std::vector<std::u16string>{u"A", u"b", u"c"}));
    EXPECT_EQ(doc.Entries[2].UserName, u"b-user");
    EXPECT_EQ(doc.Entries[0].Title, u"owner");
    EXPECT_TRUE(doc.Modified);
}

TEST(PasswordDocument, ReorderOfAnEmptyDocumentChangesNothing)
{
    PasswordDocument doc;
    EXPECT_FALSE(doc.ReorderEntries(false));
    EXPECT_FALSE(doc.Modified);
}

TEST(PasswordDocument, RemoveEntryDropsExactlyThatRecordAndItsTitle)
{
    PasswordDocument doc;
    Load(doc, {u"b", u"A", u"c"});
    doc.ReorderEntries(false);
    doc.Modified = false;
    doc.RemoveEntryAt(2);  // "b"
    EXPECT_EQ(Titles(doc), (std::vector<std::u16string>{u"A", u"c"}));
    ASSERT_EQ(doc.Titles.size(), 2u);
    EXPECT_EQ(doc.Titles.At(1), u"c");
    EXPECT_TRUE(doc.Modified);
    doc.RemoveEntryAt(1);
    doc.RemoveEntryAt(1);
    EXPECT_EQ(doc.EntryCount(), 0);
    EXPECT_EQ(doc.Entries.size(), 1u);
}

TEST(PasswordDocument, LimitIsEnforcedByAppend)
{
    PasswordDocument doc;
    doc.Entries.resize(PasswordDocument::MaxEntries + 1);
    EXPECT_FALSE(doc.AppendEntry(Record(u"one too many", u"u", u"p")));
    EXPECT_EQ(doc.EntryCount(), PasswordDocument::MaxEntries);
}

TEST(PasswordDocument, ResetAndKeepOwnerOnly)
{
    PasswordDocument doc;
    doc.OwnerName() = u"me";
    doc.DocumentPassword() = u"pw";
    Load(doc, {u"a"});
    doc.KeepOwnerOnly();
    EXPECT_EQ(doc.EntryCount(), 0);
    EXPECT_EQ(doc.OwnerName(), u"");
    EXPECT_EQ(doc.DocumentPassword(), u"pw");
    doc.ResetEntries();
    EXPECT_EQ(doc.Entries.size(), 1u);
    EXPECT_EQ(doc.DocumentPassword(), u"");
}

}  // namespace
}  // namespace kyq
