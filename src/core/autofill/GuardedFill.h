// The rules of a fill, the same for every desktop back end: a password goes only into the
// window it was meant for, and all of it or nothing. Nothing is typed into the program's
// own windows, nothing at all when one character cannot be typed, and typing stops for
// good (the Enter included) the moment the target loses the keyboard focus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kyq {

class FillDesktop;

enum class FillStop {
    None,           // everything was typed (or there was nothing to type)
    NoTarget,       // no window was recorded for the fill
    OwnWindow,      // the recorded window is one of the program's own
    Untypeable,     // a character cannot be typed here: nothing was
    NotActivated,   // the target could not be brought back: nothing was typed
    TypingRefused,  // the desktop (its user) did not let the program type: nothing was
    WindowChanged,  // the target lost the focus (or another program took the keyboard)
    WindowClosed,   // the target went away: typing stopped there
    TypingFailed,   // the desktop could not type a piece although the target kept the focus
};

struct FillOutcome {
    FillStop stop = FillStop::None;
    size_t position = 0;  // Untypeable: where in the text the character is
    size_t piecesTyped = 0;
    std::u16string typed;  // after a stop: what went in, in keys and counts ("" for nothing)
    bool cutInside = false;  // the stop came inside a run, part of which may have gone in
};

struct FillWindow;

// The text in the pieces it is typed in: each Tab and each Enter ("\r\n", or a lone "\r"
// or "\n") on its own, the runs between them whole. Never an empty piece.
std::vector<std::u16string_view> FillPieces(std::u16string_view text);

// Types `text` into `target`. afterActivation runs once the target has been brought to the
// front, before the checks while typing (the program lets pending events run there).
FillOutcome TypeIntoTarget(FillDesktop& desktop, const FillWindow& target,
                           std::u16string_view text,
                           const std::function<void()>& afterActivation = {});

// What the user is told when a fill did not type everything, and what it did type (keys
// and counts, never a character); empty for FillStop::None.
std::u16string FillStopMessage(const FillOutcome& outcome);
// Whether the user may be offered to copy the record instead: nothing was typed because
// the desktop cannot type one of its characters.
inline bool FillMayBeCopiedInstead(const FillOutcome& outcome)
{
    return outcome.stop == FillStop::Untypeable;
}
// The same for standard error, without the text's characters.
std::string FillStopDetail(const FillOutcome& outcome);

}  // namespace kyq
