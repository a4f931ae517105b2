// The checks on OK of the new-document and change-password dialogs: which box is refused
// first, with which message, and whether it is emptied.
#include <gtest/gtest.h>

#include "core/document/PasswordDocument.h"
#include "core/document/UnstorableMessage.h"
#include "core/workflow/CredentialCheck.h"
#include "support/DocumentTestSupport.h"

namespace kyq {
namespace {

struct Case {
    const char* name;
    std::u16string a, b, c;  // owner, password, confirmation / old, new, confirmation
    CredentialField field;
    std::u16string message;
    MsgIcon icon;
    bool emptied;
};

void Expect(const CredentialProblem& p, const Case& c)
{
    EXPECT_EQ(p.Field, c.field);
    EXPECT_EQ(p.Message, c.message);
    EXPECT_EQ(p.Icon, c.icon);
    EXPECT_EQ(p.Empty, c.emptied);
}

TEST(CredentialCheck, NewDocumentRefusalsInTheirOrder)
{
    const std::u16string emoji = u"ann\U0001F600";
    // Code 14 is storable elsewhere but would end the owner name in the file.
    const std::u16string shifted = std::u16string(u"a") + char16_t(14) + u"b";
    const std::u16string hangul = u"pw한";  // outside code page 936
    const Case cases[] = {
        {"empty name, whatever the passwords", u"", u"a", u"b", CredentialField::OwnerName, u"请输入用户名！",
         MsgIcon::Information, false},
        {"mismatch before the empty password", u"ann", u"", u"x", CredentialField::Confirm,
         u"两次输入的密码不一样，请检查！", MsgIcon::Warning, true},
        {"empty password and confirmation", u"ann", u"", u"", CredentialField::Password, u"请输入密码！",
         MsgIcon::Information, false},
        {"owner name a document cannot store", emoji, u"pw", u"pw", CredentialField::OwnerName,
         UnstorableCharacterMessage(u"用户名", emoji, 3), MsgIcon::Warning, false},
        {"control character in the owner name", shifted, u"pw", u"pw", CredentialField::OwnerName,
         UnstorableCharacterMessage(u"用户名", shifted, 1), MsgIcon::Warning, false},
        {"password a document cannot store", u"ann", hangul, hangul, CredentialField::Password,
         UnstorableCharacterMessage(u"密码", hangul, 2), MsgIcon::Warning, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Expect(CheckNewDocument(c.a, c.b, c.c, false), c);
    }
    // The confirmation may differ in letter case; blanks are a name.
    EXPECT_FALSE(CheckNewDocument(u"Ann Lee", u"SeCret", u"secret", false));
    EXPECT_FALSE(CheckNewDocument(u" ", u"密码1", u"密码1", false));
    // A sealed document holds any name and keys with any typeable password.
    EXPECT_FALSE(CheckNewDocument(emoji, hangul, hangul, true));
    EXPECT_EQ(CheckNewDocument(u"ann", u"a\tb", u"a\tb", true).Field, CredentialField::Password);
}

TEST(CredentialCheck, PasswordChangeRefusalsInTheirOrder)
{
    const std::u16string hangul = u"x한";
    // A control character no password box can take again: the document could never be
    // opened.
    const std::u16string tab = u"a\tb";
    const Case cases[] = {
        {"wrong old password", u"nope", u"", u"x", CredentialField::OldPassword, u"原密码错误！请重输。",
         MsgIcon::Warning, true},
        {"empty new password", u"secret", u"", u"x", CredentialField::Password, u"密码不能为空！",
         MsgIcon::Information, false},
        {"mismatch", u"secret", u"one", u"two", CredentialField::Confirm, u"两次输入的新密码不一样！请重输。",
         MsgIcon::Warning, true},
        {"new password a document cannot store", u"secret", hangul, hangul, CredentialField::Password,
         UnstorableCharacterMessage(u"新密码", hangul, 1), MsgIcon::Warning, false},
        {"control character", u"secret", tab, tab, CredentialField::Password,
         UnstorableCharacterMessage(u"新密码", tab, 1), MsgIcon::Warning, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Expect(CheckPasswordChange(u"Secret", c.a, c.b, c.c, false), c);
    }
    // The old password in other letter case, the confirmation too; no old password at all
    // when the document has none.
    EXPECT_FALSE(CheckPasswordChange(u"Secret", u"SECRET", u"Fresh", u"fresh", false));
    EXPECT_FALSE(CheckPasswordChange(u"", u"", u"n", u"n", false));
    EXPECT_FALSE(CheckPasswordChange(u"Secret", u"secret", hangul, hangul, true));
    EXPECT_EQ(CheckPasswordChange(u"Secret", u"secret", tab, tab, true).Field, CredentialField::Password);
}

// Turning sealing off must give the file back the older format: a sealed number left
// behind would save the new password into a format the user no longer chose.
TEST(CredentialCheck, AChangedPasswordTakesTheChosenFormat)
{
    struct FormatCase {
        int32_t before;
        bool sealed;
        int32_t after;
    } cases[] = {{150, false, 150}, {200, false, 200}, {200, true, 300}, {300, false, 200},
                 {300, true, 300}};
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << (c.sealed ? " sealed" : " plain"));
        PasswordDocument doc = test::MakeDocument(u"ann", u"old", {});
        doc.FormatVersion = c.before;
        ApplyPasswordChange(doc, u"new", c.sealed);
        EXPECT_EQ(doc.FormatVersion, c.after);
        EXPECT_EQ(doc.DocumentPassword(), u"new");
    }
}

}  // namespace
}  // namespace kyq
