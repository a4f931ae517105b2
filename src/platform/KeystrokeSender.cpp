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

// Gives spare keycodes the symbols of a chunk; whatever was given is taken away again
// (back to no symbol) when this goes, on every way out.
class SpareKeycodes {
public:
    SpareKeycodes(Display* display, const std::vector<unsigned>& keycodes)
        : display_(display), keycodes_(keycodes)
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

    // Maps keysyms[i] onto the i-th spare keycode, all before one round trip. Returns the
    // keycode of each symbol that really got one.
    std::unordered_map<unsigned long, unsigned> Map(const std::vector<unsigned long>& keysyms)
    {
        std::unordered_map<unsigned long, unsigned> mapped;
        X11ErrorTrap trap(display_);
        const size_t count = std::min(keysyms.size(), keycodes_.size());
        // Consecutive keycodes go in one request: the target reloads its map per request.
        for (size_t i = 0; i < count;) {
            size_t end = i + 1;
            while (end < count && keycodes_[end] == keycodes_[end - 1] + 1)
                ++end;
            std::vector<KeySym> symbols;
            for (size_t k = i; k < end; ++k) {
                symbols.push_back(keysyms[k]);  // both levels, so that no case is derived
                symbols.push_back(keysyms[k]);
                touched_.push_back(keycodes_[k]);
            }
            XChangeKeyboardMapping(display_, static_cast<int>(keycodes_[i]), 2, symbols.data(),
                                   static_cast<int>(end - i));
            i = end;
        }
        if (trap.Succeeded()) {
            for (size_t i = 0; i < count; ++i)
                mapped[keysyms[i]] = keycodes_[i];
        }
        return mapped;
    }

private:
    Display* display_;
    const std::vector<unsigned>& keycodes_;
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
    const auto chunks = PlanTypingChunks(
        keysyms, [&keymap](unsigned long keysym) { return keymap.Find(keysym) != nullptr; },
        keymap.SpareKeycodes().size());

    // A symbol on a spare keycode arrives as itself only if the target rereads the map,
    // and handles the keys, while the symbol is still there. A target that answers pings
    // tells when it is done with a chunk; for others there is a fixed wait before and
    // after typing.
    std::unique_ptr<KeystrokeSenderPing> ping;
    const bool remaps = std::any_of(chunks.begin(), chunks.end(),
                                    [](const TypingChunk& c) { return !c.spareKeysyms.empty(); });
    if (remaps)
        ping = KeystrokeSenderPing::For(dpy, FocusWindow(dpy));

    size_t skipped = 0;
    SpareKeycodes spare(dpy, keymap.SpareKeycodes());
    for (const TypingChunk& chunk : chunks) {
        std::unordered_map<unsigned long, unsigned> spareKeys;
        if (!chunk.spareKeysyms.empty()) {
            spareKeys = spare.Map(chunk.spareKeysyms);
            if (!ping)
                std::this_thread::sleep_for(timing_.remapSettle);
        }
        for (size_t i = chunk.begin; i < chunk.end; ++i) {
            const unsigned long keysym = keysyms[i];
            if (const KeyStroke* stroke = keysym != kNoKeysym ? keymap.Find(keysym) : nullptr) {
                Tap(dpy, stroke->keycode, stroke->modifierKeycodes);
            } else if (auto found = spareKeys.find(keysym); found != spareKeys.end()) {
                Tap(dpy, found->second, {});
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
