// Fits a message box's text to the screen: a box grows with its text, so the expiry list of
// a large document or a prompt naming a very long title would push its buttons and title
// bar off the screen. The box shows a shortened text and offers the whole one as details.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kyq {

struct MessageBoxText {
    std::u16string Shown;
    std::u16string Details;  // the whole text when Shown leaves something out, else empty
};

// At most `maxLines` lines of at most `maxLineLength` characters each: longer lines lose
// their middle to "…", further lines give way to a line saying how many there are.
MessageBoxText FitMessageBoxText(std::u16string_view text, size_t maxLines = 16,
                                 size_t maxLineLength = 64);

}  // namespace kyq
