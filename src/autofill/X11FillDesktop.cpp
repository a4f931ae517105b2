#include "autofill/X11FillDesktop.h"

namespace kyq {

X11FillDesktop::X11FillDesktop(const char* displayName)
    : display_(displayName), foreground_(display_), sender_(display_)
{
}

uint64_t X11FillDesktop::Foreground()
{
    return display_.IsOpen() ? foreground_.Current() : 0;
}

bool X11FillDesktop::Activate(uint64_t window)
{
    return display_.IsOpen() && window != 0 && foreground_.Activate(window);
}

void X11FillDesktop::Type(const std::u16string& text)
{
    // Characters that cannot be typed are skipped; the rest still arrives in order.
    if (display_.IsOpen())
        sender_.Type(text);
}

}  // namespace kyq
