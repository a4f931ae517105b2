// Fuzz target of the sealed format's record parser behind a fixed key, so the fuzzer
// reaches the records without a key derivation: the input is the plaintext, sealed here
// and opened again. Beyond "no crash": a refused plaintext leaves no records, and what was
// read saves and reads back the same.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "core/document/SealedFormat.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

std::shared_ptr<const kyq::SealedKey> FixedKey()
{
    kyq::SealedParameters parameters;
    parameters.Cost = kyq::LowestKeyCost;
    kyq::SecureBuffer key(kyq::SealedKey::Size), password(0);
    for (size_t i = 0; i < key.size(); ++i)
        key.data()[i] = static_cast<uint8_t>(i);
    return std::make_shared<const kyq::SealedKey>(parameters, std::move(key), std::move(password));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::shared_ptr<const kyq::SealedKey> key = FixedKey();
    const kyq::ExpiryContext expiry{32767, 2024, 6, 1};
    kyq::PasswordDocument doc;
    const kyq::FormatResult read = kyq::ParseSealedPlaintext(doc, std::span<const uint8_t>(data, size), expiry, [] {});
    if (!read) {
        Require(doc.EntryCount() == 0 && doc.Titles.empty());
        return 0;
    }
    Require(doc.Titles.size() == static_cast<size_t>(doc.EntryCount()));

    doc.OwnerName() = u"owner";
    std::vector<uint8_t> sealed;
    const kyq::FormatResult encoded = kyq::EncodeSealedDocument(doc, *key, sealed);
    if (!encoded) {
        // Only what no document file can hold: a character outside code page 936.
        Require(encoded.error().Kind == kyq::FormatErrorKind::Unstorable);
        return 0;
    }
    kyq::PasswordDocument again;
    Require(static_cast<bool>(kyq::ReadSealedRecords(again, sealed, *key, expiry)));
    Require(again.OwnerName() == doc.OwnerName() && again.Entries.size() == doc.Entries.size());
    for (size_t i = 1; i < doc.Entries.size(); ++i)
        Require(again.Entries[i] == doc.Entries[i]);
    return 0;
}
