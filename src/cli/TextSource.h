// The text of an import file as the parsers walk it: read a window at a time from a file,
// so that no input, however large, is held whole, or taken from memory (tests, fuzzers).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "cli/Utf8Check.h"

namespace kyq::cli {

class TextSource {
public:
    // Text in memory; it must outlive the source.
    explicit TextSource(std::string_view text);
    // An open file, read from where it stands; the caller closes it afterwards.
    explicit TextSource(int fd);
    TextSource(const TextSource&) = delete;
    TextSource& operator=(const TextSource&) = delete;

    // The byte `ahead` bytes past the position, '\0' past the end. Looking ahead is
    // meant for a few bytes (a keyword, an escape), never for a whole text.
    char Peek(size_t ahead = 0)
    {
        if (pos_ + ahead >= end_ && !Fill(ahead + 1))
            return '\0';
        return window_[pos_ - base_ + ahead];
    }
    bool AtEnd() { return pos_ >= end_ && !Fill(1); }
    // True when the next bytes are `word`.
    bool LooksAt(std::string_view word);
    // Moves past `count` bytes (count <= what Peek has shown), keeping line and column.
    void Skip(size_t count = 1);
    // Skips blanks, tabs, CR and LF.
    void SkipBlanks();

    // Line and column (in bytes, from 1) of the position, for messages.
    TextPosition Where() const { return TextPosition{line_, pos_ - lineStart_ + 1}; }

    // The text stops early where it is no UTF-8 or the file cannot be read; the parsers
    // then see its end, and the caller reports this error instead of theirs.
    bool Failed() const { return !error_.empty(); }
    const std::string& Error() const { return error_; }  // UTF-8, Chinese with English gist

private:
    // Makes `count` bytes from the position available when the text has them.
    bool Fill(size_t count);
    // Checks window bytes [checked_, the end of what is read) as UTF-8 and moves end_.
    void CheckNewBytes(bool last);
    void FailAt(size_t offset, std::string what);
    static void CountLine(char c, size_t offset, size_t& line, size_t& lineStart, bool& afterCr);

    static constexpr size_t ChunkBytes = 65536;

    int fd_ = -1;
    bool eof_ = true;
    std::string owned_;      // the window of a file
    std::string_view window_;  // bytes [base_, base_ + window_.size()) of the text
    size_t base_ = 0;
    size_t pos_ = 0;       // absolute offset of the next byte
    size_t end_ = 0;       // absolute offset up to which the bytes are checked UTF-8
    size_t checked_ = 0;   // absolute offset up to which the bytes were looked at
    size_t line_ = 1;
    size_t lineStart_ = 0;  // absolute offset where the current line starts
    bool afterCr_ = false;
    std::string error_;
};

}  // namespace kyq::cli
