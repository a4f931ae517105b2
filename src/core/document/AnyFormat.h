// Opening a probed document and saving a document, whatever its format: the one step the
// password prompt and the command-line tool share.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/document/DocumentFormat.h"
#include "core/document/SealedKey.h"

namespace kyq {

// Said when a sealed file does not open with the password given.
inline constexpr char16_t WrongPasswordMessage[] = u"密码错误，或者文件已被改动过，无法打开。";

// Runs `work` to its end before it returns. The window runs it on another thread and keeps
// painting meanwhile; empty means: run it right here.
using BlockingWork = std::function<void(const std::function<void()>& work)>;

// Opens the document whose header ProbeHeader read into `doc` (format 150, 200 or sealed)
// from the bytes the probe read (doc.ProbedBytes, kept only for another try after a wrong
// password):
// the password becomes the document password and the reader of the file's format reads
// the records (not re-ordered, Modified untouched). A sealed file's key is derived through
// `block` and kept in doc.SealKey; WrongPassword when the password does not open it or the
// file was altered. On failure the document keeps its owner record only.
FormatResult OpenProbedDocument(PasswordDocument& doc, std::u16string_view password, const ExpiryContext& expiry,
                                const ReaderYield& yield = {}, const BlockingWork& block = {});
FormatResult OpenProbedBytes(PasswordDocument& doc, std::span<const uint8_t> bytes, std::u16string_view password,
                             const ExpiryContext& expiry, const ReaderYield& yield = {},
                             const BlockingWork& block = {});

// The file the document is saved as: sealed when doc.IsSealed() (under doc.SealKey while it
// still belongs to the document password, else under a key newly derived with `cost` and
// a fresh salt, which then becomes doc.SealKey), else format 200.
FormatResult EncodeAnyFormat(PasswordDocument& doc, std::vector<uint8_t>& out, const KeyCost& cost,
                             const BlockingWork& block = {});
// The same written to `path` as WriteDocument writes (the old file kept on failure);
// `stamp`, when given, receives what the file is now.
FormatResult SaveDocument(PasswordDocument& doc, const std::string& path, const KeyCost& cost,
                          const BlockingWork& block = {}, FileStamp* stamp = nullptr);

}  // namespace kyq
