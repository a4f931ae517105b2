// The X11 client message by which the keyboard hook library hands a window message
// (number, wParam, lParam) to the program's main window; shared by sender and receiver.
#pragma once

#include <cstdint>

namespace kyq {

// The message_type atom of the client message (format 32, sent with no event mask straight
// to the window given to SetKeyboardHook).
inline constexpr char HookMessageAtomName[] = "_KYQ_WINDOW_MESSAGE";
inline constexpr int HookMessageFormat = 32;

// Slots of data.l[]. Only the low 32 bits of each slot travel: Xlib receivers see the
// lParam of a release sign-extended, so decode through DecodeHookMessage.
inline constexpr int HookSlotMessage = 0;
inline constexpr int HookSlotWParam = 1;
inline constexpr int HookSlotLParam = 2;

// The message number the program hands to SetKeyboardHook: the kind of every client message
// the library sends (the one number of the wire the library and the program share).
inline constexpr uint32_t KeyboardHookMessage = 1024;

// lParam keystroke flags, as the keyboard messages of the original platform carry them:
// bits 0-15 repeat count (always 1), bits 16-23 scan code, bit 30 "the key was down
// before", bit 31 "the key is being released".
inline constexpr uint32_t HookFlagWasDown = 0x40000000u;
inline constexpr uint32_t HookFlagReleased = 0x80000000u;

struct HookMessage {
    uint32_t message = 0;
    uint32_t wParam = 0;  // Windows virtual-key code
    uint32_t lParam = 0;
    bool operator==(const HookMessage&) const = default;
};

// Takes the data.l[] slots as received (long, xcb's uint32_t, anything integral).
template <typename Slot>
constexpr HookMessage DecodeHookMessage(Slot message, Slot wParam, Slot lParam)
{
    return HookMessage{static_cast<uint32_t>(message), static_cast<uint32_t>(wParam),
                       static_cast<uint32_t>(lParam)};
}

constexpr bool HookKeyReleased(uint32_t lParam)
{
    return (lParam & HookFlagReleased) != 0;
}

}  // namespace kyq
