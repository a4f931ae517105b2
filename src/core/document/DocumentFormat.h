// Reading and writing .kyq documents: the header probe (every format), the format-200
// reader and writer, the format-150 reader. The sealed format has its own files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/document/Expiry.h"  // ExpiryContext
#include "core/document/PasswordDocument.h"
#include "platform/Expected.h"

namespace kyq {

inline constexpr int32_t CurrentFormatNumber = 200;
inline constexpr int32_t LegacyFormatNumber = 150;

// What a caller shows for any read failure, followed by a line break, "文件名：" and the path.
inline constexpr char16_t DamagedFileMessage[] = u"不支持此文件格式或此文件已损坏。";
inline constexpr char16_t FileNameLabel[] = u"文件名：";
// Shown after a format-150 file was read.
inline constexpr char16_t LegacyFormatNotice[] =
    u"此文件是Keyquill文档的老版本，在下次保存时将被按新格式保存。";

enum class FormatErrorKind {
    CannotOpen,     // missing, no read permission, a folder or device: not the content's fault
    UnknownFormat,  // first value neither 150 nor 200
    BadHeader,      // grille value out of range, owner name without end
    Truncated,      // the bytes end before a count or text they announce
    BadCount,       // a block, record or text count outside its range
    BadValue,       // a date or character value outside its range
    Unstorable,     // writer: something the format cannot hold (names the record)
    CannotWrite,    // writer: the file system refused (old file left as it was)
    WrongPassword,  // sealed: the password does not open it, or the file was altered
    CannotDerive,   // sealed: no memory for the key derivation (Message says so)
};

// Detail: technical, English, for the log and standard error. Message: for the user, set
// when the cause is not the file's content (CannotOpen, CannotWrite: what failed and why,
// "无法打开文件：没有权限", with the errno in Code) and for Unstorable (which record, field
// and character). Empty for a damaged file, whose message the caller knows.
struct FormatError : Error {
    FormatError(FormatErrorKind kind, std::string detail, std::string message = {})
        : Error{std::move(message), std::move(detail), 0}, Kind(kind)
    {
    }
    // The file system's refusal, as the file layer reported it.
    FormatError(FormatErrorKind kind, Error error) : Error(std::move(error)), Kind(kind) {}

    FormatErrorKind Kind;
};

using FormatResult = Expected<void, FormatError>;

// Called between records while a reader runs (about every 15 ms of work) so a GUI keeps
// painting. May be empty.
using ReaderYield = std::function<void()>;

// Reads the format number, the grille and the owner name of the file at `path` into
// doc.FormatVersion, doc.FileGrille and doc.OwnerName() (after KeepOwnerOnly, deciphered),
// and keeps the file's bytes and stamp in doc.ProbedBytes and doc.ProbedStamp for the
// reader. Touches nothing else; on failure touches nothing at all.
FormatResult ProbeHeader(PasswordDocument& doc, const std::string& path);

// Writes the document in format 200 to `path` through ReplaceFileContents: on failure
// the old file is untouched; new files get mode 0600, an existing one keeps its mode,
// owner and group; a symbolic link is followed, not replaced; a file this user may not
// write is refused (CannotWrite). Refuses (Unstorable, naming the record) what format 200
// cannot hold (CheckDocumentStorable).
// `stamp`, when given, becomes the written file's (for the next save's check).
FormatResult WriteDocument(const PasswordDocument& doc, const std::string& path, FileStamp* stamp = nullptr);

// The probe on bytes in memory (tests, fuzzers, the command-line tool); ProbeHeader reads
// the whole file once and calls it.
FormatResult ProbeHeaderBytes(PasswordDocument& doc, std::span<const uint8_t> bytes);
// The records of a format-200 file keyed with doc.DocumentPassword(), or of a format-150
// file keyed with `legacyKey` (DeriveLegacyKey of the password): AppendEntry + AddTitle for each, in file order, and the
// titles of expired passwords collected in doc.ExpiredTitles on the way. Does not reorder
// and does not touch Modified. Each reads the header again and keeps its grille in
// doc.FileGrille. Records and titles present before the call are dropped first. On
// failure the document is left with its owner record only, no titles and no expired
// titles, so nothing half-read can be shown. Any input is read or refused; no input makes
// them allocate more than a small multiple of its size.
FormatResult ReadCurrentFormatBytes(PasswordDocument& doc, std::span<const uint8_t> bytes,
                                    const ExpiryContext& expiry, const ReaderYield& yield = {});
FormatResult ReadLegacyFormatBytes(PasswordDocument& doc, std::span<const uint8_t> bytes, int32_t legacyKey,
                                   const ExpiryContext& expiry, const ReaderYield& yield = {});
// A record as UTF-8 texts, for a reader that passes records on without building a document.
struct Utf8Entry {
    std::string Title, UserName, Password;
    int16_t ChangedYear = 0;
    uint8_t ChangedMonth = 0;
    uint8_t ChangedDay = 0;
};

// Walk the records of a format-200 file in memory, in file order, without building a
// document (for a reader that only passes them on): each record is decoded into one entry,
// whose texts keep their room from record to record, and handed to `visit`. The bytes are
// checked as ReadCurrentFormatBytes checks them, the same way by both: where one walk
// succeeds, so does the other. The header is not kept.
// The titles only, in UTF-16 (the user names and passwords are passed over):
FormatResult VisitCurrentFormatTitles(std::span<const uint8_t> bytes, std::u16string_view password,
                                      const std::function<void(std::u16string_view)>& visit);
// Every record, its texts decoded straight into UTF-8:
FormatResult VisitCurrentFormatRecords(std::span<const uint8_t> bytes, std::u16string_view password,
                                       const std::function<void(const Utf8Entry&)>& visit);
// The complete format-200 file, with a fresh random grille and filler. `out` is left
// empty on failure.
FormatResult EncodeDocument(const PasswordDocument& doc, std::vector<uint8_t>& out);

// Refuses (Unstorable) what a file of `format` cannot hold: the rules every writer applies
// before it writes. Every format: more than 32,767 records, an empty title, a text over
// 32,767 characters; the sealed format (UTF-8) also a lone surrogate; format 200 also a
// character code page 936 lacks (in a record, the owner name or the document password)
// and code 14 in the owner name. The refusal names the record by number and the field,
// never a title or the character: it reaches the log and standard error.
FormatResult CheckDocumentStorable(const PasswordDocument& doc, int32_t format);

// The longest text a record field can hold (its length is a signed 16-bit value).
inline constexpr size_t MaxTextLength = 32767;
// Position of the first character an owner name cannot hold in a file (one code page
// 936 lacks, or the one with code 14, whose stored code is the name's terminator), or
// npos. Texts of records only need CodePage936::FindUnencodable.
size_t FindUnstorableInOwnerName(std::u16string_view name);
// Position of the first character a new document password may not have, or npos: a
// control character (U+0000-U+001F, U+007F-U+009F), which no password box can take, so the
// document could not be opened again; unless `sealed`, also one code page 936 lacks (a
// format-200 file could not be keyed with it). For creating a document and changing its
// password.
size_t FindUnusableInDocumentPassword(std::u16string_view password, bool sealed);

}  // namespace kyq
