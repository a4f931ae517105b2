// The events the program defines for itself, all of which reach the main window's rules
// through one queue (KyqApp::PostEvent): a hand-over from a later start, a fill request
// ("KYQ --fill" or the desktop's shortcut), the end of the session (SIGTERM, logout), a
// key event from the keyboard hook, and what the user did with the tray icon.
#pragma once

#include <variant>

#include "core/autofill/HookKeyEvent.h"
#include "core/workflow/HandOverEvent.h"
#include "core/workflow/TrayActivation.h"

namespace kyq {

// The hot key by other means than the hook: the fill dialog for the window in front.
struct FillRequestEvent {};
// The desktop ends the session or the program: 退出, with the save prompt.
struct EndSessionEvent {};

using AppEvent =
    std::variant<HandOverEvent, FillRequestEvent, EndSessionEvent, HookKeyEvent, TrayActivation>;

}  // namespace kyq
