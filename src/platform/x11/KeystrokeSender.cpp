#include "platform/x11/KeystrokeSender.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/x11/KeyReleaseWait.h"
#include "platform/x11/KeystrokeSenderKeymap.h"
#include "platform/x11/KeystrokeSenderPing.h"
#include "platform/KeystrokeSenderPlan.h"

namespace kyq {

namespace {

// Gives spare keycodes the symbols of a chunk, two per keycode (the second typed with
// Shift), and takes them away again (back to no symbol) once, when this goes, on every way
// out. Every change makes every client reload its keymap (some, such as window managers,
// also grab their keys anew), so each chunk is one XKB request, and so is the restore: the
// request covers the keys from the first to the last spare keycode, those in between sent
// back exactly as they are, which core requests could not do (they re-derive the XKB
// types and actions of every key they touch).
class SpareKeycodes {
public:
    struct Key {
        unsigned keycode = 0;
        bool shifted = false;
    };

    SpareKeycodes(Display* display, const std::vector<unsigned>& keycodes, bool twoLevels)
        : display_(display),
          keycodes_(keycodes),
          levels_(twoLevels ? 2 : 1),
          xkb_(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd))
    {
        if (xkb_ == nullptr || xkb_->map == nullptr || xkb_->map->num_types <= XkbTwoLevelIndex)
            keycodes_.clear();
    }
    ~SpareKeycodes()
    {
        if (!touched_.empty()) {
            X11ErrorTrap trap(display_);
            // As the spare keys were found: no group, no symbol (XkbChangeTypesOfKey
            // refuses zero groups).
            for (unsigned keycode : touched_) {
                XkbSymMapRec& map = xkb_->map->key_sym_map[keycode];
                map.group_info = 0;
                map.width = 0;
                std::fill(std::begin(map.kt_index), std::end(map.kt_index), 0);
            }
            Send(touched_);
            XSync(display_, False);
        }
        if (xkb_ != nullptr)
            XkbFreeKeyboard(xkb_, 0, True);
    }
    SpareKeycodes(const SpareKeycodes&) = delete;
    SpareKeycodes& operator=(const SpareKeycodes&) = delete;

    // How many symbols fit at once.
    size_t Capacity() const { return levels_ * keycodes_.size(); }

    // Puts keysyms[i] onto level i % 2 of the (i / 2)-th spare keycode (one level per key
    // without a Shift key), all in one request. Returns the key of each symbol that really
    // got one.
    std::unordered_map<unsigned long, Key> Map(const std::vector<unsigned long>& keysyms)
    {
        std::unordered_map<unsigned long, Key> mapped;
        X11ErrorTrap trap(display_);
        const size_t count = std::min(keysyms.size(), Capacity());
        const size_t keys = (count + levels_ - 1) / levels_;
        std::vector<unsigned> changed;
        for (size_t k = 0; k < keys; ++k) {
            const unsigned keycode = keycodes_[k];
            int type[XkbNumKbdGroups] = {XkbTwoLevelIndex};
            XkbMapChangesRec changes{};
            if (XkbChangeTypesOfKey(xkb_, static_cast<int>(keycode), 1, XkbGroup1Mask, type,
                                    &changes) != Success)
                continue;
            KeySym* symbols = XkbResizeKeySyms(xkb_, static_cast<int>(keycode), 2);
            if (symbols == nullptr)
                continue;
            const size_t first = k * levels_;
            const size_t second = levels_ == 2 && first + 1 < count ? first + 1 : first;
            symbols[0] = keysyms[first];
            symbols[1] = keysyms[second];
            changed.push_back(keycode);
            if (std::find(touched_.begin(), touched_.end(), keycode) == touched_.end())
                touched_.push_back(keycode);
        }
        Send(changed);
        if (trap.Succeeded()) {
            for (size_t i = 0; i < count; ++i) {
                const unsigned keycode = keycodes_[i / levels_];
                if (std::find(changed.begin(), changed.end(), keycode) != changed.end())
                    mapped[keysyms[i]] = Key{keycode, i % levels_ == 1};
            }
        }
        return mapped;
    }

private:
    // One request with the symbols of every key from the lowest to the highest of `keycodes`.
    void Send(const std::vector<unsigned>& keycodes)
    {
        if (keycodes.empty())
            return;
        const auto [low, high] = std::minmax_element(keycodes.begin(), keycodes.end());
        XkbMapChangesRec changes{};
        changes.changed = XkbKeySymsMask;
        changes.first_key_sym = static_cast<KeyCode>(*low);
        changes.num_key_syms = static_cast<unsigned char>(*high - *low + 1);
        XkbChangeMap(display_, xkb_, &changes);
    }

    Display* display_;
    std::vector<unsigned> keycodes_;
    size_t levels_;
    XkbDescPtr xkb_;
    std::vector<unsigned> touched_;
};

Window FocusWindow(Display* display)
{
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    return focus;
}

void Tap(Display* display, unsigned keycode, const std::vector<unsigned>& modifiers)
{
    for (unsigned modifier : modifiers)
        XTestFakeKeyEvent(display, modifier, True, CurrentTime);
    XTestFakeKeyEvent(display, keycode, True, CurrentTime);
    XTestFakeKeyEvent(display, keycode, False, CurrentTime);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        XTestFakeKeyEvent(display, *it, False, CurrentTime);
}

}  // namespace

// Caps Lock inverts letters (and Qt applies it to the symbols of remapped keys too).
class CapsLockOff {
public:
    explicit CapsLockOff(Display* display) : display_(display)
    {
        XkbStateRec state{};
        if (XkbGetState(display_, XkbUseCoreKbd, &state) == Success &&
            (state.locked_mods & LockMask) != 0) {
            wasOn_ = XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, 0);
            XSync(display_, False);
        }
    }
    ~CapsLockOff()
    {
        if (wasOn_) {
            XkbLockModifiers(display_, XkbUseCoreKbd, LockMask, LockMask);
            XSync(display_, False);
        }
    }
    CapsLockOff(const CapsLockOff&) = delete;
    CapsLockOff& operator=(const CapsLockOff&) = delete;

private:
    Display* display_;
    bool wasOn_ = false;
};

KeystrokeSender::KeystrokeSender(X11Display& display, KeystrokeTiming timing)
    : display_(display), timing_(timing)
{
}

KeystrokeSender::~KeystrokeSender() = default;

void KeystrokeSender::ReleaseHeldModifiers()
{
    Display* dpy = display_.get();
    const ModifierKeys modifiers = ReadModifierKeys(dpy);
    const KeyboardState keys = WaitForKeysUp(
        dpy,
        [&modifiers](unsigned keycode) {
            return std::find(modifiers.shiftControlAlt.begin(), modifiers.shiftControlAlt.end(),
                             keycode) != modifiers.shiftControlAlt.end();
        },
        timing_.modifierWait, timing_.modifierPoll);
    // Whatever is still down would turn the typing into shortcuts.
    for (unsigned keycode : modifiers.all) {
        if (KeyIsDown(keys, keycode))
            XTestFakeKeyEvent(dpy, keycode, False, CurrentTime);
    }
    XSync(dpy, False);
}

size_t KeystrokeSender::Type(std::u16string_view text)
{
    const std::vector<unsigned long> keysyms = KeysymsForText(text);
    if (!display_.IsOpen())
        return keysyms.size();
    Display* dpy = display_.get();
    X11ErrorTrap trap(dpy);
    ReleaseHeldModifiers();
    CapsLockOff capsLock(dpy);

    KeystrokeSenderKeymap keymap;
    if (!keymap.Load(dpy))
        return keysyms.size();
    bool stopped = false;
    return TypeWith(keymap, keysyms, {}, stopped);
}

size_t KeystrokeSender::FirstUntypeable(std::u16string_view text)
{
    std::vector<size_t> positions;
    const std::vector<unsigned long> keysyms = KeysymsForText(text, &positions);
    if (keysyms.empty())
        return AllTypeable;
    KeystrokeSenderKeymap keymap;
    if (!display_.IsOpen() || !keymap.Load(display_.get()))
        return 0;
    // A symbol without a key goes through a spare keycode, a chunk at a time: one spare
    // keycode is enough for any number of them.
    const bool spare = !keymap.SpareKeycodes().empty();
    for (size_t i = 0; i < keysyms.size(); ++i) {
        const unsigned long keysym = BaseKeysym(keysyms[i]);
        const bool control = (keysyms[i] & kWithControl) != 0;
        if (keysym == kNoKeysym || (control && keymap.ControlKeycode() == 0) ||
            (keymap.Find(keysym) == nullptr && !spare))
            return positions[i];
    }
    return AllTypeable;
}

void KeystrokeSender::Begin()
{
    if (!display_.IsOpen())
        return;
    X11ErrorTrap trap(display_.get());
    ReleaseHeldModifiers();
    capsLock_ = std::make_unique<CapsLockOff>(display_.get());
}

bool KeystrokeSender::TypePiece(std::u16string_view text, const std::function<bool()>& mayGoOn)
{
    const std::vector<unsigned long> keysyms = KeysymsForText(text);
    if (!display_.IsOpen())
        return keysyms.empty();
    X11ErrorTrap trap(display_.get());
    KeystrokeSenderKeymap keymap;
    if (!keymap.Load(display_.get()))
        return keysyms.empty();
    bool stopped = false;
    // A character that found no key after all (a spare keycode refused) ends the fill too.
    const size_t skipped = TypeWith(keymap, keysyms, mayGoOn, stopped);
    return !stopped && skipped == 0;
}

void KeystrokeSender::End()
{
    capsLock_.reset();
}

size_t KeystrokeSender::TypeWith(const KeystrokeSenderKeymap& keymap,
                                 const std::vector<unsigned long>& keysyms,
                                 const std::function<bool()>& mayGoOn, bool& stopped)
{
    Display* dpy = display_.get();
    SpareKeycodes spare(dpy, keymap.SpareKeycodes(), keymap.ShiftKeycode() != 0);
    const auto chunks = PlanTypingChunks(
        keysyms, [&keymap](unsigned long keysym) { return keymap.Find(keysym) != nullptr; },
        spare.Capacity());

    // A symbol on a spare keycode arrives as itself only if the target rereads the map,
    // and handles the keys, while the symbol is still there. A target that answers pings
    // tells when it is done with a chunk; for others there is a fixed wait before and
    // after typing.
    std::unique_ptr<KeystrokeSenderPing> ping;
    const bool remaps = std::any_of(chunks.begin(), chunks.end(),
                                    [](const TypingChunk& c) { return !c.spareKeysyms.empty(); });
    if (remaps)
        ping = KeystrokeSenderPing::For(dpy, FocusWindow(dpy));

    const std::vector<unsigned> shift{keymap.ShiftKeycode()};
    size_t skipped = 0;
    for (const TypingChunk& chunk : chunks) {
        std::unordered_map<unsigned long, SpareKeycodes::Key> spareKeys;
        if (!chunk.spareKeysyms.empty()) {
            spareKeys = spare.Map(chunk.spareKeysyms);
            if (!ping)
                std::this_thread::sleep_for(timing_.remapSettle);
        }
        // Right before the keys: a remap and its settling take long enough for the window
        // under the keys to change (the caller checked just before a first plain chunk).
        const bool waited = &chunk != &chunks.front() || !chunk.spareKeysyms.empty();
        if (mayGoOn && waited && !mayGoOn()) {
            stopped = true;
            break;
        }
        for (size_t i = chunk.begin; i < chunk.end; ++i) {
            const unsigned long keysym = BaseKeysym(keysyms[i]);
            std::vector<unsigned> modifiers;
            if ((keysyms[i] & kWithControl) != 0) {
                if (keymap.ControlKeycode() == 0) {
                    ++skipped;
                    continue;
                }
                modifiers.push_back(keymap.ControlKeycode());
            }
            if (const KeyStroke* stroke = keysym != kNoKeysym ? keymap.Find(keysym) : nullptr) {
                modifiers.insert(modifiers.end(), stroke->modifierKeycodes.begin(),
                                 stroke->modifierKeycodes.end());
                Tap(dpy, stroke->keycode, modifiers);
            } else if (auto found = spareKeys.find(keysym); found != spareKeys.end()) {
                if (found->second.shifted)
                    modifiers.push_back(shift.front());
                Tap(dpy, found->second.keycode, modifiers);
            } else {
                ++skipped;
            }
        }
        XSync(dpy, False);
        if (chunk.spareKeysyms.empty())
            continue;
        if (!ping || !ping->RoundTrip(timing_.answerTimeout))
            std::this_thread::sleep_for(timing_.remapSettle);
    }
    return skipped;
}

}  // namespace kyq
