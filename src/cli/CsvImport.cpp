#include "cli/CsvImport.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "cli/CsvColumns.h"
#include "cli/DateText.h"
#include "cli/TextSource.h"
#include "cli/Utf8Check.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

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

// The separator of the header row: the most frequent of ',' ';' and tab outside quotes
// in its first few KiB (a comma when none is there, or on a tie).
char DetectSeparator(TextSource& source)
{
    constexpr size_t Look = 4096;
    size_t comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (size_t i = 0; i < Look; ++i) {
        const char c = source.Peek(i);
        if (c == '\0')
            break;  // the end of the text
        if (c == '"') {
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == '\n' || c == '\r')
            break;
        comma += c == ',';
        semicolon += c == ';';
        tab += c == '\t';
    }
    if (semicolon > comma && semicolon >= tab)
        return ';';
    return tab > comma && tab > semicolon ? '\t' : ',';
}

// The header's names for a refusal: the first few, and how many more.
std::string Joined(const std::vector<std::string>& names)
{
    constexpr size_t Shown = 20;
    std::string out;
    for (size_t i = 0; i < names.size() && i < Shown; ++i)
        out += (i == 0 ? "" : "、") + ("“" + names[i] + "”");
    if (names.size() > Shown)
        out += "等" + std::to_string(names.size()) + "列";
    return out;
}

// A text that stopped early (no UTF-8, a failed read) is what went wrong, whatever the
// parser made of its end.
Error Failure(const TextSource& source, std::string error)
{
    return Error{source.Failed() ? source.Error() : std::move(error), {}, 0};
}

// Passwords never go missing without a word: a file whose password column is not
// recognised is refused, naming what it has.
std::optional<std::string> HeaderRefusal(const CsvColumns& col, const CsvRow& header)
{
    if (col.Password < 0)
        return LineLabel(header.Line) + "：标题行中没有能识别的密码列。找到的列：" + Joined(header.Fields) +
               "；可识别的密码列名（不区分大小写）：" + CsvColumns::PasswordNames() +
               " (no password column in the header row)";
    if (col.Title < 0 && col.Url < 0)
        return LineLabel(header.Line) + "：标题行中没有能识别的标题列。找到的列：" + Joined(header.Fields) +
               "；可识别的标题列名（不区分大小写）：" + CsvColumns::TitleNames() +
               " (no title column in the header row)";
    return std::nullopt;
}

// The columns read are kept up to a document's longest text (dates and kinds: as long
// as they can be shown in a message); the others are dropped as they are read (0).
std::vector<size_t> ColumnLimits(const CsvColumns& col, size_t columns)
{
    constexpr size_t LongestShort = 64;
    std::vector<size_t> limits(columns, 0);
    for (int c : {col.Title, col.UserName, col.UserNameFallback, col.Password, col.Url})
        if (c >= 0)
            limits[static_cast<size_t>(c)] = MaxImportTextLength;
    for (int c : {col.Year, col.Month, col.Day, col.Modified, col.Type, col.Notes})
        if (c >= 0)
            limits[static_cast<size_t>(c)] = LongestShort;
    return limits;
}

// Why the rows ended, when it was not the end of the text.
std::optional<std::string> RowsStopped(const CsvReader& reader, const CsvColumns& col,
                                       const std::vector<size_t>& limits, size_t number, size_t line)
{
    if (const int c = reader.TooLongColumn(); c >= 0) {
        const std::string what = c == col.Title                                     ? "标题"
                                 : c == col.UserName || c == col.UserNameFallback ? "用户名"
                                 : c == col.Password ? "密码"
                                 : c == col.Url      ? "网址"
                                 : c == col.Type     ? "类型"
                                                     : "日期";
        return RecordLabel(number, line) + "：" + what + "超过" + std::to_string(limits[static_cast<size_t>(c)]) +
               "个字符 (too long)";
    }
    if (reader.TooManyFields())
        return RecordLabel(number, line) + "：字段比标题行多 (more fields than the header)";
    if (!reader.Error().empty())
        return reader.Error();
    return std::nullopt;
}

std::string_view Cell(const CsvRow& row, int index)
{
    if (index < 0 || static_cast<size_t>(index) >= row.Fields.size())
        return {};
    return row.Fields[static_cast<size_t>(index)];
}

// Items that are no logins: by their kind, or notes kept among logins.
bool IsSkippedItem(const CsvRow& row, const CsvColumns& col)
{
    const std::string_view kind = Cell(row, col.Type);
    return IsNonLoginKind(kind) ||
           (kind.empty() && IsNotesOnlyItem(Cell(row, col.Url), Cell(row, col.UserName), Cell(row, col.Password),
                                            Cell(row, col.Notes)));
}

// The record's date from its Year, Month and Day cells or its one date cell; nothing
// when they are empty. A refusal names the record and the text.
Expected<std::optional<ImportDate>> ChangedDate(const CsvRow& row, const CsvColumns& col, const CsvRow& header,
                                                size_t number)
{
    if (col.SplitDate()) {
        const std::string_view y = Cell(row, col.Year), m = Cell(row, col.Month), d = Cell(row, col.Day);
        if (y.empty() && m.empty() && d.empty())
            return std::optional<ImportDate>();
        const auto year = CellNumber(y), month = CellNumber(m), day = CellNumber(d);
        if (!year || !month || !day || *year < INT16_MIN || *year > INT16_MAX || *month < 0 || *month > 255 ||
            *day < 0 || *day > 255)
            return Error{RecordLabel(number, row.Line) + "：Year、Month、Day（“" + std::string(y) + "”、“" +
                             std::string(m) + "”、“" + std::string(d) +
                             "”）不是文档能保存的日期 (bad or out-of-range date)",
                         {}, 0};
        return std::optional<ImportDate>(ImportDate{*year, *month, *day});
    }
    const std::string_view text = Cell(row, col.Modified);
    if (col.Modified < 0 || text.find_first_not_of(" \t") == std::string_view::npos)
        return std::optional<ImportDate>();
    std::optional<ImportDate> date = ParseDateText(text);
    if (!date)
        return Error{RecordLabel(number, row.Line) + "：“" + header.Fields[static_cast<size_t>(col.Modified)] +
                         "”列的“" + std::string(text) +
                         "”不是能识别的日期，请写成2024-01-05或2024-01-05T10:20:30Z这样的形式 "
                         "(not a date: use ISO 8601, e.g. 2024-01-05)",
                     {}, 0};
    return date;
}

// The row's texts; `standInLost` is set when it had a second user name the record does
// not keep.
ImportRecord RecordOf(const CsvRow& row, const CsvColumns& col, bool& standInLost)
{
    ImportRecord record;
    std::string_view title = Cell(row, col.Title);
    if (title.find_first_not_of(' ') == std::string_view::npos)
        title = HostOfUrl(Cell(row, col.Url));
    record.Title = Utf8ToUtf16(title);
    std::string_view user = Cell(row, col.UserName);
    const std::string_view standIn = Cell(row, col.UserNameFallback);
    if (user.empty())
        user = standIn;
    else if (!standIn.empty() && standIn != user)
        standInLost = true;
    record.UserName = Utf8ToUtf16(user);
    record.Password = Utf8ToUtf16(Cell(row, col.Password));
    return record;
}

}  // namespace

Expected<ImportTable> ParseCsvImport(TextSource& source)
{
    ImportTable table;
    CsvReader reader(source);
    reader.SetSeparator(DetectSeparator(source));
    // Column names are short; a long one is cut and matches nothing.
    constexpr size_t LongestName = 64;
    reader.SetLimits({}, LongestName);
    reader.SetMaxColumns(MaxCsvColumns);
    CsvRow header;
    if (!reader.Next(header)) {
        if (!reader.Error().empty() || source.Failed())
            return Failure(source, reader.Error());
        return Failure(source, "CSV文件是空的，缺少标题行 (empty file, no header row)");
    }
    const CsvColumns col = CsvColumns::Recognise(header.Fields);
    if (auto refusal = HeaderRefusal(col, header))
        return Failure(source, std::move(*refusal));
    const std::vector<size_t> limits = ColumnLimits(col, header.Fields.size());
    reader.SetLimits(limits, 0);
    reader.SetCutColumn(col.Notes);  // only whether there is any note matters
    reader.SetMaxColumns(header.Fields.size());

    size_t total = 0;          // characters of every text so far
    bool standInLost = false;
    CsvRow row;
    for (size_t number = 1;; ++number) {
        const size_t line = source.Where().Line;
        if (!reader.Next(row)) {
            if (auto stopped = RowsStopped(reader, col, limits, number, line))
                return Failure(source, std::move(*stopped));
            if (source.Failed())
                return Failure(source, {});
            break;
        }
        if (IsSkippedItem(row, col)) {
            ++table.SkippedRows;
            continue;
        }
        if (table.Records.size() == MaxImportRecords)
            return Failure(source, TooManyRecordsMessage());
        ImportRecord record = RecordOf(row, col, standInLost);
        // A row cut short before its password column: said, not passed over.
        if (static_cast<size_t>(col.Password) >= row.Fields.size())
            NoteWithoutPassword(table, number);
        auto changed = ChangedDate(row, col, header, number);
        if (!changed)
            return Failure(source, std::move(changed.error().Message));
        record.Changed = *changed;
        total += record.Title.size() + record.UserName.size() + record.Password.size();
        if (total > MaxImportTotalLength)
            return Failure(source, TooMuchTextMessage(number));
        table.Records.push_back(std::move(record));
    }
    for (size_t c = 0; c < header.Fields.size(); ++c) {
        if (std::find(col.Unused.begin(), col.Unused.end(), c) != col.Unused.end() ||
            (standInLost && static_cast<int>(c) == col.UserNameFallback))
            table.UnimportedColumns.push_back(header.Fields[c]);
    }
    return table;
}

Expected<ImportTable> ParseCsvImport(std::string_view text)
{
    TextSource source(text);
    return ParseCsvImport(source);
}

}  // namespace kyq::cli
