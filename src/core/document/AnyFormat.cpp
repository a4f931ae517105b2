#include "core/document/AnyFormat.h"

#include <memory>
#include <optional>

#include "core/document/Cipher.h"
#include "core/document/SealedFormat.h"
#include "platform/WholeFile.h"

namespace kyq {
namespace {

Expected<std::shared_ptr<const SealedKey>> DeriveThrough(const BlockingWork& block, std::u16string_view password,
                                                         const SealedParameters& parameters)
{
    std::optional<Expected<std::shared_ptr<const SealedKey>>> key;
    const auto work = [&] { key.emplace(SealedKey::Derive(password, parameters)); };
    if (block)
        block(work);
    else
        work();
    if (!key)
        return Error{"无法计算文档密钥", "the key derivation did not run", 0};
    return std::move(*key);
}

FormatError CannotDerive(const Error& error)
{
    return FormatError(FormatErrorKind::CannotDerive, error.Detail, error.Message);
}

}  // namespace

FormatResult OpenProbedBytes(PasswordDocument& doc, std::span<const uint8_t> bytes, std::u16string_view password,
                             const ExpiryContext& expiry, const ReaderYield& yield, const BlockingWork& block)
{
    doc.DocumentPassword() = password;
    if (doc.FormatVersion == LegacyFormatNumber) {
        // An overflowing key falls back to 0, a fresh program's key, so the same password
        // opens the same file the same way however many files were opened before.
        doc.SealKey.reset();
        return ReadLegacyFormatBytes(doc, bytes, DeriveLegacyKey(doc.DocumentPassword()), expiry, yield);
    }
    if (doc.FormatVersion != SealedFormatNumber) {
        doc.SealKey.reset();
        return ReadCurrentFormatBytes(doc, bytes, expiry, yield);
    }
    // Every header value is checked before the key is derived: a crafted file cannot make
    // the derivation run for long or take much memory.
    SealedHeader header;
    if (auto r = ReadSealedHeader(bytes, header); !r) {
        doc.Entries.resize(1);
        doc.Titles.Clear();
        return r;
    }
    auto key = DeriveThrough(block, password, header.Parameters);
    if (!key) {
        doc.Entries.resize(1);
        doc.Titles.Clear();
        return CannotDerive(key.error());
    }
    if (auto r = ReadSealedRecords(doc, bytes, **key, expiry, yield); !r)
        return r;
    doc.SealKey = std::move(*key);
    return {};
}

FormatResult OpenProbedDocument(PasswordDocument& doc, std::u16string_view password, const ExpiryContext& expiry,
                                const ReaderYield& yield, const BlockingWork& block)
{
    // The probe's bytes, not a second read: what is parsed is what the probe saw.
    if (doc.ProbedBytes.empty()) {
        doc.Entries.resize(1);
        doc.Titles.Clear();
        return FormatError(FormatErrorKind::BadHeader, "no probed file to read (ProbeHeader did not run)");
    }
    FormatResult result = OpenProbedBytes(doc, doc.ProbedBytes, password, expiry, yield, block);
    // A save over the file checks first that it is still what was read here.
    if (result)
        doc.OnDisk = std::move(doc.ProbedStamp);
    // A wrong password may be typed again over the same bytes; any other end uses them up.
    if (result || result.error().Kind != FormatErrorKind::WrongPassword) {
        doc.ProbedBytes = {};
        doc.ProbedStamp = FileStamp{};
    }
    return result;
}

FormatResult EncodeAnyFormat(PasswordDocument& doc, std::vector<uint8_t>& out, const KeyCost& cost,
                             const BlockingWork& block)
{
    if (!doc.IsSealed())
        return EncodeDocument(doc, out);
    out.clear();
    // What cannot be stored is said before the user waits for a key.
    if (auto r = CheckDocumentStorable(doc, SealedFormatNumber); !r)
        return r;
    if (!doc.SealKey || !doc.SealKey->DerivedFrom(doc.DocumentPassword())) {
        auto key = DeriveThrough(block, doc.DocumentPassword(), SealedKey::FreshParameters(cost));
        if (!key)
            return CannotDerive(key.error());
        doc.SealKey = std::move(*key);
    }
    return EncodeSealedDocument(doc, *doc.SealKey, out);
}

FormatResult SaveDocument(PasswordDocument& doc, const std::string& path, const KeyCost& cost,
                          const BlockingWork& block, FileStamp* stamp)
{
    std::vector<uint8_t> bytes;
    if (auto r = EncodeAnyFormat(doc, bytes, cost, block); !r)
        return r;
    if (auto written = ReplaceFileContents(path, bytes, stamp); !written)
        return FormatError(FormatErrorKind::CannotWrite, written.error());
    return {};
}

}  // namespace kyq
