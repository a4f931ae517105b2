// Which window a fill goes to. The target is the window that had the focus at the hot key's
// first press: a press while the fill dialog is up (or waiting to come up) brings it
// forward and keeps the target, and the program's own windows are never a target. A
// fullscreen window is none either: a dialog opened over it may come up behind it without
// the focus, and the keys meant for the dialog would go into that window.
#pragma once

namespace kyq {

enum class HotKeyPressStep {
    RecordAndShow,  // record the foreground window as the target, then the show step
    BringForward,   // the fill dialog is up or pending: forward, the target unchanged
    Ignore,         // one of the program's own windows has the focus: nothing to fill there
    Fullscreen,     // the focused window is fullscreen: no dialog; the user is told
};

// fillPending: the fill dialog is open, or waits for one of the program's dialogs to close.
// foregroundIsOwn: the window in the foreground now is one of the program's own.
// foregroundIsFullscreen: that window fills the screen as the desktop's fullscreen state.
HotKeyPressStep StepForHotKey(bool fillPending, bool foregroundIsOwn,
                              bool foregroundIsFullscreen = false);

// Whether another way of recording the target (the tray icon's pointer-over) may write it.
bool MayRecordFillTarget(bool fillPending, bool foregroundIsOwn);

}  // namespace kyq
