#include "platform/wayland/VirtualKeymap.h"

#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <memory>

#include "platform/Log.h"

namespace kyq {

namespace {

struct ContextFree {
    void operator()(xkb_context* context) const { xkb_context_unref(context); }
};
struct KeymapFree {
    void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
};

std::string KeysymName(unsigned long keysym)
{
    char name[64] = {};
    if (xkb_keysym_get_name(static_cast<xkb_keysym_t>(keysym), name, sizeof name) <= 0)
        return {};
    return name;
}

}  // namespace

std::optional<VirtualKeymap> BuildVirtualKeymap(const std::vector<unsigned long>& keysyms)
{
    if (keysyms.size() > kMaxVirtualKeys)
        return std::nullopt;
    std::string codes;
    std::string symbols;
    for (size_t i = 0; i < keysyms.size(); ++i) {
        const std::string key = "<K" + std::to_string(kFirstVirtualKeycode + i) + ">";
        const std::string name = KeysymName(keysyms[i]);
        if (name.empty())
            return std::nullopt;
        codes += "    " + key + " = " + std::to_string(kFirstVirtualKeycode + i) + ";\n";
        symbols += "    key " + key + " { [ " + name + " ] };\n";
    }
    // The types and the compatibility map give Control its modifier; no key carries it,
    // since the typing sets the modifier state itself.
    const std::string source = "xkb_keymap {\n"
                               "  xkb_keycodes \"kyq\" {\n    minimum = 8;\n    maximum = 255;\n" +
                               codes +
                               "  };\n"
                               "  xkb_types \"kyq\" { include \"complete\" };\n"
                               "  xkb_compatibility \"kyq\" { include \"complete\" };\n"
                               "  xkb_symbols \"kyq\" {\n" +
                               symbols + "  };\n};\n";

    std::unique_ptr<xkb_context, ContextFree> context(xkb_context_new(XKB_CONTEXT_NO_FLAGS));
    if (!context)
        return std::nullopt;
    std::unique_ptr<xkb_keymap, KeymapFree> keymap(xkb_keymap_new_from_string(
        context.get(), source.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap) {
        LogWarning(LogArea::Keyboard, "xkbcommon refused the typing keymap");
        return std::nullopt;
    }
    // The compiled form is what every client reads: includes resolved, nothing left to a
    // client's own keymap files.
    char* compiled = xkb_keymap_get_as_string(keymap.get(), XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!compiled)
        return std::nullopt;
    VirtualKeymap result;
    result.text = compiled;
    std::free(compiled);
    const auto mask = [&](const char* name) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap.get(), name);
        return index != XKB_MOD_INVALID && index < 32 ? 1u << index : 0u;
    };
    result.controlMask = mask(XKB_MOD_NAME_CTRL);
    result.altMask = mask(XKB_MOD_NAME_ALT);
    return result;
}

}  // namespace kyq
