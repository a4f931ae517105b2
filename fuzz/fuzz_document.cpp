// Fuzz target of the document readers: the header probe, the format-200 reader and the
// format-150 reader, on any bytes. Beyond "no crash", it checks that the probe and the
// readers agree on the header, that a refused read leaves no records behind, and that
// whatever was read saves and reads back the same.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/document/Cipher.h"
#include "core/document/DocumentFormat.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

constexpr char16_t Password[] = u"key1";

void CheckRead(kyq::PasswordDocument& doc, const kyq::FormatResult& result)
{
    if (!result) {
        Require(doc.EntryCount() == 0 && doc.Titles.empty());
        return;
    }
    Require(doc.EntryCount() <= kyq::PasswordDocument::MaxEntries);
    Require(doc.Titles.size() == static_cast<size_t>(doc.EntryCount()));
    doc.ReorderEntries(false);

    std::vector<uint8_t> saved;
    const kyq::FormatResult encoded = kyq::EncodeDocument(doc, saved);
    if (!encoded) {
        // Only what the format cannot hold may be refused: an empty title or a character
        // without a code (garbled by the key, or U+FFFD for a code without a character).
        Require(encoded.error().Kind == kyq::FormatErrorKind::Unstorable);
        return;
    }
    kyq::PasswordDocument again;
    Require(static_cast<bool>(kyq::ProbeHeaderBytes(again, saved)));
    Require(again.OwnerName() == doc.OwnerName());
    again.DocumentPassword() = Password;
    Require(static_cast<bool>(kyq::ReadCurrentFormatBytes(again, saved, kyq::ExpiryContext{0, 2024, 6, 1})));
    Require(again.Entries.size() == doc.Entries.size());
    for (size_t i = 1; i < doc.Entries.size(); ++i)
        Require(again.Entries[i] == doc.Entries[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    // A long reminder period walks many months for every record.
    const kyq::ExpiryContext expiry{32767, 2024, 6, 1};

    kyq::PasswordDocument probed;
    const kyq::FormatResult probe = kyq::ProbeHeaderBytes(probed, bytes);

    kyq::PasswordDocument current;
    current.DocumentPassword() = Password;
    const kyq::FormatResult currentRead = kyq::ReadCurrentFormatBytes(current, bytes, expiry, [] {});
    if (currentRead)
        Require(probe && probed.FormatVersion == kyq::CurrentFormatNumber);
    CheckRead(current, currentRead);

    kyq::PasswordDocument legacy;
    legacy.DocumentPassword() = Password;
    const kyq::FormatResult legacyRead =
        kyq::ReadLegacyFormatBytes(legacy, bytes, kyq::DeriveLegacyKey(Password), expiry, [] {});
    if (legacyRead)
        Require(probe && probed.FormatVersion == kyq::LegacyFormatNumber);
    CheckRead(legacy, legacyRead);

    if (!probe)
        Require(!currentRead && !legacyRead);
    return 0;
}
