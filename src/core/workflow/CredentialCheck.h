// The checks the new-document and change-password dialogs run on OK: which box is refused
// first, with which message, and whether that box is emptied, so the dialogs only show it.
#pragma once

#include <string>
#include <string_view>

#include "core/workflow/MessageService.h"

namespace kyq {

class PasswordDocument;

enum class CredentialField { None, OwnerName, OldPassword, Password, Confirm };

struct CredentialProblem {
    CredentialField Field = CredentialField::None;
    std::u16string Message;
    MsgIcon Icon = MsgIcon::None;
    // The refused box is emptied (a mistyped hidden password is typed again whole).
    bool Empty = false;
    explicit operator bool() const { return Field != CredentialField::None; }
};

// A new document, in this order: an empty owner name, a confirmation that differs (letter
// case aside), an empty password, then an owner name or password the document cannot
// store (a sealed one holds any text but control characters in the password). Field
// OwnerName for the empty name too.
CredentialProblem CheckNewDocument(std::u16string_view owner, std::u16string_view password,
                                   std::u16string_view confirm, bool sealed);

// A changed document password, in this order: an old password that is not the current
// one (letter case aside), an empty new one, a confirmation that differs, then a new one
// the document, sealed or not as chosen, cannot be keyed with.
CredentialProblem CheckPasswordChange(std::u16string_view current, std::u16string_view old,
                                      std::u16string_view fresh, std::u16string_view confirm, bool sealed);

// A password change that passed the check, made: the document takes the new password and
// the format the user chose (sealed, or the older one when sealing was turned off; a
// document of the older formats otherwise keeps its format). The next save derives the
// key for the new password with a fresh salt. Modified is left to the caller; the caller
// wipes its own copy of `fresh`.
void ApplyPasswordChange(PasswordDocument& doc, std::u16string_view fresh, bool sealed);

}  // namespace kyq
