#include "platform/x11/KeystrokeSenderKeymap.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <memory>

namespace kyq {

namespace {

bool IsLockKeysym(KeySym keysym)
{
    return keysym == XK_Caps_Lock || keysym == XK_Shift_Lock || keysym == XK_Num_Lock ||
           keysym == XK_Scroll_Lock || keysym == XK_ISO_Lock || keysym == XK_ISO_Level3_Lock ||
           keysym == XK_ISO_Level5_Lock;
}

bool IsShiftControlAltKeysym(KeySym keysym)
{
    return keysym == XK_Shift_L || keysym == XK_Shift_R || keysym == XK_Control_L ||
           keysym == XK_Control_R || keysym == XK_Alt_L || keysym == XK_Alt_R ||
           keysym == XK_Meta_L || keysym == XK_Meta_R;
}

struct XkbDeleter {
    void operator()(XkbDescPtr xkb) const { XkbFreeKeyboard(xkb, 0, True); }
};

int EffectiveGroup(XkbDescPtr xkb, unsigned keycode, int group)
{
    const int groups = XkbKeyNumGroups(xkb, keycode);
    if (group < groups)
        return group;
    const unsigned char info = XkbKeyGroupInfo(xkb, keycode);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbRedirectIntoRange: {
        const int target = XkbOutOfRangeGroupNumber(info);
        return target < groups ? target : 0;
    }
    case XkbClampIntoRange:
        return groups - 1;
    default:
        return group % groups;
    }
}

int LevelFor(XkbKeyTypePtr type, unsigned effectiveMods)
{
    const unsigned masked = effectiveMods & type->mods.mask;
    for (int i = 0; i < type->map_count; ++i) {
        const XkbKTMapEntryRec& entry = type->map[i];
        if (entry.active && entry.mods.mask == masked)
            return entry.level;
    }
    return 0;
}

// One key per modifier bit that can be held without toggling anything.
struct PressableModifiers {
    unsigned keyFor[8] = {};
    unsigned mask = 0;
};

PressableModifiers ReadPressableModifiers(Display* display)
{
    PressableModifiers result;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr)
        return result;
    for (int mod = 0; mod < 8; ++mod) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            const KeyCode keycode = map->modifiermap[mod * map->max_keypermod + k];
            if (keycode == 0)
                continue;
            const KeySym keysym = XkbKeycodeToKeysym(display, keycode, 0, 0);
            if (keysym == NoSymbol || IsLockKeysym(keysym))
                continue;
            result.keyFor[mod] = keycode;
            result.mask |= 1u << mod;
            break;
        }
    }
    XFreeModifiermap(map);
    return result;
}

}  // namespace

bool KeystrokeSenderKeymap::Load(Display* display)
{
    strokes_.clear();
    spare_.clear();
    std::unique_ptr<XkbDescRec, XkbDeleter> xkb(
        XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd));
    if (!xkb || xkb->map == nullptr)
        return false;
    XkbStateRec state{};
    XkbGetState(display, XkbUseCoreKbd, &state);
    const PressableModifiers pressable = ReadPressableModifiers(display);
    shift_ = pressable.keyFor[ShiftMapIndex];
    control_ = pressable.keyFor[ControlMapIndex];
    const unsigned lockedMods = state.locked_mods;

    std::vector<unsigned> spare;
    for (unsigned keycode = xkb->min_key_code; keycode <= xkb->max_key_code; ++keycode) {
        if (XkbKeyNumSyms(xkb.get(), keycode) == 0) {
            spare.push_back(keycode);
            continue;
        }
        if (XkbKeyNumGroups(xkb.get(), keycode) == 0)
            continue;
        const int group = EffectiveGroup(xkb.get(), keycode, state.group);
        XkbKeyTypePtr type = XkbKeyKeyType(xkb.get(), keycode, group);
        for (int level = 0; level < type->num_levels; ++level) {
            const KeySym keysym = XkbKeySymEntry(xkb.get(), keycode, level, group);
            if (keysym == NoSymbol)
                continue;
            // Candidate modifier sets: none, and each that the key type maps to this level.
            int bestMask = -1;
            for (int i = -1; i < type->map_count; ++i) {
                const unsigned mask = i < 0 ? 0u : type->map[i].mods.mask;
                if (i >= 0 && (!type->map[i].active || type->map[i].level != level))
                    continue;
                if ((mask & ~pressable.mask) != 0)
                    continue;
                if (LevelFor(type, mask | lockedMods) != level)
                    continue;
                if (bestMask < 0 || std::popcount(mask) < std::popcount(static_cast<unsigned>(bestMask)))
                    bestMask = static_cast<int>(mask);
            }
            if (bestMask < 0)
                continue;
            auto found = strokes_.find(keysym);
            if (found != strokes_.end() &&
                found->second.modifierKeycodes.size() <= static_cast<size_t>(std::popcount(static_cast<unsigned>(bestMask))))
                continue;
            KeyStroke stroke;
            stroke.keycode = keycode;
            for (int mod = 0; mod < 8; ++mod) {
                if (bestMask & (1 << mod))
                    stroke.modifierKeycodes.push_back(pressable.keyFor[mod]);
            }
            strokes_[keysym] = std::move(stroke);
        }
    }

    // Longest runs first: fewer remapping requests, fewer keymap reloads in the target.
    std::vector<std::vector<unsigned>> runs;
    for (unsigned keycode : spare) {
        if (runs.empty() || runs.back().back() + 1 != keycode)
            runs.emplace_back();
        runs.back().push_back(keycode);
    }
    std::stable_sort(runs.begin(), runs.end(),
                     [](const auto& a, const auto& b) { return a.size() > b.size(); });
    for (const auto& run : runs)
        spare_.insert(spare_.end(), run.begin(), run.end());
    return true;
}

const KeyStroke* KeystrokeSenderKeymap::Find(unsigned long keysym) const
{
    auto found = strokes_.find(keysym);
    return found == strokes_.end() ? nullptr : &found->second;
}

ModifierKeys ReadModifierKeys(Display* display)
{
    ModifierKeys keys;
    XModifierKeymap* map = XGetModifierMapping(display);
    if (map == nullptr)
        return keys;
    for (int mod = 0; mod < 8; ++mod) {
        for (int k = 0; k < map->max_keypermod; ++k) {
            const KeyCode keycode = map->modifiermap[mod * map->max_keypermod + k];
            if (keycode == 0 ||
                std::find(keys.all.begin(), keys.all.end(), keycode) != keys.all.end())
                continue;
            keys.all.push_back(keycode);
            const KeySym keysym = XkbKeycodeToKeysym(display, keycode, 0, 0);
            if (mod == ShiftMapIndex || mod == ControlMapIndex || IsShiftControlAltKeysym(keysym))
                keys.shiftControlAlt.push_back(keycode);
        }
    }
    XFreeModifiermap(map);
    return keys;
}

}  // namespace kyq
