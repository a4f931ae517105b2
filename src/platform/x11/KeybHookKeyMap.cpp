#include "platform/x11/KeybHookKeyMap.h"

#define XK_MISCELLANY
#define XK_LATIN1
#define XK_XKB_KEYS
#include <X11/keysymdef.h>

namespace kyq {

namespace {

struct KeysymCode {
    unsigned long keysym;
    uint32_t code;
};

constexpr KeysymCode kNamedKeys[] = {
    {XK_BackSpace, 8},     {XK_Tab, 9},          {XK_ISO_Left_Tab, 9},  {XK_Clear, 12},
    {XK_Return, 13},       {XK_Shift_L, 16},     {XK_Shift_R, 16},      {XK_Control_L, 17},
    {XK_Control_R, 17},    {XK_Alt_L, 18},       {XK_Alt_R, 18},        {XK_Meta_L, 18},
    {XK_Meta_R, 18},       {XK_ISO_Level3_Shift, 18}, {XK_Mode_switch, 18}, {XK_Pause, 19},
    {XK_Caps_Lock, 20},    {XK_Escape, 27},      {XK_space, 32},        {XK_Prior, 33},
    {XK_Next, 34},         {XK_End, 35},         {XK_Home, 36},         {XK_Left, 37},
    {XK_Up, 38},           {XK_Right, 39},       {XK_Down, 40},         {XK_Select, 41},
    {XK_Print, 44},        {XK_Execute, 43},     {XK_Insert, 45},       {XK_Delete, 46},
    {XK_Help, 47},         {XK_Super_L, 91},     {XK_Super_R, 92},      {XK_Menu, 93},
    {XK_KP_Multiply, 106}, {XK_KP_Add, 107},     {XK_KP_Separator, 108}, {XK_KP_Subtract, 109},
    {XK_KP_Decimal, 110},  {XK_KP_Divide, 111},  {XK_KP_Enter, 13},     {XK_KP_Space, 32},
    {XK_KP_Tab, 9},        {XK_KP_Home, 36},     {XK_KP_Left, 37},      {XK_KP_Up, 38},
    {XK_KP_Right, 39},     {XK_KP_Down, 40},     {XK_KP_Prior, 33},     {XK_KP_Next, 34},
    {XK_KP_End, 35},       {XK_KP_Begin, 12},    {XK_KP_Insert, 45},    {XK_KP_Delete, 46},
    {XK_Num_Lock, 144},    {XK_Scroll_Lock, 145},
    // Punctuation keys of the US layout, which is what the OEM codes are named after.
    {XK_semicolon, 186},   {XK_equal, 187},      {XK_comma, 188},       {XK_minus, 189},
    {XK_period, 190},      {XK_slash, 191},      {XK_grave, 192},       {XK_bracketleft, 219},
    {XK_backslash, 220},   {XK_bracketright, 221}, {XK_apostrophe, 222}, {XK_less, 226},
};

bool IsKeypadDigitOrDecimal(unsigned long keysym)
{
    return (keysym >= XK_KP_0 && keysym <= XK_KP_9) || keysym == XK_KP_Decimal ||
           keysym == XK_KP_Separator;
}

}  // namespace

uint32_t VirtualKeyFromKeysym(unsigned long keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return static_cast<uint32_t>(keysym - XK_a + 'A');
    if (keysym >= XK_A && keysym <= XK_Z)
        return static_cast<uint32_t>(keysym - XK_A + 'A');
    if (keysym >= XK_0 && keysym <= XK_9)
        return static_cast<uint32_t>(keysym - XK_0 + '0');
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return static_cast<uint32_t>(keysym - XK_F1 + 112);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<uint32_t>(keysym - XK_KP_0 + 96);
    for (const KeysymCode& k : kNamedKeys) {
        if (k.keysym == keysym)
            return k.code;
    }
    return 0;
}

uint32_t VirtualKeyForKey(unsigned long unshifted, unsigned long shifted, bool numLock)
{
    if (numLock && IsKeypadDigitOrDecimal(shifted))
        return VirtualKeyFromKeysym(shifted == XK_KP_Separator ? XK_KP_Decimal : shifted);
    return VirtualKeyFromKeysym(unshifted);
}

uint32_t VirtualKeyForKey(unsigned long unshifted, unsigned long shifted, bool numLock,
                          std::span<const unsigned long> otherGroups)
{
    if (const uint32_t code = VirtualKeyForKey(unshifted, shifted, numLock))
        return code;
    for (const unsigned long keysym : otherGroups) {
        if (const uint32_t code = VirtualKeyFromKeysym(keysym))
            return code;
    }
    return 0;
}

}  // namespace kyq
