// The benchmark workload: a full document of 32,767 records with realistic texts.
#pragma once

#include <cstdint>
#include <string>

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

}  // namespace kyq::bench
