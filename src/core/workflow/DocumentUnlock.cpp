#include "core/workflow/DocumentUnlock.h"

namespace kyq {
namespace {

UnlockResult ResultOf(const PasswordDocument& doc, const FormatResult& read)
{
    UnlockResult result;
    result.LegacyFormat = doc.FormatVersion == LegacyFormatNumber;
    if (!read) {
        result.Outcome = OutcomeOf(read.error());
        result.Failure = read.error();
    }
    return result;
}

}  // namespace

UnlockOutcome OutcomeOf(const FormatError& error)
{
    switch (error.Kind) {
    case FormatErrorKind::WrongPassword:
        return UnlockOutcome::WrongPassword;
    case FormatErrorKind::CannotOpen:
    case FormatErrorKind::CannotDerive:
        return UnlockOutcome::Unreadable;
    default:
        return UnlockOutcome::Damaged;
    }
}

UnlockResult UnlockDocument(PasswordDocument& doc, std::u16string_view password, const ExpiryContext& expiry,
                            const ReaderYield& yield, const BlockingWork& block)
{
    if (password.empty())
        return {UnlockOutcome::EmptyPassword, std::nullopt, false};
    return ResultOf(doc, OpenProbedDocument(doc, password, expiry, yield, block));
}

UnlockResult UnlockBytes(PasswordDocument& doc, std::span<const uint8_t> bytes, std::u16string_view password,
                         const ExpiryContext& expiry, const ReaderYield& yield, const BlockingWork& block)
{
    if (password.empty())
        return {UnlockOutcome::EmptyPassword, std::nullopt, false};
    return ResultOf(doc, OpenProbedBytes(doc, bytes, password, expiry, yield, block));
}

}  // namespace kyq
