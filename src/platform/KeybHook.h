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

typedef int (*SetKeyboardHookFunction)(unsigned long, unsigned int);
typedef int (*ReleaseKeyboardHookFunction)(void);

}
