#include <gtest/gtest.h>

#include <functional>

#include "core/autofill/FillListing.h"
#include "support/DocumentTestSupport.h"

namespace kyq::test {
namespace {

// What happens in the main window between the listing and the fill's OK decides which
// record (if any) is typed: the one picked, wherever it went, or none.
TEST(FillListing, OkTypesThePickedRecordOrNone)
{
    struct Case {
        const char* what;
        int row;
        std::function<void(PasswordDocument&, uint64_t& serial)> meanwhile;
        const char16_t* typed;  // user name of the record typed; nullptr: none
    };
    const std::vector<Case> cases = {
        {"nothing changed", 1, [](PasswordDocument&, uint64_t&) {}, u"bob"},
        {"a record before it deleted", 1,
         [](PasswordDocument& d, uint64_t&) { d.Entries.erase(d.Entries.begin() + 1); }, u"bob"},
        {"the picked record deleted", 1,
         [](PasswordDocument& d, uint64_t&) { d.Entries.erase(d.Entries.begin() + 2); }, nullptr},
        {"another record renamed into its row", 0,
         [](PasswordDocument& d, uint64_t&) { d.Entries[1].Title = u"aa"; }, nullptr},
        {"the document closed and another opened", 1,
         [](PasswordDocument& d, uint64_t& serial) {
             d = MakeDocument(u"eve", u"pw", {Record(u"a", u"x", u"1"), Record(u"b", u"y", u"2")});
             d.Path = "/tmp/b.kyq";
             ++serial;
         },
         nullptr},
        {"the document closed", 1, [](PasswordDocument& d, uint64_t&) { d.Path.clear(); }, nullptr},
        {"no row", -1, [](PasswordDocument&, uint64_t&) {}, nullptr},
        {"a row past the list", 3, [](PasswordDocument&, uint64_t&) {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PasswordDocument doc = MakeDocument(
            u"ann", u"pw",
            {Record(u"a", u"ann", u"pa"), Record(u"b", u"bob", u"pb"), Record(u"c", u"cy", u"pc")});
        doc.Path = "/tmp/a.kyq";
        uint64_t serial = 7;
        const FillListing listing = ListForFill(doc, serial);
        c.meanwhile(doc, serial);
        const PasswordEntry* entry = PickedEntry(doc, serial, listing, c.row);
        if (c.typed == nullptr) {
            EXPECT_EQ(entry, nullptr);
        } else {
            ASSERT_NE(entry, nullptr);
            EXPECT_EQ(entry->UserName, c.typed);
        }
    }
}

}  // namespace
}  // namespace kyq::test
