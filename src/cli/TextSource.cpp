#include "cli/TextSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/CodePage936.h"
#include "platform/SystemErrorText.h"
#include "platform/Utf.h"

namespace kyq::cli {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view Utf16LeMark = "\xFF\xFE";
constexpr std::string_view Utf16BeMark = "\xFE\xFF";

void AppendUnit(std::string& out, uint32_t cp)
{
    if (cp < 0x10000) {
        const uint32_t packed = Utf8OfUnit[cp];
        for (uint32_t i = 0, n = packed >> 24; i < n; ++i)
            out += static_cast<char>((packed >> (8 * i)) & 0xFF);
        return;
    }
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
}

}  // namespace

TextSource::TextSource(std::string_view text, TextEncoding encoding) : window_(text)
{
    if (encoding == TextEncoding::Gbk) {
        decoding_ = Decoding::Gbk;
    } else if (text.starts_with(Utf16LeMark) || text.starts_with(Utf16BeMark)) {
        decoding_ = text.starts_with(Utf16LeMark) ? Decoding::Utf16Le : Decoding::Utf16Be;
        text.remove_prefix(Utf16LeMark.size());
    } else if (text.starts_with(ByteOrderMark)) {
        pos_ = lineStart_ = checked_ = end_ = ByteOrderMark.size();
    }
    if (decoding_ != Decoding::Utf8) {
        Decode(text, true, owned_);
        window_ = owned_;
    }
    CheckNewBytes(true);
}

TextSource::TextSource(int fd, TextEncoding encoding) : fd_(fd), eof_(false)
{
    if (encoding == TextEncoding::Gbk)
        decoding_ = Decoding::Gbk;
    else
        detect_ = true;
    if (LooksAt(ByteOrderMark))
        Skip(ByteOrderMark.size());
    lineStart_ = pos_;  // columns count from after the mark, as an editor shows them
}

const char* TextSource::EncodingName() const
{
    switch (decoding_) {
    case Decoding::Utf16Le:
    case Decoding::Utf16Be:
        return "UTF-16";
    case Decoding::Gbk:
        return "GBK";
    case Decoding::Utf8:
        break;
    }
    return "UTF-8";
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
        raw_.resize(ChunkBytes);
        ssize_t n = 0;
        do {
            n = ::read(fd_, raw_.data(), ChunkBytes);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            error_ = "无法读取输入文件：" + SystemErrorReason(errno) + " (cannot read the input: " +
                     SystemErrorDetail(errno) + ")";
            eof_ = true;
        }
        eof_ = eof_ || n == 0;
        Decode(std::string_view(raw_.data(), static_cast<size_t>(n > 0 ? n : 0)), eof_, owned_);
        window_ = owned_;
        CheckNewBytes(eof_);
    }
    return end_ >= pos_ + count;
}

void TextSource::Decode(std::string_view raw, bool last, std::string& out)
{
    if (detect_) {
        // The mark of UTF-16 is two bytes; anything else is UTF-8 (its own mark included).
        pending_.append(raw);
        if (pending_.size() < 2 && !last)
            return;
        detect_ = false;
        std::string start = std::move(pending_);
        pending_.clear();
        std::string_view rest = start;
        if (rest.starts_with(Utf16LeMark) || rest.starts_with(Utf16BeMark)) {
            decoding_ = rest.starts_with(Utf16LeMark) ? Decoding::Utf16Le : Decoding::Utf16Be;
            rest.remove_prefix(Utf16LeMark.size());
        }
        Decode(rest, last, out);
        return;
    }
    if (!decodeError_.empty())
        return;
    switch (decoding_) {
    case Decoding::Utf8:
        out.append(raw);
        break;
    case Decoding::Utf16Le:
    case Decoding::Utf16Be:
        DecodeUtf16(raw, last, out);
        break;
    case Decoding::Gbk:
        DecodeGbk(raw, last, out);
        break;
    }
}

void TextSource::DecodeUtf16(std::string_view raw, bool last, std::string& out)
{
    pending_.append(raw);
    const std::string_view bytes = pending_;
    const bool little = decoding_ == Decoding::Utf16Le;
    auto unitAt = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return little ? static_cast<uint32_t>(a | (b << 8)) : static_cast<uint32_t>((a << 8) | b);
    };
    size_t i = 0;
    for (; i + 2 <= bytes.size(); i += 2) {
        uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 4 > bytes.size()) {
                if (last)
                    decodeError_ = "不是有效的UTF-16文本：孤立的代理项 (invalid UTF-16: lone surrogate)";
                break;
            }
            const uint32_t low = unitAt(i + 2);
            if (low < 0xDC00 || low > 0xDFFF) {
                decodeError_ = "不是有效的UTF-16文本：孤立的代理项 (invalid UTF-16: lone surrogate)";
                break;
            }
            unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            decodeError_ = "不是有效的UTF-16文本：孤立的代理项 (invalid UTF-16: lone surrogate)";
            break;
        }
        AppendUnit(out, unit);
    }
    if (decodeError_.empty() && last && i < bytes.size())
        decodeError_ = "不是有效的UTF-16文本：字节数为奇数 (invalid UTF-16: odd number of bytes)";
    pending_.erase(0, i);
}

void TextSource::DecodeGbk(std::string_view raw, bool last, std::string& out)
{
    pending_.append(raw);
    const std::string_view bytes = pending_;
    size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        char16_t ch = CodePage936::Replacement;
        size_t length = 1;
        if (lead >= 0x81 && lead <= 0xFE) {
            if (i + 1 >= bytes.size() && !last)
                break;  // the trail byte comes with the next chunk
            length = 2;
            if (i + 1 < bytes.size())
                ch = CodePage936::FromCode(static_cast<int16_t>((lead << 8) | static_cast<unsigned char>(bytes[i + 1])));
        } else {
            ch = CodePage936::FromCode(static_cast<int16_t>(lead));
        }
        if (ch == CodePage936::Replacement) {
            decodeError_ = "不是有效的GBK文本 (invalid GBK)";
            break;
        }
        AppendUnit(out, ch);
        i += length;
    }
    pending_.erase(0, i);
}

void TextSource::CheckNewBytes(bool last)
{
    if (Failed())
        return;
    const size_t read = base_ + window_.size();
    const std::string_view fresh = window_.substr(checked_ - base_);
    const size_t bad = FirstInvalidUtf8(fresh);
    // Chinese characters in UTF-8 are three bytes from a lead of 0xE0 or above; text that
    // has had them is damaged UTF-8, not GBK, where it goes wrong.
    if (!sawWideUtf8_ && decoding_ == Decoding::Utf8) {
        const std::string_view sound = fresh.substr(0, bad);
        sawWideUtf8_ = std::any_of(sound.begin(), sound.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE0; });
    }
    if (bad == std::string_view::npos) {
        checked_ = end_ = read;
        // What was decoded is sound up to where the decoder stopped.
        if (!decodeError_.empty())
            FailAt(read, decodeError_);
        return;
    }
    const size_t at = checked_ + bad;
    const auto lead = static_cast<unsigned char>(window_[at - base_]);
    if (!last && read - at < 4 && lead >= 0xC2 && lead <= 0xF4) {
        checked_ = end_ = at;  // a character cut by the end of the chunk: look again with more
        return;
    }
    end_ = at;
    notUtf8_ = decoding_ == Decoding::Utf8 && !sawWideUtf8_;
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
