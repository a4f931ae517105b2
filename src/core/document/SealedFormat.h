// The sealed document format (number 300): the records encrypted and authenticated under
// a key derived from the document password, the header authenticated with them. Its
// layout is in docs/sealed-format.md.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/document/DocumentFormat.h"
#include "core/document/SealedKey.h"

namespace kyq {

inline constexpr int32_t SealedFormatNumber = 300;

struct SealedHeader {
    SealedParameters Parameters;
    std::array<uint8_t, 24> Nonce{};
    std::u16string Owner;
    size_t AuthenticatedBytes = 0;  // the header: everything before the ciphertext
    size_t CiphertextBytes = 0;
};

// Reads and checks the header of a sealed file; `bytes` is the whole file, whose size the
// header's lengths must add up to. Every value outside its accepted range is refused here,
// before any key is derived.
FormatResult ReadSealedHeader(std::span<const uint8_t> bytes, SealedHeader& header);

// Decrypts the records with `key` and reads them into the document as the other readers
// do (owner name from the header, AppendEntry + AddTitle in file order, ExpiredTitles), and
// keeps the key's parameters; WrongPassword when the bytes do not authenticate. On any
// failure the document keeps its owner record only, and nothing of the file is shown.
FormatResult ReadSealedRecords(PasswordDocument& doc, std::span<const uint8_t> bytes, const SealedKey& key,
                               const ExpiryContext& expiry, const ReaderYield& yield = {});

// The records of a decrypted plaintext into the document: the count, then each record;
// the plaintext must be used up exactly. For the reader above and for fuzzing.
FormatResult ParseSealedPlaintext(PasswordDocument& doc, std::span<const uint8_t> plaintext,
                                  const ExpiryContext& expiry, const ReaderYield& yield = {});

// Decrypts the records of a sealed file with `key` into locked memory, hands the plaintext
// to `use` and wipes it after; WrongPassword when the bytes do not authenticate. For a
// reader that passes the records on without building a document (kyq-cli export).
FormatResult WithSealedPlaintext(std::span<const uint8_t> bytes, const SealedKey& key,
                                 const std::function<FormatResult(std::span<const uint8_t> plaintext)>& use);

// Walks the records of a decrypted plaintext in file order, checked exactly as
// ParseSealedPlaintext checks them (where one succeeds, so does the other): each record's
// title as UTF-16 and its texts as the UTF-8 they are stored in, in one entry whose room is
// kept from record to record. With `walkedBefore` (only for a plaintext this function has
// walked without failure) the texts are not decoded again, and the title is passed empty.
FormatResult VisitSealedPlaintext(std::span<const uint8_t> plaintext,
                                  const std::function<void(std::u16string_view title, const Utf8Entry&)>& visit,
                                  bool walkedBefore = false);

// The complete sealed file under `key`, with a fresh random nonce. Holds any Unicode text;
// refuses what a sealed file cannot hold (CheckDocumentStorable). `out` is left empty on
// failure.
FormatResult EncodeSealedDocument(const PasswordDocument& doc, const SealedKey& key, std::vector<uint8_t>& out);

}  // namespace kyq
