// The file name a second start hands over: the first item of the text in Command.dat.
#pragma once

#include <string>
#include <string_view>

namespace kyq {

// Leading blanks are skipped. An item that starts with a double quote runs to the next
// double quote (or the end of the text), quotes dropped, blanks kept. Any other item runs
// to the first comma or line break (or the end), surrounding blanks dropped. Works on
// UTF-8 bytes: the characters it looks for never occur inside a multi-byte sequence.
std::string FirstCommandItem(std::string_view text);

}  // namespace kyq
