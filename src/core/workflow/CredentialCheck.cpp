#include "core/workflow/CredentialCheck.h"

#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"
#include "core/document/SealedFormat.h"
#include "core/document/SameText.h"
#include "core/document/UnstorableMessage.h"
#include "core/workflow/EntryFieldCheck.h"

namespace kyq {
namespace {

CredentialProblem Problem(CredentialField field, std::u16string message, MsgIcon icon, bool empty = false)
{
    return {field, std::move(message), icon, empty};
}

// The password keys every text of the file: one the code page lacks, or a control
// character no password box takes again, could never open the saved document.
CredentialProblem CheckUsablePassword(std::u16string_view label, std::u16string_view password, bool sealed)
{
    const size_t bad = FindUnusableInDocumentPassword(password, sealed);
    if (bad == std::u16string_view::npos)
        return {};
    return Problem(CredentialField::Password, UnstorableCharacterMessage(label, password, bad), MsgIcon::Warning);
}

}  // namespace

CredentialProblem CheckNewDocument(std::u16string_view owner, std::u16string_view password,
                                   std::u16string_view confirm, bool sealed)
{
    if (owner.empty())
        return Problem(CredentialField::OwnerName, u"请输入用户名！", MsgIcon::Information);
    if (!SameText(password, confirm))
        return Problem(CredentialField::Confirm, u"两次输入的密码不一样，请检查！", MsgIcon::Warning, true);
    if (password.empty())
        return Problem(CredentialField::Password, u"请输入密码！", MsgIcon::Information);
    // A name the file cannot carry would be changed silently on the next save.
    if (const EntryFieldProblem name = CheckOwnerName(owner, sealed))
        return Problem(CredentialField::OwnerName, name.Message, name.Icon);
    return CheckUsablePassword(u"密码", password, sealed);
}

CredentialProblem CheckPasswordChange(std::u16string_view current, std::u16string_view old,
                                      std::u16string_view fresh, std::u16string_view confirm, bool sealed)
{
    if (!SameText(old, current))
        return Problem(CredentialField::OldPassword, u"原密码错误！请重输。", MsgIcon::Warning, true);
    if (fresh.empty())
        return Problem(CredentialField::Password, u"密码不能为空！", MsgIcon::Information);
    if (!SameText(fresh, confirm))
        return Problem(CredentialField::Confirm, u"两次输入的新密码不一样！请重输。", MsgIcon::Warning, true);
    return CheckUsablePassword(u"新密码", fresh, sealed);
}

void ApplyPasswordChange(PasswordDocument& doc, std::u16string_view fresh, bool sealed)
{
    doc.DocumentPassword() = fresh;
    if (sealed)
        doc.FormatVersion = SealedFormatNumber;
    else if (doc.IsSealed())
        doc.FormatVersion = CurrentFormatNumber;
}

}  // namespace kyq
