#include "platform/KeystrokeSender.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/KeystrokeSenderKeymap.h"
#include "platform/KeystrokeSenderPing.h"
#include "platform/KeystrokeSenderPlan.h"

namespace kyq {

namespace {

bool IsDown(const char keys[32], unsigned keycode)
{
    return keycode < 256 && (keys[keycode / 8] & (1 << (keycode % 8))) != 0;
}

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

// Gives spare keycodes the symbols of a chunk, two per keycode (the second typed with
// Shift); whatever was given is taken away again (back to no symbol) once, when this goes,
// on every way out. Every request makes every client reload its keymap, so a chunk takes
// one request per run of consecutive keycodes and chunks overwrite each other unrestored.
class SpareKeycodes {
public:
    struct Key {
        unsigned keycode = 0;
        bool shifted = false;
    };

    SpareKeycodes(Display* display, const std::vector<unsigned>& keycodes, bool twoLevels)
        : display_(display), keycodes_(keycodes), levels_(twoLevels ? 2 : 1)
    {
    }
    ~SpareKeycodes()
    {
        if (touched_.empty())
            return;
        std::sort(touched_.begin(), touched_.end());
        touched_.erase(std::unique(touched_.begin(), touched_.end()), touched_.end());
        X11ErrorTrap trap(display_);
        for (size_t i = 0; i < touched_.size();) {
            size_t end = i + 1;
            while (end < touched_.size() && touched_[end] == touched_[end - 1] + 1)
                ++end;
            std::vector<KeySym> none(2 * (end - i), NoSymbol);
            XChangeKeyboardMapping(display_, static_cast<int>(touched_[i]), 2, none.data(),
                                   static_cast<int>(end - i));
            i = end;
        }
        XSync(display_, False);
    }
    SpareKeycodes(const SpareKeycodes&) = delete;
    SpareKeycodes& operator=(const SpareKeycodes&) = delete;

    // How many symbols fit at once.
    size_t Capacity() const { return levels_ * keycodes_.size(); }

    // Puts keysyms[i] onto level i % 2 of the (i / 2)-th spare keycode (one level per key
    // without a Shift key), all before one round trip. Returns the key of each symbol that
    // really got one.
    std::unordered_map<unsigned long, Key> Map(const std::vector<unsigned long>& keysyms)
    {
        std::unordered_map<unsigned long, Key> mapped;
        X11ErrorTrap trap(display_);
        const size_t count = std::min(keysyms.size(), Capacity());
        const size_t keys = (count + levels_ - 1) / levels_;
        for (size_t i = 0; i < keys;) {
            size_t end = i + 1;
            while (end < keys && keycodes_[end] == keycodes_[end - 1] + 1)
                ++end;
            std::vector<KeySym> symbols;
            for (size_t k = i; k < end; ++k) {
                const size_t first = k * levels_;
                const size_t second = levels_ == 2 && first + 1 < count ? first + 1 : first;
                // A symbol alone on a key goes on both levels: no case is derived for it.
                symbols.push_back(keysyms[first]);
                symbols.push_back(keysyms[second]);
                touched_.push_back(keycodes_[k]);
            }
            XChangeKeyboardMapping(display_, static_cast<int>(keycodes_[i]), 2, symbols.data(),
                                   static_cast<int>(end - i));
            i = end;
        }
        if (trap.Succeeded()) {
            for (size_t i = 0; i < count; ++i)
                mapped[keysyms[i]] = Key{keycodes_[i / levels_], i % levels_ == 1};
        }
        return mapped;
    }

private:
    Display* display_;
    const std::vector<unsigned>& keycodes_;
    size_t levels_;
    std::vector<unsigned> touched_;
};

// The server times of the keymap changes made on one connection, read from the XKB map
// notifications the server sends back for them.
class MapChangeClock {
public:
    explicit MapChangeClock(Display* display) : display_(display)
    {
        int opcode = 0;
        int error = 0;
        int major = XkbMajorVersion;
        int minor = XkbMinorVersion;
        if (!XkbQueryExtension(display_, &opcode, &eventBase_, &error, &major, &minor)) {
            eventBase_ = -1;
            return;
        }
        XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbMapNotify, XkbAllMapComponentsMask,
                              XkbAllMapComponentsMask);
        KeymapChangeSpan earlier;
        Collect(earlier);
    }
    ~MapChangeClock()
    {
        if (eventBase_ >= 0)
            XkbSelectEventDetails(display_, XkbUseCoreKbd, XkbMapNotify, XkbAllMapComponentsMask, 0);
    }
    MapChangeClock(const MapChangeClock&) = delete;
    MapChangeClock& operator=(const MapChangeClock&) = delete;

    // Adds the notifications that came in since the last call.
    void Collect(KeymapChangeSpan& span)
    {
        if (eventBase_ < 0)
            return;
        XSync(display_, False);
        XEvent event;
        while (XCheckTypedEvent(display_, eventBase_, &event)) {
            const auto& xkb = reinterpret_cast<const XkbEvent&>(event);
            if (xkb.any.xkb_type != XkbMapNotify)
                continue;
            if (span.count == 0)
                span.first = xkb.any.time;
            span.last = xkb.any.time;
            ++span.count;
        }
    }

private:
    Display* display_;
    int eventBase_ = -1;
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

KeystrokeSender::KeystrokeSender(X11Display& display, KeystrokeTiming timing)
    : display_(display), timing_(timing)
{
}

void KeystrokeSender::ReleaseHeldModifiers()
{
    Display* dpy = display_.get();
    const ModifierKeys modifiers = ReadModifierKeys(dpy);
    char keys[32] = {};
    const auto deadline = std::chrono::steady_clock::now() + timing_.modifierWait;
    for (;;) {
        XQueryKeymap(dpy, keys);
        bool held = false;
        for (unsigned keycode : modifiers.shiftControlAlt)
            held = held || IsDown(keys, keycode);
        if (!held || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(timing_.modifierPoll);
    }
    // Whatever is still down would turn the typing into shortcuts.
    for (unsigned keycode : modifiers.all) {
        if (IsDown(keys, keycode))
            XTestFakeKeyEvent(dpy, keycode, False, CurrentTime);
    }
    XSync(dpy, False);
}

size_t KeystrokeSender::Type(std::u16string_view text)
{
    lastChanges_ = {};
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
    MapChangeClock clock(dpy);
    const size_t skipped = TypeWith(keymap, keysyms);
    clock.Collect(lastChanges_);
    return skipped;
}

size_t KeystrokeSender::TypeWith(const KeystrokeSenderKeymap& keymap,
                                 const std::vector<unsigned long>& keysyms)
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
