// Fuzz target of the sealed header and the open step on any bytes: the probe and the
// header check agree, and no header outside the accepted ranges ever reaches the key
// derivation (which is stubbed out: a crafted cost must be refused before it).
#include <cstdint>
#include <cstdlib>
#include <span>

#include "core/document/AnyFormat.h"
#include "core/document/SealedFormat.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    kyq::SealedHeader header;
    const kyq::FormatResult checked = kyq::ReadSealedHeader(bytes, header);
    if (checked) {
        Require(kyq::IsAcceptedKeyCost(header.Parameters.Cost));
        Require(header.AuthenticatedBytes + header.CiphertextBytes == size);
        Require(header.CiphertextBytes >= 20 && header.Owner.size() <= 32767);
    }

    kyq::PasswordDocument probed;
    const kyq::FormatResult probe = kyq::ProbeHeaderBytes(probed, bytes);
    if (probe && probed.FormatVersion == kyq::SealedFormatNumber)
        Require(checked && probed.OwnerName() == header.Owner);

    // The derivation is asked for exactly when the header holds, and never run here.
    kyq::PasswordDocument doc;
    doc.FormatVersion = kyq::SealedFormatNumber;
    bool asked = false;
    const kyq::BlockingWork stub = [&](const std::function<void()>&) { asked = true; };
    const kyq::FormatResult open = kyq::OpenProbedBytes(doc, bytes, u"pw", kyq::ExpiryContext{0, 2024, 6, 1}, {}, stub);
    Require(!open && asked == static_cast<bool>(checked) && doc.EntryCount() == 0);
    return 0;
}
