// Fuzz target of the hand-over readers: the item taken from a second start's command text
// and the number taken from Handle.dat, on any bytes. Beyond "no crash", it checks what the
// running instance relies on: the name is a piece of the file, an unquoted name carries
// no comma, line break or surrounding blank, and a command line written by a second
// start reads back as itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/workflow/CommandLineItem.h"
#include "platform/HandOverFiles.h"

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string item = kyq::FirstCommandItem(text);
    Require(text.find(item) != std::string_view::npos);
    size_t start = 0;
    while (start < text.size() && IsBlank(text[start]))
        ++start;
    if (start < text.size() && text[start] == '"') {
        Require(item.find('"') == std::string::npos);
    } else {
        Require(item.find_first_of(",\r\n") == std::string::npos);
        Require(item.empty() || (!IsBlank(item.front()) && !IsBlank(item.back())));
    }

    // What a second start sends for a plain command line comes back unchanged.
    if (text.find_first_of(",\r\n\"") == std::string_view::npos && !text.empty() && !IsBlank(text.front()) &&
        !IsBlank(text.back()))
        Require(kyq::FirstCommandItem(std::string(text) + "\r\n") == text);

    const uint64_t handle = kyq::ParseHandleText(text);
    if (handle != 0)
        Require(text.find(std::to_string(handle)) != std::string_view::npos);
    return 0;
}
