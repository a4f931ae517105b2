// The text `kyq-cli export` prints for a document: JSON or CSV, UTF-8, records in document order.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "core/document/DocumentFormat.h"
#include "core/document/PasswordDocument.h"

namespace kyq::cli {

enum class ExportKind {
    // {"format":…,"owner":"…","entries":[ one record per line ]} and a final line end.
    Json,
    // Header Title,UserName,Password,Year,Month,Day, then one row per record; CRLF line ends.
    Csv,
};

// Hands each record, in the order of the export, to the function it is given.
using RecordSource = std::function<void(const std::function<void(const Utf8Entry&)>& emit)>;
RecordSource RecordsOf(const PasswordDocument& doc);

// Writes the export of the records `records` hands out to `out`, in pieces of about
// 64 KiB as it goes, so that a large document's export is never in memory whole.
void WriteExport(std::ostream& out, ExportKind kind, int32_t formatVersion, std::u16string_view owner,
                 const RecordSource& records);

// The whole export of a document as text.
std::string ExportJson(const PasswordDocument& doc);
std::string ExportCsv(const PasswordDocument& doc);

}  // namespace kyq::cli
