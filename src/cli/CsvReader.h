// CSV rows (RFC 4180, as `kyq-cli export --format csv` and other password managers write
// them) read one at a time, so that no input is held whole.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kyq::cli {

class TextSource;

struct CsvRow {
    size_t Line = 0;  // 1-based line where the row starts
    std::vector<std::string> Fields;
};

// Fields may be quoted ("" is a quote inside one; separators, CR and LF inside quotes are
// data); rows end at CRLF, LF or a lone CR. A quote inside an unquoted field is taken as
// data. Blank lines are skipped. A quoted field that never ends, text right after a
// closing quote, or a row with more fields than allowed (counted as they are read, so a
// line of nothing but separators costs no memory) is an error naming the line.
class CsvReader {
public:
    explicit CsvReader(TextSource& source) : src_(source) {}

    // How much of each column is kept, in UTF-16 units. A field of a column with a limit
    // that is longer stops the reading (TooLongColumn() names the column); a column whose
    // limit is 0 is read and dropped. Columns past the list: `others`, the rest of a field
    // past it dropped. Without a call, everything is kept.
    void SetLimits(std::vector<size_t> limits, size_t others);
    // A column whose field is kept cut at its limit, the rest dropped, instead of stopping.
    void SetCutColumn(int column) { cutColumn_ = column; }
    // At most `columns` fields a row; more stop the reading.
    void SetMaxColumns(size_t columns) { maxColumns_ = columns; }
    // ',' unless told otherwise (';' and tab are common too).
    void SetSeparator(char separator) { separator_ = separator; }

    // The next row that is not blank; false at the end of the text or on an error.
    bool Next(CsvRow& row);
    const std::string& Error() const { return error_; }  // UTF-8; empty at the end
    int TooLongColumn() const { return tooLongColumn_; }
    bool TooManyFields() const { return tooManyFields_; }

private:
    bool ReadField(std::string& field, size_t column, bool& quoted);
    bool EndsField(char c) const { return c == separator_ || c == '\r' || c == '\n'; }

    TextSource& src_;
    std::vector<size_t> limits_;
    size_t others_ = static_cast<size_t>(-1);
    std::string error_;
    int tooLongColumn_ = -1;
    int cutColumn_ = -1;
    size_t maxColumns_ = static_cast<size_t>(-1);
    bool tooManyFields_ = false;
    char separator_ = ',';
};

}  // namespace kyq::cli
