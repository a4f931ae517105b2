#include "cli/CsvImport.h"

#include <cstdint>
#include <optional>

#include "cli/DateText.h"
#include "cli/TextSource.h"
#include "cli/Utf8Check.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

std::string NormalizedName(std::string_view name)
{
    while (!name.empty() && (name.front() == ' ' || name.front() == '\t'))
        name.remove_prefix(1);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t'))
        name.remove_suffix(1);
    std::string out(name);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return out;
}

std::string LineLabel(size_t line)
{
    return "CSV第" + std::to_string(line) + "行 (line " + std::to_string(line) + ")";
}

std::string RecordLabel(size_t number, size_t line)
{
    return "第" + std::to_string(number) + "条记录（CSV第" + std::to_string(line) + "行）(record " +
           std::to_string(number) + ")";
}

// A cell of the Year/Month/Day columns: an optional minus sign and up to six digits.
std::optional<int> CellNumber(std::string_view cell)
{
    while (!cell.empty() && cell.front() == ' ')
        cell.remove_prefix(1);
    while (!cell.empty() && cell.back() == ' ')
        cell.remove_suffix(1);
    bool negative = false;
    if (!cell.empty() && cell.front() == '-') {
        negative = true;
        cell.remove_prefix(1);
    }
    if (cell.empty() || cell.size() > 6)
        return std::nullopt;
    int value = 0;
    for (char c : cell) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

struct Columns {
    int Title = -1, UserName = -1, Password = -1;
    int Year = -1, Month = -1, Day = -1, Modified = -1;
};

}  // namespace

Expected<std::vector<CsvRow>> ReadCsvRows(std::string_view text)
{
    std::vector<CsvRow> rows;
    TextSource source(text);
    CsvReader reader(source);
    CsvRow row;
    while (reader.Next(row))
        rows.push_back(std::move(row));
    if (source.Failed() || !reader.Error().empty())
        return Error{source.Failed() ? source.Error() : reader.Error(), {}, 0};
    return rows;
}

Expected<ImportTable> ParseCsvImport(TextSource& source)
{
    ImportTable table;
    // A text that stopped early (no UTF-8, a failed read) is what went wrong, whatever the
    // parser made of its end.
    auto fail = [&](std::string error) {
        return Error{source.Failed() ? source.Error() : std::move(error), {}, 0};
    };
    CsvReader reader(source);
    // Column names are short; a long one is cut and matches nothing.
    constexpr size_t LongestName = 64;
    reader.SetLimits({}, LongestName);
    CsvRow header;
    if (!reader.Next(header)) {
        if (!reader.Error().empty() || source.Failed())
            return fail(reader.Error());
        return fail("CSV文件是空的，缺少标题行 (empty file, no header row)");
    }

    Columns col;
    for (size_t c = 0; c < header.Fields.size(); ++c) {
        const std::string name = NormalizedName(header.Fields[c]);
        int* target = nullptr;
        if (name == "title" || name == "name")
            target = &col.Title;
        else if (name == "username" || name == "user name" || name == "login")
            target = &col.UserName;
        else if (name == "password")
            target = &col.Password;
        else if (name == "year")
            target = &col.Year;
        else if (name == "month")
            target = &col.Month;
        else if (name == "day")
            target = &col.Day;
        else if (name == "last modified" || name == "modified")
            target = &col.Modified;
        // The first column of a name counts; a repeated one is ignored like any unknown column.
        if (target && *target < 0)
            *target = static_cast<int>(c);
    }
    if (col.Title < 0)
        return fail(LineLabel(header.Line) + "：标题行中没有Title列 (no Title column in the header row)");
    const bool splitDate = col.Year >= 0 && col.Month >= 0 && col.Day >= 0;

    // The columns read are kept up to a document's longest text (dates: as long as a
    // date can be shown in a message); the others are dropped as they are read.
    constexpr size_t LongestDate = 64;
    std::vector<size_t> limits(header.Fields.size(), 0);
    for (int c : {col.Title, col.UserName, col.Password})
        if (c >= 0)
            limits[static_cast<size_t>(c)] = MaxImportTextLength;
    for (int c : {col.Year, col.Month, col.Day, col.Modified})
        if (c >= 0)
            limits[static_cast<size_t>(c)] = LongestDate;
    reader.SetLimits(limits, 0);

    size_t total = 0;  // characters of every text so far
    CsvRow row;
    for (size_t number = 1;; ++number) {
        const size_t line = source.Where().Line;
        if (!reader.Next(row)) {
            if (const int c = reader.TooLongColumn(); c >= 0) {
                const std::string what = c == col.Title      ? "标题"
                                         : c == col.UserName ? "用户名"
                                         : c == col.Password ? "密码"
                                                             : "日期";
                return fail(RecordLabel(number, line) + "：" + what + "超过" +
                            std::to_string(limits[static_cast<size_t>(c)]) + "个字符 (too long)");
            }
            if (!reader.Error().empty() || source.Failed())
                return fail(reader.Error());
            break;
        }
        if (number > MaxImportRecords)
            return fail(TooManyRecordsMessage());
        if (row.Fields.size() > header.Fields.size())
            return fail(RecordLabel(number, row.Line) + "：字段比标题行多 (more fields than the header)");
        auto cell = [&row](int index) -> std::string_view {
            if (index < 0 || static_cast<size_t>(index) >= row.Fields.size())
                return {};
            return row.Fields[static_cast<size_t>(index)];
        };
        ImportRecord record;
        record.Title = Utf8ToUtf16(cell(col.Title));
        record.UserName = Utf8ToUtf16(cell(col.UserName));
        record.Password = Utf8ToUtf16(cell(col.Password));
        if (splitDate) {
            const std::string_view y = cell(col.Year), m = cell(col.Month), d = cell(col.Day);
            if (!(y.empty() && m.empty() && d.empty())) {
                const auto year = CellNumber(y), month = CellNumber(m), day = CellNumber(d);
                if (!year || !month || !day || *year < INT16_MIN || *year > INT16_MAX || *month < 0 ||
                    *month > 255 || *day < 0 || *day > 255)
                    return fail(RecordLabel(number, row.Line) + "：Year、Month、Day（“" + std::string(y) + "”、“" +
                                std::string(m) + "”、“" + std::string(d) +
                                "”）不是文档能保存的日期 (bad or out-of-range date)");
                record.Changed = ImportDate{*year, *month, *day};
            }
        } else if (col.Modified >= 0) {
            const std::string_view text = cell(col.Modified);
            if (text.find_first_not_of(" \t") != std::string_view::npos) {
                record.Changed = ParseDateText(text);
                if (!record.Changed)
                    return fail(RecordLabel(number, row.Line) + "：“" + header.Fields[static_cast<size_t>(col.Modified)] +
                                "”列的“" + std::string(text) +
                                "”不是能识别的日期，请写成2024-01-05或2024-01-05T10:20:30Z这样的形式 "
                                "(not a date: use ISO 8601, e.g. 2024-01-05)");
            }
        }
        total += record.Title.size() + record.UserName.size() + record.Password.size();
        if (total > MaxImportTotalLength)
            return fail(TooMuchTextMessage(number));
        table.Records.push_back(std::move(record));
    }
    return table;
}

Expected<ImportTable> ParseCsvImport(std::string_view text)
{
    TextSource source(text);
    return ParseCsvImport(source);
}

}  // namespace kyq::cli
