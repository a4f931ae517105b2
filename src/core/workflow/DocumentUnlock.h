// The password step of an open, for every format: the window's prompt and the
// command-line tool both hand it the typed password and act on the outcome it names.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/document/AnyFormat.h"

namespace kyq {

enum class UnlockOutcome {
    Opened,         // the records are read (not yet re-ordered)
    EmptyPassword,  // refused before anything was read
    WrongPassword,  // a sealed file the password does not open, or one altered since
    Unreadable,     // the file could not be read or no key derived: not the content's fault
    Damaged,        // the content is no document this program can read
};

inline constexpr char16_t EmptyPasswordMessage[] = u"密码不可能为空！";

struct UnlockResult {
    UnlockOutcome Outcome = UnlockOutcome::Opened;
    // What stood in the way, for every outcome but Opened and EmptyPassword.
    std::optional<FormatError> Failure;
    // The file was in the older format 150 (the caller says it is saved as 200).
    bool LegacyFormat = false;

    bool Opened() const { return Outcome == UnlockOutcome::Opened; }
    // Another password may still open it: the prompt stays for one more try.
    bool MayRetry() const
    {
        return Outcome == UnlockOutcome::EmptyPassword || Outcome == UnlockOutcome::WrongPassword;
    }
};

// The outcome a reader's failure stands for.
UnlockOutcome OutcomeOf(const FormatError& error);

// Opens the document whose header ProbeHeader read into `doc` with `password` (see
// OpenProbedDocument); an empty password is refused before the file is touched.
UnlockResult UnlockDocument(PasswordDocument& doc, std::u16string_view password, const ExpiryContext& expiry,
                            const ReaderYield& yield = {}, const BlockingWork& block = {});
// The same for a file's bytes already in memory.
UnlockResult UnlockBytes(PasswordDocument& doc, std::span<const uint8_t> bytes, std::u16string_view password,
                         const ExpiryContext& expiry, const ReaderYield& yield = {}, const BlockingWork& block = {});

}  // namespace kyq
