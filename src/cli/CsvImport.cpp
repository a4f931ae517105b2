#include "cli/CsvImport.h"

#include <cstdint>
#include <optional>

#include "cli/DateText.h"
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

CsvRows ReadCsvRows(std::string_view text)
{
    CsvRows out;
    size_t i = 0, line = 1;
    const size_t n = text.size();
    while (i < n) {
        CsvRow row;
        row.Line = line;
        bool rowDone = false;
        bool sawQuote = false;
        while (!rowDone) {
            std::string field;
            if (i < n && text[i] == '"') {
                sawQuote = true;
                const size_t openLine = line;
                ++i;
                while (true) {
                    if (i >= n) {
                        out.Error = LineLabel(openLine) + "：引号中的字段没有结束 (unterminated quoted field)";
                        return out;
                    }
                    const char c = text[i];
                    if (c == '"') {
                        if (i + 1 < n && text[i + 1] == '"') {
                            field += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (c == '\n' || (c == '\r' && !(i + 1 < n && text[i + 1] == '\n')))
                        ++line;
                    field += c;
                    ++i;
                }
                if (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
                    out.Error = LineLabel(line) + "：右引号之后应为逗号或行尾 (text after closing quote)";
                    return out;
                }
            } else {
                while (i < n && text[i] != ',' && text[i] != '\r' && text[i] != '\n')
                    field += text[i++];
            }
            row.Fields.push_back(std::move(field));
            if (i < n && text[i] == ',') {
                ++i;
                continue;
            }
            // End of row: CRLF, LF, lone CR or end of text.
            if (i < n && text[i] == '\r')
                ++i;
            if (i < n && text[i] == '\n')
                ++i;
            ++line;
            rowDone = true;
        }
        const bool blank = !sawQuote && row.Fields.size() == 1 && row.Fields[0].empty();
        if (!blank)
            out.Rows.push_back(std::move(row));
    }
    out.Ok = true;
    return out;
}

ImportParseResult ParseCsvImport(std::string_view input)
{
    ImportParseResult result;
    const std::string_view text = WithoutByteOrderMark(input);
    if (const size_t bad = FirstInvalidUtf8(text); bad != std::string_view::npos) {
        result.Error = LineLabel(PositionOf(text, bad).Line) + "：不是有效的UTF-8文本 (invalid UTF-8)";
        return result;
    }
    CsvRows rows = ReadCsvRows(text);
    if (!rows.Ok) {
        result.Error = rows.Error;
        return result;
    }
    if (rows.Rows.empty()) {
        result.Error = "CSV文件是空的，缺少标题行 (empty file, no header row)";
        return result;
    }

    const CsvRow& header = rows.Rows.front();
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
    if (col.Title < 0) {
        result.Error = LineLabel(header.Line) + "：标题行中没有Title列 (no Title column in the header row)";
        return result;
    }
    const bool splitDate = col.Year >= 0 && col.Month >= 0 && col.Day >= 0;

    for (size_t r = 1; r < rows.Rows.size(); ++r) {
        const CsvRow& row = rows.Rows[r];
        const size_t number = r;
        if (row.Fields.size() > header.Fields.size()) {
            result.Error = RecordLabel(number, row.Line) + "：字段比标题行多 (more fields than the header)";
            result.Table = ImportTable{};
            return result;
        }
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
                    *month > 255 || *day < 0 || *day > 255) {
                    result.Error = RecordLabel(number, row.Line) +
                                   "：Year、Month、Day不是文档能保存的日期 (bad or out-of-range date)";
                    result.Table = ImportTable{};
                    return result;
                }
                record.Changed = ImportDate{*year, *month, *day};
            }
        } else if (col.Modified >= 0) {
            record.Changed = ParseDateText(cell(col.Modified));
        }
        result.Table.Records.push_back(std::move(record));
    }
    result.Ok = true;
    return result;
}

}  // namespace kyq::cli
