// kyq_kde_keys: the test's keyboard on KDE's compositor, through its fake-input protocol
// (the compositor must let every client use it: KWIN_WAYLAND_NO_PERMISSION_CHECKS=1).
//
// Usage:  kyq_kde_keys COMMAND_FIFO ACK_FILE
//
// Reads lines from COMMAND_FIFO: "type TEXT" types TEXT, ASCII on a us layout (a tab is
// Tab, a carriage return Return, an escape Escape); "press KEY..." presses the keys named
// (Ctrl, Alt, Shift, Down, or one character) together and lets them go in reverse order.
// After each line, once the compositor has everything, appends "ok" (or "failed" for a
// line it cannot type) and a newline to ACK_FILE. Ends at the end of the FIFO.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <linux/input-event-codes.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

namespace {

struct Key {
    unsigned code;
    bool shift;
};

std::optional<Key> KeyFor(char c)
{
    static const char* const rows[] = {"1234567890-=", "qwertyuiop[]", "asdfghjkl;'", "zxcvbnm,./"};
    static const char* const shifted[] = {"!@#$%^&*()_+", "QWERTYUIOP{}", "ASDFGHJKL:\"", "ZXCVBNM<>?"};
    static const unsigned first[] = {KEY_1, KEY_Q, KEY_A, KEY_Z};
    for (int row = 0; row < 4; ++row) {
        if (const char* at = std::strchr(rows[row], c); at && c)
            return Key{first[row] + static_cast<unsigned>(at - rows[row]), false};
        if (const char* at = std::strchr(shifted[row], c); at && c)
            return Key{first[row] + static_cast<unsigned>(at - shifted[row]), true};
    }
    switch (c) {
    case ' ': return Key{KEY_SPACE, false};
    case '\t': return Key{KEY_TAB, false};
    case '\r': return Key{KEY_ENTER, false};
    case '\x1b': return Key{KEY_ESC, false};
    case '`': return Key{KEY_GRAVE, false};
    case '~': return Key{KEY_GRAVE, true};
    case '\\': return Key{KEY_BACKSLASH, false};
    case '|': return Key{KEY_BACKSLASH, true};
    default: return std::nullopt;
    }
}

std::optional<unsigned> NamedKey(const std::string& name)
{
    if (name == "Ctrl") return KEY_LEFTCTRL;
    if (name == "Alt") return KEY_LEFTALT;
    if (name == "Shift") return KEY_LEFTSHIFT;
    if (name == "Down") return KEY_DOWN;
    if (name.size() == 1) {
        if (auto key = KeyFor(name[0]); key && !key->shift)
            return key->code;
    }
    return std::nullopt;
}

struct Globals {
    org_kde_kwin_fake_input* input = nullptr;
};

void Global(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        static_cast<Globals*>(data)->input = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4));
}

void GlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener RegistryListener = {Global, GlobalRemove};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kyq_kde_keys COMMAND_FIFO ACK_FILE\n");
        return 2;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "kyq_kde_keys: no compositor\n");
        return 1;
    }
    Globals globals;
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &RegistryListener, &globals);
    wl_display_roundtrip(display);
    if (!globals.input) {
        std::fprintf(stderr, "kyq_kde_keys: the compositor offers no fake input (version 4)\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(globals.input, "kyq tests", "the tests' keyboard");
    const auto send = [&](unsigned code, bool pressed) {
        org_kde_kwin_fake_input_keyboard_key(globals.input, code,
                                             pressed ? WL_KEYBOARD_KEY_STATE_PRESSED
                                                     : WL_KEYBOARD_KEY_STATE_RELEASED);
    };
    std::ifstream commands(argv[1]);
    std::string line;
    while (std::getline(commands, line)) {
        bool ok = true;
        if (line.rfind("type ", 0) == 0) {
            for (const char c : line.substr(5)) {
                const auto key = KeyFor(c);
                if (!key) {
                    ok = false;
                    continue;
                }
                if (key->shift)
                    send(KEY_LEFTSHIFT, true);
                send(key->code, true);
                send(key->code, false);
                if (key->shift)
                    send(KEY_LEFTSHIFT, false);
            }
        } else if (line.rfind("press ", 0) == 0) {
            std::istringstream names(line.substr(6));
            std::vector<unsigned> held;
            for (std::string name; names >> name;) {
                if (const auto code = NamedKey(name)) {
                    send(*code, true);
                    held.push_back(*code);
                } else {
                    ok = false;
                }
            }
            for (auto it = held.rbegin(); it != held.rend(); ++it)
                send(*it, false);
        } else {
            ok = false;
        }
        ok = wl_display_roundtrip(display) >= 0 && ok;
        std::ofstream(argv[2], std::ios::app) << (ok ? "ok\n" : "failed\n");
    }
    wl_display_disconnect(display);
    return 0;
}
