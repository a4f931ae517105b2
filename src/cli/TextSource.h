// The text of an import file as the parsers walk it: read a window at a time from a file,
// so that no input, however large, is held whole, or taken from memory (tests, fuzzers).
// The parsers see UTF-8 whatever the file holds: UTF-8 (with or without a byte order
// mark), UTF-16 with its mark, or GBK when asked for (what spreadsheet programs write on
// Chinese systems).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "cli/Utf8Check.h"

namespace kyq::cli {

enum class TextEncoding {
    Detected,  // UTF-16 when the text starts with its byte order mark, else UTF-8
    Gbk,
};

class TextSource {
public:
    // Text in memory; it must outlive the source.
    explicit TextSource(std::string_view text, TextEncoding encoding = TextEncoding::Detected);
    // An open file, read from where it stands; the caller closes it afterwards.
    explicit TextSource(int fd, TextEncoding encoding = TextEncoding::Detected);
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
    // The failure is bytes that are no UTF-8 in a text taken as UTF-8, before any
    // character of three or four bytes was read: it may be GBK.
    bool FailedAsUtf8() const { return notUtf8_; }
    // What the bytes were read as, for the summary: "UTF-8", "UTF-16" or "GBK".
    const char* EncodingName() const;

private:
    enum class Decoding { Utf8, Utf16Le, Utf16Be, Gbk };
    // Makes `count` bytes from the position available when the text has them.
    bool Fill(size_t count);
    // Appends the UTF-8 of raw bytes to `out`; bytes of a character cut by the end of a
    // chunk wait in pending_ for the next one (`last`: there is none).
    void Decode(std::string_view raw, bool last, std::string& out);
    void DecodeUtf16(std::string_view raw, bool last, std::string& out);
    void DecodeGbk(std::string_view raw, bool last, std::string& out);
    // Checks window bytes [checked_, the end of what is read) as UTF-8 and moves end_.
    void CheckNewBytes(bool last);
    void FailAt(size_t offset, std::string what);
    static void CountLine(char c, size_t offset, size_t& line, size_t& lineStart, bool& afterCr);

    static constexpr size_t ChunkBytes = 65536;

    Decoding decoding_ = Decoding::Utf8;
    std::string pending_;  // raw bytes of a character not complete yet
    std::string raw_;      // a chunk as read, before decoding
    bool notUtf8_ = false;
    bool sawWideUtf8_ = false;  // characters of three or four bytes read as UTF-8 so far
    bool detect_ = false;      // a file whose first bytes decide between UTF-8 and UTF-16
    std::string decodeError_;  // why decoding stopped, reported once the text before is read

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
