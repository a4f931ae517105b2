// The document password for kyq-cli: typed on the terminal without echo, or the first line
// of standard input when that is a pipe or a file.
#pragma once

#include <string>

#include "platform/Expected.h"

namespace kyq::cli {

// On a terminal: prompts on standard error in Chinese, echo off (restored on every path,
// also on Ctrl+C), and with `confirm` (a new document's password) asks a second time and
// requires the same text. Otherwise: the next line of standard input without its line end
// (LF or CRLF), so a second call takes the second line. The text must be UTF-8. An empty
// password is returned as such; the caller decides.
Expected<std::u16string> ReadDocumentPassword(bool confirm);

}  // namespace kyq::cli
