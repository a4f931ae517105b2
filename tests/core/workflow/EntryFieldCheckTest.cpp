// The checks on OK of the add, edit and rename dialogs: order, case-blind titles, blanks,
// the record an edit skips, and characters a document cannot store.
#include <gtest/gtest.h>

#include "core/document/UnstorableMessage.h"
#include "core/workflow/EntryFieldCheck.h"
#include "platform/CodePage936.h"
#include "support/TestEntries.h"

namespace kyq {
namespace {

PasswordDocument ThreeRecords()
{
    PasswordDocument doc;
    doc.OwnerName() = u"ann";
    for (const char16_t* title : {u"Alpha", u"邮箱", u"Mail"})
        doc.AppendEntry(test::Record(title, u"u", u"p"));
    return doc;
}

// Characters the tests rely on being outside code page 936.
constexpr char16_t Hangul[] = u"한";
constexpr char16_t Emoji[] = u"\U0001F600";

TEST(EntryFieldCheck, EmptyFieldsAreReportedInOrderTitleFirst)
{
    const PasswordDocument doc = ThreeRecords();
    EntryFieldProblem p = CheckEntryFields(doc, u"", u"", u"", 0);
    EXPECT_EQ(p.Field, EntryField::Title);
    EXPECT_EQ(p.Message, u"请输入密码标题！");
    EXPECT_EQ(p.Icon, MsgIcon::Information);

    p = CheckEntryFields(doc, u"New", u"", u"", 0);
    EXPECT_EQ(p.Field, EntryField::UserName);
    EXPECT_EQ(p.Message, u"请输入用户名称！");

    p = CheckEntryFields(doc, u"New", u"me", u"", 0);
    EXPECT_EQ(p.Field, EntryField::Password);
    EXPECT_EQ(p.Message, u"请输入密码内容！");

    // A taken title is reported only once every field has content.
    p = CheckEntryFields(doc, u"mail", u"", u"", 0);
    EXPECT_EQ(p.Field, EntryField::UserName);
}

TEST(EntryFieldCheck, BlanksAreContentAndNothingIsTrimmed)
{
    const PasswordDocument doc = ThreeRecords();
    EXPECT_FALSE(CheckEntryFields(doc, u" ", u" ", u" ", 0));
    // " Mail" is another title than "Mail".
    EXPECT_FALSE(CheckEntryFields(doc, u" Mail", u"u", u"p", 0));
    EXPECT_FALSE(CheckEntryFields(doc, u"Mail ", u"u", u"p", 0));
}

TEST(EntryFieldCheck, TitleTakenIgnoresLetterCaseAndSkipsTheEditedRecord)
{
    const PasswordDocument doc = ThreeRecords();
    for (const char16_t* title : {u"Mail", u"mail", u"MAIL", u"alpha", u"邮箱"}) {
        const EntryFieldProblem p = CheckEntryFields(doc, title, u"u", u"p", 0);
        EXPECT_EQ(p.Field, EntryField::Title);
        EXPECT_EQ(p.Message, TitleTakenMessage);
        EXPECT_EQ(p.Icon, MsgIcon::Information);
    }
    // Record 3 ("Mail") renamed to another case of itself.
    EXPECT_FALSE(CheckEntryFields(doc, u"MAIL", u"u", u"p", 3));
    // ... but not to the title of record 1.
    EXPECT_EQ(CheckEntryFields(doc, u"ALPHA", u"u", u"p", 3).Field, EntryField::Title);

    EXPECT_EQ(FindTitle(doc, u"mAIL", 0), 3);
    EXPECT_EQ(FindTitle(doc, u"mAIL", 3), 0);
    EXPECT_EQ(FindTitle(doc, u"Mai", 0), 0);
    // The owner record is no stored password: its name is free as a title.
    EXPECT_EQ(FindTitle(doc, u"ann", 0), 0);
}

TEST(EntryFieldCheck, UnstorableCharactersAreRefusedNamingFieldAndCharacter)
{
    ASSERT_FALSE(CodePage936::Encodable(Hangul[0]));
    const PasswordDocument doc = ThreeRecords();

    const std::u16string title = std::u16string(u"Web") + Hangul;
    EntryFieldProblem p = CheckEntryFields(doc, title, u"u", u"p", 0);
    EXPECT_EQ(p.Field, EntryField::Title);
    EXPECT_EQ(p.Icon, MsgIcon::Warning);
    EXPECT_EQ(p.Message, UnstorableCharacterMessage(u"密码标题", title, 3));
    EXPECT_NE(p.Message.find(Hangul), std::u16string::npos);

    const std::u16string user = std::u16string(u"me") + Emoji;
    p = CheckEntryFields(doc, u"Web", user, u"p", 0);
    EXPECT_EQ(p.Field, EntryField::UserName);
    EXPECT_EQ(p.Message, UnstorableCharacterMessage(u"用户名称", user, 2));
    // Both halves of the character are named, not a broken half.
    EXPECT_NE(p.Message.find(Emoji), std::u16string::npos);

    p = CheckEntryFields(doc, u"Web", u"me", std::u16string(u"x") + Hangul, 0);
    EXPECT_EQ(p.Field, EntryField::Password);
    EXPECT_EQ(p.Message.rfind(u"密码内容", 0), 0u);

    // Chinese of the code page and control characters other than in an owner name pass.
    EXPECT_FALSE(CheckEntryFields(doc, u"新邮箱", u"张三", u"密码\x0e", 0));
    // An empty field is still reported before an unstorable one.
    EXPECT_EQ(CheckEntryFields(doc, Hangul, u"", u"p", 0).Field, EntryField::UserName);
    // So is a taken title.
    EXPECT_EQ(CheckEntryFields(doc, u"mail", Hangul, u"p", 0).Message, TitleTakenMessage);
    // A sealed document takes any text.
    PasswordDocument sealed = ThreeRecords();
    sealed.FormatVersion = 300;
    EXPECT_FALSE(CheckEntryFields(sealed, title, user, Emoji, 0));
}

TEST(EntryFieldCheck, OwnerNameEmptyThenUnstorable)
{
    EntryFieldProblem p = CheckOwnerName(u"", false);
    EXPECT_TRUE(p);
    EXPECT_EQ(p.Message, u"请输入用户名！");
    EXPECT_EQ(p.Icon, MsgIcon::Information);

    EXPECT_FALSE(CheckOwnerName(u"  ", false));
    EXPECT_FALSE(CheckOwnerName(u"张三", false));

    const std::u16string shifted = u"ab\x0e";
    p = CheckOwnerName(shifted, false);
    EXPECT_EQ(p.Icon, MsgIcon::Warning);
    EXPECT_EQ(p.Message, UnstorableCharacterMessage(u"用户名", shifted, 2));
    EXPECT_NE(p.Message.find(u"代码为14"), std::u16string::npos);

    p = CheckOwnerName(std::u16string(u"x") + Hangul, false);
    EXPECT_EQ(p.Icon, MsgIcon::Warning);
    // A sealed document's owner name is any text.
    EXPECT_FALSE(CheckOwnerName(std::u16string(u"x") + Hangul + Emoji, true));
}

}  // namespace
}  // namespace kyq
