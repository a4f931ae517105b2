#include "platform/wayland/VirtualKeyboardTyper.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>

#include "platform/KeystrokeSenderPlan.h"
#include "platform/Log.h"
#include "platform/wayland/VirtualKeymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "virtual-keyboard-unstable-v1-client.h"

namespace kyq {

namespace {

constexpr uint32_t KeymapFormatXkbV1 = 1;  // wl_keyboard.keymap_format.xkb_v1
constexpr uint32_t KeyReleased = 0;
constexpr uint32_t KeyPressed = 1;

// The keymap as the protocol takes it: a sealed memory file with a terminating zero.
int KeymapFile(const std::string& text)
{
    const int fd = memfd_create("kyq-keymap", MFD_CLOEXEC);
    if (fd < 0)
        return -1;
    const size_t size = text.size() + 1;
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, text.c_str() + written, size - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            close(fd);
            return -1;
        }
        written += static_cast<size_t>(n);
    }
    return fd;
}

uint32_t NowMs()
{
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

VirtualKeyboardTyper::VirtualKeyboardTyper(WaylandConnection& connection)
    : connection_(connection)
{
    if (!connection_.KeyboardManager() || !connection_.Seat())
        return;
    // Made now, with a keymap of its own, so the compositor has settled the new device long
    // before the first text: keys sent along with a new keyboard can be lost to the focus
    // moving out and back in.
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        connection_.KeyboardManager(), connection_.Seat());
    const std::optional<VirtualKeymap> keymap = BuildVirtualKeymap({' '});
    const int fd = keymap ? KeymapFile(keymap->text) : -1;
    if (fd >= 0) {
        zwp_virtual_keyboard_v1_keymap(keyboard_, KeymapFormatXkbV1, fd,
                                       static_cast<uint32_t>(keymap->text.size() + 1));
        close(fd);
    }
    connection_.Roundtrip();
}

VirtualKeyboardTyper::~VirtualKeyboardTyper()
{
    if (keyboard_) {
        zwp_virtual_keyboard_v1_destroy(keyboard_);
        connection_.Roundtrip();
    }
}

void VirtualKeyboardTyper::ForgetKeymap()
{
    uploaded_.clear();
}

bool VirtualKeyboardTyper::Upload(const std::vector<unsigned long>& keysyms)
{
    std::optional<VirtualKeymap> keymap = BuildVirtualKeymap(keysyms);
    const int fd = keymap ? KeymapFile(keymap->text) : -1;
    if (fd < 0) {
        LogWarning(LogArea::Keyboard,
                   std::string("the typing keymap could not be made: ") + std::strerror(errno));
        uploaded_.clear();
        return false;
    }
    // Also before the first: the keys just typed on the user's keyboard (the Enter that
    // accepted the fill dialog) came with another keymap.
    const bool answered = connection_.Roundtrip();
    std::this_thread::sleep_for(KeymapSwitchPause);
    zwp_virtual_keyboard_v1_keymap(keyboard_, KeymapFormatXkbV1, fd,
                                   static_cast<uint32_t>(keymap->text.size() + 1));
    close(fd);
    if (!answered) {
        LogWarning(LogArea::Keyboard, "the Wayland connection for typing failed");
        uploaded_.clear();
        return false;
    }
    uploaded_ = keysyms;
    uploadedKeymap_ = *keymap;
    return true;
}

bool VirtualKeyboardTyper::Prepare(const std::u16string& text)
{
    if (!keyboard_)
        return false;
    std::vector<unsigned long> distinct;
    for (unsigned long keysym : KeysymsForText(text)) {
        keysym = BaseKeysym(keysym);
        if (keysym != kNoKeysym &&
            std::find(distinct.begin(), distinct.end(), keysym) == distinct.end())
            distinct.push_back(keysym);
    }
    if (distinct.empty() || distinct.size() > kMaxVirtualKeys)
        return false;
    return Upload(distinct);
}

bool VirtualKeyboardTyper::Type(const std::u16string& text, unsigned held,
                                const std::function<bool()>& mayGoOn)
{
    if (!keyboard_) {
        LogWarning(LogArea::Keyboard, "the compositor offers no virtual keyboard");
        return false;
    }
    const std::vector<unsigned long> keysyms = KeysymsForText(text);
    const auto onKeymap = [this](unsigned long keysym) {
        return std::find(uploaded_.begin(), uploaded_.end(), keysym) != uploaded_.end();
    };
    // A text whose symbols the keymap already holds (a prepared fill) is one chunk; else no
    // symbol is on a key of its own and each chunk's symbols make up its whole keymap.
    const bool covered = std::all_of(keysyms.begin(), keysyms.end(), [&](unsigned long keysym) {
        return keysym == kNoKeysym || onKeymap(BaseKeysym(keysym));
    });
    const std::vector<TypingChunk> chunks =
        covered ? std::vector<TypingChunk>{TypingChunk{0, keysyms.size(), {}}}
                : PlanTypingChunks(keysyms, [](unsigned long) { return false; }, kMaxVirtualKeys);

    zwp_virtual_keyboard_v1* keyboard = keyboard_;
    for (const TypingChunk& chunk : chunks) {
        if (!chunk.spareKeysyms.empty() &&
            !std::all_of(chunk.spareKeysyms.begin(), chunk.spareKeysyms.end(), onKeymap) &&
            !Upload(chunk.spareKeysyms))
            return false;
        // Right before the keys, after any keymap and its pause: the window under them
        // may have changed while the program waited.
        if (mayGoOn && !mayGoOn())
            return false;
        for (size_t i = chunk.begin; i < chunk.end; ++i) {
            if (keysyms[i] == kNoKeysym)
                continue;
            const unsigned long base = BaseKeysym(keysyms[i]);
            const auto found = std::find(uploaded_.begin(), uploaded_.end(), base);
            if (found == uploaded_.end())
                continue;  // not planned into this chunk: cannot happen, typed as nothing
            uint32_t modifiers = (held & Control) ? uploadedKeymap_.controlMask : 0;
            if (held & Alt)
                modifiers |= uploadedKeymap_.altMask;
            if (keysyms[i] & kWithControl)
                modifiers |= uploadedKeymap_.controlMask;
            if (modifiers)
                zwp_virtual_keyboard_v1_modifiers(keyboard, modifiers, 0, 0, 0);
            const uint32_t key =
                VirtualKeymap::KeyOf(static_cast<size_t>(found - uploaded_.begin()));
            zwp_virtual_keyboard_v1_key(keyboard, NowMs(), key, KeyPressed);
            zwp_virtual_keyboard_v1_key(keyboard, NowMs(), key, KeyReleased);
            if (modifiers)
                zwp_virtual_keyboard_v1_modifiers(keyboard, 0, 0, 0, 0);
        }
        // Everything has reached the compositor before the next check.
        if (!connection_.Roundtrip()) {
            LogWarning(LogArea::Keyboard, "the Wayland connection for typing failed");
            return false;
        }
    }
    return true;
}

}  // namespace kyq
