// The C entry points of libKeybHook.so, the library that reports every key event of the X
// display to one window as client messages (see platform/HookMessage.h).
#pragma once

extern "C" {

// Starts watching the keyboard and delivering `message` to `window` (an X window id).
// Returns 1 on success, 0 without a display or without the RECORD extension. A second call
// first releases the running hook.
int SetKeyboardHook(unsigned long window, unsigned int message);

// Stops the hook; no message is delivered after it returns. Harmless without a hook.
int ReleaseKeyboardHook(void);

// Modifier bits of SetHotKeyGrab.
#define KEYBHOOK_SHIFT 1
#define KEYBHOOK_CTRL 2
#define KEYBHOOK_ALT 4

// Results of SetHotKeyGrab.
#define KEYBHOOK_GRAB_TAKEN 1      // the chord now reaches only the hook
#define KEYBHOOK_GRAB_NONE 0       // nothing grabbed: no hook, no key, or a chord not worth taking
#define KEYBHOOK_GRAB_BUSY (-1)    // another program holds the chord
#define KEYBHOOK_GRAB_NO_KEY (-2)  // no key of the current keyboard map gives the chord's key:
                                   // it is taken once a map has one (the grabs of the last
                                   // map that had one stay meanwhile)

// Takes the chord `virtualKey` + `modifiers` (KEYBHOOK_* bits) from the other programs with a
// passive grab on the root window (with and without Caps Lock and Num Lock), so that the hot
// key does not also type into the focused window; key events still reach the hook. Replaces
// the previous grab; virtualKey 0 only gives it up. A chord without Ctrl or Alt is taken only
// for F1-F12: a plain letter, digit, space or arrow would be lost to every other program.
// ReleaseKeyboardHook gives the grab up too.
int SetHotKeyGrab(unsigned int virtualKey, unsigned int modifiers);

// How the chord set by SetHotKeyGrab stands now, after any keyboard map change since: one
// of the KEYBHOOK_GRAB_* results.
int HotKeyGrabState(void);

typedef int (*SetKeyboardHookFunction)(unsigned long, unsigned int);
typedef int (*ReleaseKeyboardHookFunction)(void);
typedef int (*SetHotKeyGrabFunction)(unsigned int, unsigned int);
typedef int (*HotKeyGrabStateFunction)(void);

}
