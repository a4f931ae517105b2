// libFuzzer target for what kyq-cli reads from outside: import files (JSON, CSV in any
// separator, UTF-8, UTF-16 or GBK, dates in them), the count after a document's header,
// and a document walked record by record for export. Beyond "no crash", whatever imports
// must survive export and import again unchanged, renamed titles must all differ, and the
// export's walks must refuse or read exactly what the reader does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "cli/CsvImport.h"
#include "cli/DateText.h"
#include "cli/ExportText.h"
#include "cli/ImportBuilder.h"
#include "cli/ImportReader.h"
#include "cli/JsonImport.h"
#include "cli/StoredCount.h"
#include "core/document/DocumentFormat.h"
#include "core/document/SameText.h"
#include "platform/Utf.h"

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

void RequireWalksAgreeWithTheReader(std::span<const uint8_t> bytes)
{
    constexpr char16_t Password[] = u"key1";
    kyq::PasswordDocument doc;
    doc.DocumentPassword() = Password;
    const bool read = static_cast<bool>(kyq::ReadCurrentFormatBytes(doc, bytes, kyq::ExpiryContext{0, 2024, 6, 1}));
    std::vector<std::u16string> titles;
    const bool walkedTitles = static_cast<bool>(kyq::VisitCurrentFormatTitles(
        bytes, Password, [&](std::u16string_view title) { titles.emplace_back(title); }));
    std::vector<kyq::Utf8Entry> records;
    const bool walked = static_cast<bool>(kyq::VisitCurrentFormatRecords(
        bytes, Password, [&](const kyq::Utf8Entry& e) { records.push_back(e); }));
    Require(walkedTitles == read && walked == read);
    if (!read)
        return;
    Require(titles.size() == static_cast<size_t>(doc.EntryCount()) && records.size() == titles.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const kyq::PasswordEntry& e = doc.Entries[i + 1];
        Require(titles[i] == e.Title);
        Require(records[i].Title == kyq::Utf16ToUtf8(e.Title) && records[i].UserName == kyq::Utf16ToUtf8(e.UserName) &&
                records[i].Password == kyq::Utf16ToUtf8(e.Password));
        Require(records[i].ChangedYear == e.ChangedYear && records[i].ChangedMonth == e.ChangedMonth &&
                records[i].ChangedDay == e.ChangedDay);
    }
}

// What an import accepts and a document can hold comes back the same through an export.
template <class Parse, class Export>
void RequireRoundTrip(std::string_view text, Parse parse, Export exportText)
{
    const kyq::Expected<kyq::cli::ImportTable> table = parse(text);
    if (!table || table->Records.size() > static_cast<size_t>(kyq::PasswordDocument::MaxEntries))
        return;
    const kyq::Expected<kyq::cli::ImportTable> again = parse(exportText(AsDocument(*table)));
    Require(static_cast<bool>(again));
    RequireSameTexts(*table, *again);
}

// The program reads an import from an open file, in pieces; a file in memory gives it
// the input the same way.
kyq::Expected<kyq::cli::ImportTable> ReadAsImportFile(std::string_view text)
{
    const int fd = ::memfd_create("import", MFD_CLOEXEC);
    Require(fd >= 0);
    for (size_t done = 0; done < text.size();) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        Require(n > 0);
        done += static_cast<size_t>(n);
    }
    Require(::lseek(fd, 0, SEEK_SET) == 0);
    kyq::Expected<kyq::cli::ImportTable> table = kyq::cli::ReadImportFile(fd);
    ::close(fd);
    return table;
}

// Whatever the layout and encoding, renaming leaves no two records with one title.
void RequireDistinctTitlesAfterRenaming(std::string_view text)
{
    kyq::Expected<kyq::cli::ImportTable> table = ReadAsImportFile(text);
    if (!table)
        return;
    (void)kyq::cli::RenameDuplicateTitles(*table);
    std::unordered_set<std::u16string> titles;
    for (const auto& r : table->Records)
        Require(r.Title.empty() || titles.insert(kyq::LowerText(r.Title)).second);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    (void)kyq::cli::ReadStoredCount(text);
    RequireWalksAgreeWithTheReader(std::span(data, size));
    if (size < 64)
        (void)kyq::cli::ParseDateText(text);

    RequireRoundTrip(text, [](std::string_view t) { return kyq::cli::ParseJsonImport(t); },
                     kyq::cli::ExportJson);
    RequireRoundTrip(text, [](std::string_view t) { return kyq::cli::ParseCsvImport(t); },
                     kyq::cli::ExportCsv);
    RequireDistinctTitlesAfterRenaming(text);
    return 0;
}
