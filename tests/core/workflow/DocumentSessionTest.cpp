#include <gtest/gtest.h>

#include "core/workflow/DocumentSession.h"
#include "support/DocumentTestSupport.h"

namespace kyq::test {
namespace {

std::vector<std::u16string> Titles(const PasswordDocument& doc)
{
    std::vector<std::u16string> out;
    for (int i = 1; i <= doc.EntryCount(); ++i)
        out.push_back(doc.Entries[static_cast<size_t>(i)].Title);
    return out;
}

TEST(DocumentSession, UndoSwapsAndRedoesThenRestoreUsesTheSnapshotUp)
{
    PasswordDocument doc = MakeDocument(u"ann", u"pw", {Record(u"a", u"u", u"p"), Record(u"b", u"u", u"p")});
    for (const PasswordEntry& e : StoredRecords(doc))
        doc.AddTitle(e);
    doc.ReorderEntries(false);
    doc.Modified = false;
    DocumentSession session;
    session.TakeUndoSnapshot(doc);
    doc.RemoveEntryAt(1);

    doc.Modified = false;  // saved after the delete
    session.ExchangeWithUndoSnapshot(doc, false);  // undo
    EXPECT_EQ(Titles(doc), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(doc.Titles.size(), 2u);
    EXPECT_TRUE(doc.Modified);  // the file lacks "a" now
    session.ExchangeWithUndoSnapshot(doc, false);  // redo
    EXPECT_EQ(Titles(doc), (std::vector<std::u16string>{u"b"}));
    EXPECT_EQ(doc.Titles.size(), 1u);

    session.ExchangeWithUndoSnapshot(doc, true);
    EXPECT_EQ(Titles(doc), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_FALSE(session.HasUndoSnapshot());
}

}  // namespace
}  // namespace kyq::test
