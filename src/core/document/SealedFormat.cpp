#include "core/document/SealedFormat.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "core/document/ReaderYieldClock.h"
#include "core/document/SealedText.h"
#include "core/document/SecretText.h"
#include "platform/Utf.h"

namespace kyq {
namespace {

constexpr uint8_t KdfArgon2id = 1;
constexpr uint8_t CipherXChaCha20Poly1305 = 1;
constexpr size_t OwnerLengthAt = 56;
constexpr size_t TagBytes = 16;
constexpr size_t CountBytes = 4;
constexpr uint32_t MaxTextUnits = 32767;
static_assert(crypto_aead_xchacha20poly1305_ietf_ABYTES == TagBytes);
static_assert(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES == 24);
static_assert(crypto_aead_xchacha20poly1305_ietf_KEYBYTES == SealedKey::Size);

FormatError Fail(FormatErrorKind kind, std::string detail)
{
    return FormatError(kind, std::move(detail));
}

uint32_t Get32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

uint8_t* Put32(uint8_t* out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        *out++ = static_cast<uint8_t>(value >> shift);
    return out;
}

// Writes one text as its byte length and UTF-8, by table; a surrogate pair becomes its
// four bytes. `invalid` is set for a lone surrogate, which no UTF-8 holds, and the caller
// then refuses the document. No text takes more than 3 bytes per unit.
uint8_t* PutText(uint8_t* out, std::u16string_view text, bool& invalid)
{
    uint8_t* const length = out;
    out += 4;
    const size_t size = text.size();
    for (size_t i = 0; i < size; ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c < 0xE000) [[unlikely]] {
            if (c < 0xDC00 && i + 1 < size && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
                out = PutUtf8(out, text.substr(i, 2));
                ++i;
            } else {
                invalid = true;
            }
            continue;
        }
        const uint32_t word = Utf8OfUnit[c];
        const uint32_t count = word >> 24;
        out[0] = static_cast<uint8_t>(word);
        if (count > 1)
            out[1] = static_cast<uint8_t>(word >> 8);
        if (count > 2)
            out[2] = static_cast<uint8_t>(word >> 16);
        out += count;
    }
    Put32(length, static_cast<uint32_t>(out - length - 4));
    return out;
}

void DiscardPartialRead(PasswordDocument& doc)
{
    doc.Entries.resize(1);
    doc.Titles.Clear();
    doc.ExpiredTitles.clear();
}

// A bounds-checked walk over the plaintext.
class PlainCursor {
public:
    explicit PlainCursor(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    size_t Remaining() const { return bytes_.size() - at_; }
    bool Read32(uint32_t& value)
    {
        if (Remaining() < 4)
            return false;
        value = Get32(bytes_.data() + at_);
        at_ += 4;
        return true;
    }
    bool ReadDate(PasswordEntry& record)
    {
        if (Remaining() < 4)
            return false;
        record.ChangedYear = static_cast<int16_t>(static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8)));
        record.ChangedMonth = bytes_[at_ + 2];
        record.ChangedDay = bytes_[at_ + 3];
        at_ += 4;
        return true;
    }
    // What ReadText does with a text's bytes beyond handing them out: decode them, only
    // check them (a text no one reads as UTF-16 now), or nothing (checked by a walk before).
    enum class Text { Decode, Check, Pass };
    // A length-prefixed UTF-8 text of at most MaxTextUnits UTF-16 units; `raw`, when
    // given, receives its bytes; `text` only with Text::Decode (nothing else leaves a copy
    // of the text outside the plaintext and `raw`).
    bool ReadText(std::u16string& text, std::string* raw = nullptr, Text mode = Text::Decode)
    {
        uint32_t length = 0;
        if (!Read32(length) || length > Remaining())
            return false;
        const auto bytes = bytes_.subspan(at_, length);
        at_ += length;
        if (raw != nullptr)
            raw->assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        switch (mode) {
        case Text::Decode:
            return DecodeUtf8(bytes, text) && text.size() <= MaxTextUnits;
        case Text::Check: {
            if (!IsWellFormedUtf8(bytes))
                return false;
            // Never more UTF-16 units than bytes: only a long text needs counting, and in
            // well-formed UTF-8 each character starts with one byte that is no continuation,
            // one unit, or two for a four-byte lead.
            if (bytes.size() <= MaxTextUnits)
                return true;
            const auto units = std::count_if(bytes.begin(), bytes.end(), [](uint8_t b) { return (b & 0xC0) != 0x80; }) +
                               std::count_if(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0xF0; });
            return units <= static_cast<std::ptrdiff_t>(MaxTextUnits);
        }
        case Text::Pass:
            break;
        }
        return true;
    }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
};

}  // namespace

FormatResult ReadSealedHeader(std::span<const uint8_t> bytes, SealedHeader& header)
{
    header = SealedHeader{};
    if (bytes.size() < OwnerLengthAt + 4)
        return Fail(FormatErrorKind::Truncated, "the file ends inside the sealed header");
    const uint8_t* at = bytes.data();
    if (static_cast<int32_t>(Get32(at)) != SealedFormatNumber)
        return Fail(FormatErrorKind::UnknownFormat, "not a sealed file");
    if (at[4] != KdfArgon2id || at[5] != CipherXChaCha20Poly1305)
        return Fail(FormatErrorKind::BadHeader, "unknown key derivation " + std::to_string(at[4]) + " or cipher " +
                                                    std::to_string(at[5]));
    if (at[6] != 0 || at[7] != 0)
        return Fail(FormatErrorKind::BadHeader, "the reserved bytes are not 0");
    header.Parameters.Cost = KeyCost{Get32(at + 8), Get32(at + 12)};
    if (!IsAcceptedKeyCost(header.Parameters.Cost))
        return Fail(FormatErrorKind::BadHeader, "key derivation cost outside the accepted range: opslimit " +
                                                    std::to_string(header.Parameters.Cost.OpsLimit) + ", memlimit " +
                                                    std::to_string(header.Parameters.Cost.MemLimitKiB) + " KiB");
    std::memcpy(header.Parameters.Salt.data(), at + 16, header.Parameters.Salt.size());
    std::memcpy(header.Nonce.data(), at + 32, header.Nonce.size());

    // Sizes in 64 bits: no length can wrap round.
    const uint64_t ownerBytes = Get32(at + OwnerLengthAt);
    const uint64_t size = bytes.size();
    if (OwnerLengthAt + 4 + ownerBytes + 4 > size)
        return Fail(FormatErrorKind::Truncated, "the file ends inside the owner name or before the ciphertext length");
    const size_t owner = OwnerLengthAt + 4;
    if (!DecodeUtf8(bytes.subspan(owner, static_cast<size_t>(ownerBytes)), header.Owner) ||
        header.Owner.size() > MaxTextUnits)
        return Fail(FormatErrorKind::BadHeader, "the owner name is not UTF-8 of at most 32767 units");
    const uint64_t cipherBytes = Get32(at + owner + ownerBytes);
    header.AuthenticatedBytes = static_cast<size_t>(owner + ownerBytes + 4);
    if (cipherBytes < TagBytes + CountBytes)
        return Fail(FormatErrorKind::BadCount, "ciphertext length " + std::to_string(cipherBytes) + " is below 20");
    if (header.AuthenticatedBytes + cipherBytes != size)
        return Fail(header.AuthenticatedBytes + cipherBytes > size ? FormatErrorKind::Truncated : FormatErrorKind::BadCount,
                    "the header and ciphertext take " + std::to_string(header.AuthenticatedBytes + cipherBytes) +
                        " bytes, the file has " + std::to_string(size));
    header.CiphertextBytes = static_cast<size_t>(cipherBytes);
    return {};
}

FormatResult ParseSealedPlaintext(PasswordDocument& doc, std::span<const uint8_t> plaintext,
                                  const ExpiryContext& expiry, const ReaderYield& yield)
{
    DiscardPartialRead(doc);
    ReaderYieldClock clock(yield);
    PlainCursor cursor(plaintext);
    auto result = [&]() -> FormatResult {
        uint32_t count = 0;
        if (!cursor.Read32(count))
            return Fail(FormatErrorKind::Truncated, "the records end before their count");
        if (count > static_cast<uint32_t>(PasswordDocument::MaxEntries))
            return Fail(FormatErrorKind::BadCount, "record count " + std::to_string(count));
        // Each record takes at least 16 bytes: no count reserves more than the bytes allow.
        doc.Entries.reserve(1 + std::min<size_t>(count, cursor.Remaining() / 16));
        for (uint32_t index = 1; index <= count; ++index) {
            PasswordEntry& record = doc.Entries.emplace_back();
            // Named only on failure: no text is built for the records that read.
            const auto where = [index] { return "record " + std::to_string(index); };
            if (!cursor.ReadText(record.Title) || !cursor.ReadText(record.UserName) ||
                !cursor.ReadText(record.Password))
                return Fail(FormatErrorKind::BadValue, where() + ": a text is cut off, not UTF-8 or too long");
            if (record.Title.empty())
                return Fail(FormatErrorKind::BadValue, where() + " has an empty title");
            if (!cursor.ReadDate(record))
                return Fail(FormatErrorKind::Truncated, where() + ": the records end inside the date");
            CheckExpiry(record, expiry, doc.ExpiredTitles);
            doc.AddTitle(record);
            clock.Step();
        }
        if (cursor.Remaining() != 0)
            return Fail(FormatErrorKind::BadCount, std::to_string(cursor.Remaining()) + " bytes after the last record");
        return {};
    }();
    if (!result)
        DiscardPartialRead(doc);
    return result;
}

FormatResult VisitSealedPlaintext(std::span<const uint8_t> plaintext,
                                  const std::function<void(std::u16string_view title, const Utf8Entry&)>& visit,
                                  bool walkedBefore)
{
    // Only the title is wanted in UTF-16 (the caller orders by it); the other texts are
    // checked as the document reader checks them, without being decoded.
    using Text = PlainCursor::Text;
    const Text title = walkedBefore ? Text::Pass : Text::Decode;
    const Text other = walkedBefore ? Text::Pass : Text::Check;
    PlainCursor cursor(plaintext);
    uint32_t count = 0;
    if (!cursor.Read32(count))
        return Fail(FormatErrorKind::Truncated, "the records end before their count");
    if (count > static_cast<uint32_t>(PasswordDocument::MaxEntries))
        return Fail(FormatErrorKind::BadCount, "record count " + std::to_string(count));
    PasswordEntry decoded;
    Utf8Entry entry;
    // Each password passes through this room on its way out: it keeps none of them.
    struct Wiper {
        std::string& password;
        ~Wiper() { sodium_memzero(password.data(), password.capacity()); }
    } wiper{entry.Password};
    for (uint32_t index = 1; index <= count; ++index) {
        const auto where = [index] { return "record " + std::to_string(index); };
        if (!cursor.ReadText(decoded.Title, &entry.Title, title) ||
            !cursor.ReadText(decoded.UserName, &entry.UserName, other) ||
            !cursor.ReadText(decoded.Password, &entry.Password, other))
            return Fail(FormatErrorKind::BadValue, where() + ": a text is cut off, not UTF-8 or too long");
        if (!walkedBefore && decoded.Title.empty())
            return Fail(FormatErrorKind::BadValue, where() + " has an empty title");
        if (!cursor.ReadDate(decoded))
            return Fail(FormatErrorKind::Truncated, where() + ": the records end inside the date");
        entry.ChangedYear = decoded.ChangedYear;
        entry.ChangedMonth = decoded.ChangedMonth;
        entry.ChangedDay = decoded.ChangedDay;
        visit(decoded.Title, entry);
    }
    if (cursor.Remaining() != 0)
        return Fail(FormatErrorKind::BadCount, std::to_string(cursor.Remaining()) + " bytes after the last record");
    return {};
}

FormatResult WithSealedPlaintext(std::span<const uint8_t> bytes, const SealedKey& key,
                                 const std::function<FormatResult(std::span<const uint8_t> plaintext)>& use)
{
    SealedHeader header;
    if (auto r = ReadSealedHeader(bytes, header); !r)
        return r;
    if (header.Parameters.Cost != key.Parameters().Cost || header.Parameters.Salt != key.Parameters().Salt)
        return Fail(FormatErrorKind::WrongPassword, "the key was derived with other parameters than the file's");
    try {
        SecureBuffer plain(header.CiphertextBytes - TagBytes);
        unsigned long long plainBytes = 0;
        if (crypto_aead_xchacha20poly1305_ietf_decrypt(
                plain.data(), &plainBytes, nullptr, bytes.data() + header.AuthenticatedBytes, header.CiphertextBytes,
                bytes.data(), header.AuthenticatedBytes, header.Nonce.data(), key.Bytes()) != 0)
            return Fail(FormatErrorKind::WrongPassword, "the ciphertext does not authenticate");
        return use(plain.Bytes());
    } catch (const std::bad_alloc&) {
        return FormatError(FormatErrorKind::CannotDerive, "no locked memory for the plaintext",
                           "内存不足，无法解密文档");
    }
}

FormatResult ReadSealedRecords(PasswordDocument& doc, std::span<const uint8_t> bytes, const SealedKey& key,
                               const ExpiryContext& expiry, const ReaderYield& yield)
{
    DiscardPartialRead(doc);
    SealedHeader header;
    if (auto r = ReadSealedHeader(bytes, header); !r)
        return r;
    FormatResult read = WithSealedPlaintext(bytes, key, [&](std::span<const uint8_t> plain) {
        return ParseSealedPlaintext(doc, plain, expiry, yield);
    });
    if (!read) {
        DiscardPartialRead(doc);
        return read;
    }
    doc.OwnerName() = header.Owner;
    return {};
}

FormatResult EncodeSealedDocument(const PasswordDocument& doc, const SealedKey& key, std::vector<uint8_t>& out)
{
    out.clear();
    // Any Unicode text is stored. The cheap checks here and lone surrogates while the texts
    // are written; CheckDocumentStorable names what failed, and only runs then, so a
    // storable document is looked at once.
    if (doc.EntryCount() > PasswordDocument::MaxEntries || doc.OwnerName().size() > MaxTextUnits ||
        std::any_of(doc.OwnerName().begin(), doc.OwnerName().end(), [](char16_t c) { return c >= 0xD800 && c < 0xE000; })) {
        // A pair in the owner name is fine; only the check can tell.
        if (auto r = CheckDocumentStorable(doc, SealedFormatNumber); !r)
            return r;
    }
    size_t units = 0;
    for (int i = 1; i <= doc.EntryCount(); ++i) {
        const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
        if (record.Title.empty() || record.Title.size() > MaxTextLength || record.UserName.size() > MaxTextLength ||
            record.Password.size() > MaxTextLength)
            return CheckDocumentStorable(doc, SealedFormatNumber);
        units += record.Title.size() + record.UserName.size() + record.Password.size();
    }
    // Room enough: three bytes a character, the three lengths and the date a record.
    const size_t room = CountBytes + 16 * static_cast<size_t>(doc.EntryCount()) + 3 * units;
    const size_t ownerBytes = Utf8Size(doc.OwnerName());
    const size_t headerBytes = OwnerLengthAt + 4 + ownerBytes + 4;
    // Only 32,767 records of 32,767 characters of three bytes each could pass this.
    if (room + TagBytes > UINT32_MAX)
        return FormatError(FormatErrorKind::Unstorable, "the records take more than 4 GiB",
                           "文档太大，超过了4GB，无法保存");
    try {
        SecureBuffer plain(room);
        bool invalid = false;
        uint8_t* p = Put32(plain.data(), static_cast<uint32_t>(doc.EntryCount()));
        for (int i = 1; i <= doc.EntryCount(); ++i) {
            const PasswordEntry& record = doc.Entries[static_cast<size_t>(i)];
            p = PutText(p, record.Title, invalid);
            p = PutText(p, record.UserName, invalid);
            p = PutText(p, record.Password, invalid);
            const auto year = static_cast<uint16_t>(record.ChangedYear);
            *p++ = static_cast<uint8_t>(year);
            *p++ = static_cast<uint8_t>(year >> 8);
            *p++ = record.ChangedMonth;
            *p++ = record.ChangedDay;
        }
        if (invalid)
            return CheckDocumentStorable(doc, SealedFormatNumber);
        const auto plainBytes = static_cast<size_t>(p - plain.data());
        const size_t cipherBytes = plainBytes + TagBytes;

        out.resize(headerBytes + cipherBytes);
        uint8_t* h = Put32(out.data(), static_cast<uint32_t>(SealedFormatNumber));
        *h++ = KdfArgon2id;
        *h++ = CipherXChaCha20Poly1305;
        *h++ = 0;
        *h++ = 0;
        const SealedParameters& parameters = key.Parameters();
        h = Put32(h, parameters.Cost.OpsLimit);
        h = Put32(h, parameters.Cost.MemLimitKiB);
        h = std::copy(parameters.Salt.begin(), parameters.Salt.end(), h);
        uint8_t* nonce = h;
        randombytes_buf(nonce, crypto_aead_xchacha20poly1305_ietf_NPUBBYTES);
        h += crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
        h = Put32(h, static_cast<uint32_t>(ownerBytes));
        h = PutUtf8(h, doc.OwnerName());
        h = Put32(h, static_cast<uint32_t>(cipherBytes));
        unsigned long long written = 0;
        crypto_aead_xchacha20poly1305_ietf_encrypt(h, &written, plain.data(), plainBytes, out.data(), headerBytes,
                                                   nullptr, nonce, key.Bytes());
    } catch (const std::bad_alloc&) {
        out.clear();
        return FormatError(FormatErrorKind::CannotWrite, "no locked memory for the plaintext", "内存不足，无法加密文档");
    }
    return {};
}

}  // namespace kyq
