#include "cli/CsvReader.h"

#include "cli/TextSource.h"

namespace kyq::cli {

namespace {

std::string LineLabel(size_t line)
{
    return "CSV第" + std::to_string(line) + "行 (line " + std::to_string(line) + ")";
}

// UTF-16 units a UTF-8 byte starts: none for a continuation byte, two for the lead byte
// of a character outside the basic plane.
size_t UnitsOfByte(unsigned char b)
{
    if ((b & 0xC0) == 0x80)
        return 0;
    return (b & 0xF8) == 0xF0 ? 2 : 1;
}

}  // namespace

void CsvReader::SetLimits(std::vector<size_t> limits, size_t others)
{
    limits_ = std::move(limits);
    others_ = others;
}

bool CsvReader::ReadField(std::string& field, size_t column, bool& quoted)
{
    field.clear();
    const bool limited = column < limits_.size();
    const size_t limit = limited ? limits_[column] : others_;
    const bool refuse = limited && limit > 0 && static_cast<int>(column) != cutColumn_;
    size_t units = 0;
    auto keep = [&](char c) {
        units += UnitsOfByte(static_cast<unsigned char>(c));
        if (units <= limit) {
            field += c;
            return true;
        }
        if (refuse)
            tooLongColumn_ = static_cast<int>(column);
        return !refuse;
    };

    quoted = src_.Peek() == '"';
    if (!quoted) {
        while (!src_.AtEnd() && !EndsField(src_.Peek())) {
            if (!keep(src_.Peek()))
                return false;
            src_.Skip();
        }
        return true;
    }
    const size_t openLine = src_.Where().Line;
    src_.Skip();
    for (;;) {
        if (src_.AtEnd()) {
            error_ = LineLabel(openLine) + "：引号中的字段没有结束 (unterminated quoted field)";
            return false;
        }
        const char c = src_.Peek();
        if (c == '"') {
            if (src_.Peek(1) != '"') {
                src_.Skip();
                break;
            }
            src_.Skip();  // the first of a doubled quote
        }
        if (!keep(c))
            return false;
        src_.Skip();
    }
    if (!src_.AtEnd() && !EndsField(src_.Peek())) {
        error_ = LineLabel(src_.Where().Line) + "：右引号之后应为逗号或行尾 (text after closing quote)";
        return false;
    }
    return true;
}

bool CsvReader::Next(CsvRow& row)
{
    while (!src_.AtEnd()) {
        row.Line = src_.Where().Line;
        row.Fields.clear();
        bool sawQuote = false;
        for (size_t column = 0;; ++column) {
            if (column == maxColumns_) {
                tooManyFields_ = true;
                error_ = LineLabel(row.Line) + "：一行最多" + std::to_string(maxColumns_) + "个字段 (more than " +
                         std::to_string(maxColumns_) + " fields in a row)";
                return false;
            }
            std::string field;
            bool quoted = false;
            if (!ReadField(field, column, quoted))
                return false;
            sawQuote = sawQuote || quoted;
            row.Fields.push_back(std::move(field));
            if (src_.Peek() == separator_) {
                src_.Skip();
                continue;
            }
            // End of row: CRLF, LF, lone CR or end of text.
            if (src_.Peek() == '\r')
                src_.Skip();
            if (src_.Peek() == '\n')
                src_.Skip();
            break;
        }
        const bool blank = !sawQuote && row.Fields.size() == 1 && row.Fields[0].empty();
        if (!blank)
            return true;
    }
    return false;
}

}  // namespace kyq::cli
