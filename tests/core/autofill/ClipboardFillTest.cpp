#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/autofill/ClipboardFill.h"

namespace kyq {
namespace {

TEST(ClipboardFill, CopiesUserNameThenPasswordOfOneRecordSkippingEmptyFieldsToTakeBackLater)
{
    struct Step {
        int row;
        int record;  // into records below
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<std::u16string> copied;  // "" once nothing is left
    };
    const PasswordEntry records[] = {
        {u"mail", u"张三", u"p^w", 0, 0, 0},
        {u"bank", u"", u"pin", 0, 0, 0},
        {u"note", u"", u"", 0, 0, 0},
        {u"wiki", u"dave", u"", 0, 0, 0},
    };
    const Case cases[] = {
        {"user name, password, then nothing", {{0, 0}, {0, 0}, {0, 0}}, {u"张三", u"p^w", u""}},
        {"no user name: the password first", {{1, 1}, {1, 1}}, {u"pin", u""}},
        {"nothing to copy", {{2, 2}}, {u""}},
        {"no password: done after the user name", {{3, 3}, {3, 3}}, {u"dave", u""}},
        {"another record starts again", {{0, 0}, {1, 1}, {0, 0}}, {u"张三", u"pin", u"张三"}},
        // The same row now holding another record (the list was rebuilt) still goes on:
        // the dialog refuses a record that moved before it gets here.
        {"the sequence goes by row", {{0, 0}, {0, 3}}, {u"张三", u""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClipboardFill fill;
        std::vector<std::u16string> copied;
        for (const Step& step : c.steps) {
            const PasswordEntry& entry = records[step.record];
            const ClipboardFill::Field next = fill.Next(step.row, entry);
            copied.push_back(fill.Copy(step.row, entry));
            EXPECT_EQ(next == ClipboardFill::Field::Done, copied.back().empty());
            // Taken back later while it is still there; nothing copied, nothing taken.
            EXPECT_EQ(ClipboardStillHolds(copied.back(), copied.back()), !copied.back().empty());
            EXPECT_FALSE(ClipboardStillHolds(u"copied by another program", copied.back()));
        }
        EXPECT_EQ(copied, c.copied);
    }
}

}  // namespace
}  // namespace kyq
