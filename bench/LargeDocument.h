// The benchmark workload: a full document of 32,767 records with realistic texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/document/DocumentFormat.h"

#include "core/document/PasswordDocument.h"

namespace kyq::bench {

inline constexpr int LargeRecordCount = PasswordDocument::MaxEntries;
// Occurs in about 300 records (titles, user names and passwords together), and nowhere else.
inline constexpr char16_t SearchKeyword[] = u"邮箱";
inline constexpr char16_t LargeDocumentPassword[] = u"基准Bench#2024";

// Titles of about 12 characters (unique), user names of about 10, passwords of about 14,
// mixing ASCII and Chinese; dates spread over the last years. The same seed gives the
// same document; records are in title order, as after opening a file.
PasswordDocument MakeLargeDocument(uint32_t seed = 20240229);

// A file "<temp>/<stem>-<pid>.kyq" written by `write`; a failure ends the program (exit 2)
// with its detail, since no figure would mean anything without the file.
std::string WriteTemporaryDocument(const std::string& stem,
                                   const std::function<FormatResult(const std::string& path)>& write);

}  // namespace kyq::bench
