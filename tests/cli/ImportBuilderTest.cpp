#include <gtest/gtest.h>

#include <string>

#include "cli/ImportBuilder.h"
#include "core/document/TitleCollator.h"

namespace kyq::cli {
namespace {

const ImportDate Today{2025, 3, 14};

ImportRecord Rec(std::u16string title, std::u16string user = u"u", std::u16string pass = u"p")
{
    ImportRecord r;
    r.Title = std::move(title);
    r.UserName = std::move(user);
    r.Password = std::move(pass);
    return r;
}

// The refusal text, checking that the target document was left alone.
std::string Refusal(const ImportTable& table, std::u16string owner = u"owner", std::u16string password = u"pw")
{
    PasswordDocument doc;
    doc.OwnerName() = u"untouched";
    Expected<void> check = BuildImportDocument(table, owner, password, Today, doc);
    EXPECT_FALSE(check);
    EXPECT_EQ(doc.OwnerName(), u"untouched");
    EXPECT_EQ(doc.EntryCount(), 0);
    return check ? std::string() : check.error().Message;
}

std::u16string Digits(int n)
{
    const std::string s = std::to_string(n);
    return std::u16string(s.begin(), s.end());
}

bool Has(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

TEST(ImportBuilder, BuildsTheDocumentInTitleOrder)
{
    ImportTable t;
    t.Records = {Rec(u"zeta"), Rec(u"Alpha", u"a", u"1"), Rec(u"中国银行"), Rec(u"beta")};
    t.Records[0].Changed = ImportDate{2020, 1, 2};
    PasswordDocument doc;
    Expected<void> check = BuildImportDocument(t, u"张三", u"密码pw", Today, doc);
    ASSERT_TRUE(check) << check.error().Message;
    EXPECT_EQ(doc.OwnerName(), u"张三");
    EXPECT_EQ(doc.DocumentPassword(), u"密码pw");
    EXPECT_EQ(doc.FormatVersion, 200);
    ASSERT_EQ(doc.EntryCount(), 4);
    for (int i = 1; i <= doc.EntryCount(); ++i)
        EXPECT_EQ(doc.Titles.At(static_cast<size_t>(i - 1)), doc.Entries[static_cast<size_t>(i)].Title);
    for (int i = 1; i < doc.EntryCount(); ++i)
        EXPECT_LT(TitleCollator::Compare(doc.Entries[static_cast<size_t>(i)].Title,
                                         doc.Entries[static_cast<size_t>(i + 1)].Title),
                  0);
    // Each record keeps its own texts through the re-order.
    for (const PasswordEntry& e : doc.Entries) {
        if (e.Title == u"Alpha") {
            EXPECT_EQ(e.UserName + e.Password, u"a1");
        }
    }
    auto dateOf = [&doc](std::u16string_view title) {
        for (const PasswordEntry& e : doc.Entries) {
            if (e.Title == title)
                return ImportDate{e.ChangedYear, e.ChangedMonth, e.ChangedDay};
        }
        return ImportDate{};
    };
    EXPECT_EQ(dateOf(u"zeta"), (ImportDate{2020, 1, 2}));
    EXPECT_EQ(dateOf(u"beta"), Today);
}

TEST(ImportBuilder, EmptyUserNameAndPasswordAreStorable)
{
    ImportTable t;
    t.Records = {Rec(u"only", u"", u"")};
    PasswordDocument doc;
    EXPECT_TRUE(BuildImportDocument(t, u"o", u"p", Today, doc));
    EXPECT_EQ(doc.EntryCount(), 1);
}

TEST(ImportBuilder, RefusesBadOwnerOrPassword)
{
    ImportTable t;
    t.Records = {Rec(u"a")};
    EXPECT_TRUE(Has(Refusal(t, u""), "owner name is empty"));
    EXPECT_TRUE(Has(Refusal(t, u"o\U0001F600"), "format 200 cannot hold"));
    EXPECT_TRUE(Has(Refusal(t, std::u16string(u"ab\x0E", 3)), "format 200 cannot hold"));
    EXPECT_TRUE(Has(Refusal(t, u"o", u""), "password is empty"));
    EXPECT_TRUE(Has(Refusal(t, u"o", u"pw\U0001F511"), "outside code page 936"));
    // A sealed document takes them.
    PasswordDocument doc;
    EXPECT_TRUE(BuildImportDocument(t, u"o\U0001F600", u"pw\U0001F511", Today, doc, true));
    EXPECT_TRUE(doc.IsSealed());
}

TEST(ImportBuilder, RefusalsNameTheRecord)
{
    ImportTable empty;
    empty.Records = {Rec(u"a"), Rec(u"")};
    const std::string noTitle = Refusal(empty);
    EXPECT_TRUE(Has(noTitle, "第2条记录")) << noTitle;
    EXPECT_TRUE(Has(noTitle, "title is empty")) << noTitle;

    ImportTable dup;
    dup.Records = {Rec(u"Mail"), Rec(u"Bank"), Rec(u"mAIL")};
    const std::string duplicate = Refusal(dup);
    EXPECT_TRUE(Has(duplicate, "第3条记录 (record 3)的标题与第1条记录")) << duplicate;

    ImportTable unstorable;
    unstorable.Records = {Rec(u"a"), Rec(u"b"), Rec(u"c", u"用户\U0001F600")};
    const std::string bad = Refusal(unstorable);
    EXPECT_TRUE(Has(bad, "第3条记录")) << bad;
    EXPECT_TRUE(Has(bad, "user name")) << bad;
    // No record text: not the title, not the character.
    for (const std::string& said : {duplicate, bad})
        for (const char* text : {"mAIL", "\U0001F600", "“c”"})
            EXPECT_FALSE(Has(said, text)) << said;

    ImportTable hangul;
    hangul.Records = {Rec(u"한국")};
    EXPECT_TRUE(Has(Refusal(hangul), "code page 936"));

    ImportTable longText;
    longText.Records = {Rec(u"a"), Rec(u"b", u"u", std::u16string(32768, u'x'))};
    EXPECT_TRUE(Has(Refusal(longText), "第2条记录"));
}

TEST(ImportBuilder, TextLengthAndRecordCountLimits)
{
    ImportTable t;
    t.Records = {Rec(std::u16string(32767, u'x'), std::u16string(32767, u'y'), std::u16string(32767, u'z'))};
    PasswordDocument doc;
    EXPECT_TRUE(BuildImportDocument(t, u"o", u"p", Today, doc));

    ImportTable many;
    for (int i = 0; i <= PasswordDocument::MaxEntries; ++i)
        many.Records.push_back(Rec(u"标题" + Digits(i)));
    EXPECT_TRUE(Has(Refusal(many), "32767"));
    many.Records.pop_back();
    PasswordDocument full;
    Expected<void> check = BuildImportDocument(many, u"o", u"p", Today, full);
    EXPECT_TRUE(check) << check.error().Message;
    EXPECT_EQ(full.EntryCount(), PasswordDocument::MaxEntries);
}

}  // namespace
}  // namespace kyq::cli
