// The keyboard layout the compositor types with, as it sends it to every client's keyboard:
// GNOME and KDE drop a key symbol sent through their remote-desktop portal when no key of
// that layout carries it, and say nothing. A fill checks its text here first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct wl_keyboard;

namespace kyq {

class WaylandConnection;

class CompositorKeymap {
public:
    // The largest keymap taken: a real one is some tens of kilobytes.
    static constexpr size_t MaxKeymapBytes = 4u << 20;

    // Asks `connection` (which must outlive this) for the seat's keyboard and reads the
    // keymap it is sent.
    explicit CompositorKeymap(WaylandConnection& connection);
    ~CompositorKeymap();
    CompositorKeymap(const CompositorKeymap&) = delete;
    CompositorKeymap& operator=(const CompositorKeymap&) = delete;

    // Reads what the compositor has sent since (a new layout); false once the connection
    // has failed.
    bool Refresh();
    // A keymap has arrived and could be read.
    bool Known() const { return !keysyms_.empty(); }
    // Some key of the layout in use carries `keysym`, at any shift level.
    bool Carries(unsigned long keysym) const;

    // The key symbols of one layout of an xkb keymap text, sorted; empty when the text is
    // no keymap. Public for the fuzz target and the tests.
    static std::vector<uint32_t> KeysymsOfLayout(const char* text, size_t size, uint32_t layout);

    // Called from the keyboard's listener.
    void TakeKeymap(uint32_t format, int fd, uint32_t size);
    void TakeLayout(uint32_t layout);

private:
    WaylandConnection& connection_;
    wl_keyboard* keyboard_ = nullptr;
    std::string text_;
    uint32_t layout_ = 0;
    std::vector<uint32_t> keysyms_;
};

}  // namespace kyq
