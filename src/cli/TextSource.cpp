#include "cli/TextSource.h"

#include <unistd.h>

#include <cerrno>

#include "platform/SystemErrorText.h"

namespace kyq::cli {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

TextSource::TextSource(std::string_view text) : window_(text)
{
    if (text.starts_with(ByteOrderMark))
        pos_ = lineStart_ = checked_ = end_ = ByteOrderMark.size();
    CheckNewBytes(true);
}

TextSource::TextSource(int fd) : fd_(fd), eof_(false)
{
    if (LooksAt(ByteOrderMark))
        Skip(ByteOrderMark.size());
    lineStart_ = pos_;  // columns count from after the mark, as an editor shows them
}

bool TextSource::LooksAt(std::string_view word)
{
    for (size_t i = 0; i < word.size(); ++i) {
        if (Peek(i) != word[i])
            return false;
    }
    return true;
}

void TextSource::Skip(size_t count)
{
    for (size_t i = 0; i < count; ++i)
        CountLine(window_[pos_ - base_ + i], pos_ + i, line_, lineStart_, afterCr_);
    pos_ += count;
}

void TextSource::CountLine(char c, size_t offset, size_t& line, size_t& lineStart, bool& afterCr)
{
    // A line ends at LF, CRLF or a lone CR, as CSV rows do.
    if (c == '\r' || c == '\n') {
        if (!(c == '\n' && afterCr))
            ++line;
        lineStart = offset + 1;
    }
    afterCr = c == '\r';
}

void TextSource::SkipBlanks()
{
    for (char c = Peek(); c == ' ' || c == '\t' || c == '\r' || c == '\n'; c = Peek())
        Skip();
}

bool TextSource::Fill(size_t count)
{
    while (end_ < pos_ + count && !eof_ && !Failed()) {
        // Only what lies ahead of the position is kept: the window stays a chunk or two.
        owned_.erase(0, pos_ - base_);
        base_ = pos_;
        const size_t had = owned_.size();
        owned_.resize(had + ChunkBytes);
        ssize_t n = 0;
        do {
            n = ::read(fd_, owned_.data() + had, ChunkBytes);
        } while (n < 0 && errno == EINTR);
        owned_.resize(had + static_cast<size_t>(n > 0 ? n : 0));
        window_ = owned_;
        if (n < 0) {
            error_ = "无法读取输入文件：" + SystemErrorReason(errno) + " (cannot read the input: " +
                     SystemErrorDetail(errno) + ")";
            eof_ = true;
        }
        eof_ = eof_ || n == 0;
        CheckNewBytes(eof_);
    }
    return end_ >= pos_ + count;
}

void TextSource::CheckNewBytes(bool last)
{
    if (Failed())
        return;
    const size_t read = base_ + window_.size();
    const std::string_view fresh = window_.substr(checked_ - base_);
    const size_t bad = FirstInvalidUtf8(fresh);
    if (bad == std::string_view::npos) {
        checked_ = end_ = read;
        return;
    }
    const size_t at = checked_ + bad;
    const auto lead = static_cast<unsigned char>(window_[at - base_]);
    if (!last && read - at < 4 && lead >= 0xC2 && lead <= 0xF4) {
        checked_ = end_ = at;  // a character cut by the end of the chunk: look again with more
        return;
    }
    end_ = at;
    FailAt(at, "不是有效的UTF-8文本 (invalid UTF-8)");
}

void TextSource::FailAt(size_t offset, std::string what)
{
    size_t line = line_, lineStart = lineStart_;
    bool afterCr = afterCr_;
    for (size_t i = pos_; i < offset; ++i)
        CountLine(window_[i - base_], i, line, lineStart, afterCr);
    error_ = "输入文件第" + std::to_string(line) + "行第" + std::to_string(offset - lineStart + 1) + "列：" + what;
}

}  // namespace kyq::cli
