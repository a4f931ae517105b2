#include "core/workflow/MessageBoxText.h"

#include <string>
#include <vector>

namespace kyq {

namespace {

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Keeps the start and the end of a long line, never cutting a character in two.
std::u16string ElideMiddle(std::u16string_view line, size_t maxLength)
{
    size_t head = (maxLength - 1) / 2;
    size_t tail = maxLength - 1 - head;
    if (head > 0 && IsLowSurrogate(line[head]))
        --head;
    size_t tailStart = line.size() - tail;
    if (tailStart < line.size() && IsLowSurrogate(line[tailStart]))
        ++tailStart;
    std::u16string out(line.substr(0, head));
    out += u'…';
    out += line.substr(tailStart);
    return out;
}

std::u16string Number(size_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

MessageBoxText FitMessageBoxText(std::u16string_view text, size_t maxLines, size_t maxLineLength)
{
    if (maxLines < 2)
        maxLines = 2;
    if (maxLineLength < 8)
        maxLineLength = 8;
    std::vector<std::u16string_view> lines;
    size_t start = 0;
    while (true) {
        const size_t end = text.find(u'\n', start);
        std::u16string_view line = text.substr(start, end == std::u16string_view::npos
                                                          ? std::u16string_view::npos
                                                          : end - start);
        if (!line.empty() && line.back() == u'\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::u16string_view::npos)
            break;
        start = end + 1;
    }

    MessageBoxText result;
    bool shortened = false;
    const size_t kept = lines.size() > maxLines ? maxLines - 1 : lines.size();
    for (size_t i = 0; i < kept; ++i) {
        if (i > 0)
            result.Shown += u'\n';
        if (lines[i].size() > maxLineLength) {
            result.Shown += ElideMiddle(lines[i], maxLineLength);
            shortened = true;
        } else {
            result.Shown += lines[i];
        }
    }
    if (kept < lines.size()) {
        result.Shown += u"\n……（还有" + Number(lines.size() - kept) + u"行，请看详细信息）";
        shortened = true;
    }
    if (shortened)
        result.Details = std::u16string(text);
    return result;
}

}  // namespace kyq
