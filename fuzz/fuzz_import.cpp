// libFuzzer target for what kyq-cli reads from outside: import files (JSON, CSV, dates in
// them) and the count after a document's header. Beyond "no crash", whatever imports
// must survive export and import again unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/CsvImport.h"
#include "cli/DateText.h"
#include "cli/ExportText.h"
#include "cli/JsonImport.h"
#include "cli/StoredCount.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

kyq::PasswordDocument AsDocument(const kyq::cli::ImportTable& table)
{
    kyq::PasswordDocument doc;
    doc.FormatVersion = 200;
    doc.OwnerName() = table.Owner.value_or(u"");
    for (const auto& r : table.Records) {
        kyq::PasswordEntry e;
        e.Title = r.Title;
        e.UserName = r.UserName;
        e.Password = r.Password;
        if (r.Changed) {
            e.ChangedYear = static_cast<int16_t>(r.Changed->Year);
            e.ChangedMonth = static_cast<uint8_t>(r.Changed->Month);
            e.ChangedDay = static_cast<uint8_t>(r.Changed->Day);
        }
        doc.AppendEntry(std::move(e));
    }
    return doc;
}

void RequireSameTexts(const kyq::cli::ImportTable& a, const kyq::cli::ImportTable& b)
{
    Require(a.Records.size() == b.Records.size());
    for (size_t i = 0; i < a.Records.size(); ++i) {
        Require(a.Records[i].Title == b.Records[i].Title);
        Require(a.Records[i].UserName == b.Records[i].UserName);
        Require(a.Records[i].Password == b.Records[i].Password);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    (void)kyq::cli::ReadStoredCount(text);
    if (size < 64)
        (void)kyq::cli::ParseDateText(text);

    const kyq::cli::ImportParseResult json = kyq::cli::ParseJsonImport(text);
    if (json.Ok && json.Table.Records.size() <= static_cast<size_t>(kyq::PasswordDocument::MaxEntries)) {
        const kyq::PasswordDocument doc = AsDocument(json.Table);
        const kyq::cli::ImportParseResult again = kyq::cli::ParseJsonImport(kyq::cli::ExportJson(doc));
        Require(again.Ok);
        RequireSameTexts(json.Table, again.Table);
    }

    const kyq::cli::ImportParseResult csv = kyq::cli::ParseCsvImport(text);
    if (csv.Ok && csv.Table.Records.size() <= static_cast<size_t>(kyq::PasswordDocument::MaxEntries)) {
        const kyq::PasswordDocument doc = AsDocument(csv.Table);
        const kyq::cli::ImportParseResult again = kyq::cli::ParseCsvImport(kyq::cli::ExportCsv(doc));
        Require(again.Ok);
        RequireSameTexts(csv.Table, again.Table);
    }
    return 0;
}
