#include "platform/wayland/CompositorKeymap.h"

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <sys/mman.h>
#include <unistd.h>

#include "platform/Log.h"
#include "platform/wayland/WaylandConnection.h"

namespace kyq {

namespace {

constexpr uint32_t KeymapFormatXkbV1 = 1;  // wl_keyboard.keymap_format.xkb_v1

void OnKeymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size)
{
    static_cast<CompositorKeymap*>(data)->TakeKeymap(format, fd, size);
}
void OnEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void OnKey(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnModifiers(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t group)
{
    static_cast<CompositorKeymap*>(data)->TakeLayout(group);
}

constexpr wl_keyboard_listener KeyboardListener = {OnKeymap, OnEnter, OnLeave, OnKey,
                                                   OnModifiers, nullptr};

}  // namespace

CompositorKeymap::CompositorKeymap(WaylandConnection& connection) : connection_(connection)
{
    if (!connection_.Seat())
        return;
    keyboard_ = wl_seat_get_keyboard(connection_.Seat());
    wl_keyboard_add_listener(keyboard_, &KeyboardListener, this);
    connection_.Roundtrip();
}

CompositorKeymap::~CompositorKeymap()
{
    if (keyboard_)
        wl_keyboard_destroy(keyboard_);
}

bool CompositorKeymap::Refresh()
{
    return connection_.Roundtrip();
}

bool CompositorKeymap::Carries(unsigned long keysym) const
{
    return std::binary_search(keysyms_.begin(), keysyms_.end(), static_cast<uint32_t>(keysym));
}

void CompositorKeymap::TakeKeymap(uint32_t format, int fd, uint32_t size)
{
    if (format != KeymapFormatXkbV1 || size == 0 || size > MaxKeymapBytes) {
        LogWarning(LogArea::Keyboard, "the compositor sent a keymap that cannot be read (format " +
                                          std::to_string(format) + ", " + std::to_string(size) +
                                          " bytes)");
        close(fd);
        return;
    }
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (mapped == MAP_FAILED) {
        LogWarning(LogArea::Keyboard, "the compositor's keymap could not be mapped");
        return;
    }
    text_.assign(static_cast<const char*>(mapped), size);
    munmap(mapped, size);
    keysyms_ = KeysymsOfLayout(text_.data(), text_.size(), layout_);
    if (keysyms_.empty())
        LogWarning(LogArea::Keyboard, "the compositor's keymap could not be compiled");
}

void CompositorKeymap::TakeLayout(uint32_t layout)
{
    if (layout == layout_ || text_.empty())
        return;
    layout_ = layout;
    keysyms_ = KeysymsOfLayout(text_.data(), text_.size(), layout_);
}

std::vector<uint32_t> CompositorKeymap::KeysymsOfLayout(const char* text, size_t size,
                                                        uint32_t layout)
{
    std::vector<uint32_t> keysyms;
    // The protocol's text ends in a zero, which xkbcommon does not want counted.
    while (size > 0 && text[size - 1] == '\0')
        --size;
    if (size == 0)
        return keysyms;
    // The text is complete: nothing is to be looked up on disk or in the environment.
    xkb_context* context = xkb_context_new(static_cast<xkb_context_flags>(
        XKB_CONTEXT_NO_DEFAULT_INCLUDES | XKB_CONTEXT_NO_ENVIRONMENT_NAMES));
    if (!context)
        return keysyms;
    xkb_context_set_log_level(context, XKB_LOG_LEVEL_CRITICAL);
    xkb_keymap* keymap = xkb_keymap_new_from_buffer(context, text, size, XKB_KEYMAP_FORMAT_TEXT_V1,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap) {
        for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap);
             key <= xkb_keymap_max_keycode(keymap) && key != XKB_KEYCODE_INVALID; ++key) {
            const xkb_layout_index_t layouts = xkb_keymap_num_layouts_for_key(keymap, key);
            if (layouts == 0)
                continue;
            // A key with fewer groups than the layout in use is read in its first (the
            // way xkb itself wraps such a key by default).
            const xkb_layout_index_t group = layout < layouts ? layout : 0;
            const xkb_level_index_t levels = xkb_keymap_num_levels_for_key(keymap, key, group);
            for (xkb_level_index_t level = 0; level < levels; ++level) {
                const xkb_keysym_t* syms = nullptr;
                const int count = xkb_keymap_key_get_syms_by_level(keymap, key, group, level, &syms);
                for (int i = 0; i < count; ++i)
                    keysyms.push_back(syms[i]);
            }
        }
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    std::sort(keysyms.begin(), keysyms.end());
    keysyms.erase(std::unique(keysyms.begin(), keysyms.end()), keysyms.end());
    return keysyms;
}

}  // namespace kyq
