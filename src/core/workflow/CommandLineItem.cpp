#include "core/workflow/CommandLineItem.h"

namespace kyq {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string FirstCommandItem(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    if (pos < text.size() && text[pos] == '"') {
        size_t close = text.find('"', pos + 1);
        size_t end = close == std::string_view::npos ? text.size() : close;
        return std::string(text.substr(pos + 1, end - pos - 1));
    }
    size_t end = text.find_first_of(",\r\n", pos);
    if (end == std::string_view::npos)
        end = text.size();
    while (end > pos && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(pos, end - pos));
}

}  // namespace kyq
