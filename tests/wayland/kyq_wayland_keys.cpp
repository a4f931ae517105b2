// kyq_wayland_keys: the test's keyboard in a Wayland session. One virtual keyboard that
// stays for the whole run, as a user's keyboard does (one per command would make the
// compositor move the focus out and back in each time).
//
// Usage:  kyq_wayland_keys COMMAND_FIFO ACK_FILE
//
// Reads lines from COMMAND_FIFO, UTF-8: "type TEXT" types TEXT (a carriage return in it is
// Return, a tab Tab, codes 1-26 Ctrl plus their letter); "chord TEXT" types TEXT with Ctrl
// and Alt held. After each line, once the compositor has everything, appends "ok" and a
// newline to ACK_FILE. Ends at the end of the FIFO.
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/Utf.h"
#include "platform/wayland/VirtualKeyboardTyper.h"
#include "platform/wayland/WaylandConnection.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kyq_wayland_keys COMMAND_FIFO ACK_FILE\n");
        return 2;
    }
    auto connection = kyq::WaylandConnection::Connect();
    if (!connection || !connection->KeyboardManager()) {
        std::fprintf(stderr, "kyq_wayland_keys: no compositor with virtual keyboards\n");
        return 1;
    }
    kyq::VirtualKeyboardTyper keyboard(*connection);
    std::ifstream commands(argv[1]);
    std::string line;
    while (std::getline(commands, line)) {
        bool typed = false;
        if (line.rfind("type ", 0) == 0)
            typed = keyboard.Type(kyq::Utf8ToUtf16(line.substr(5)));
        else if (line.rfind("chord ", 0) == 0)
            typed = keyboard.Type(kyq::Utf8ToUtf16(line.substr(6)),
                                  kyq::VirtualKeyboardTyper::Control | kyq::VirtualKeyboardTyper::Alt);
        std::ofstream(argv[2], std::ios::app) << (typed ? "ok\n" : "failed\n");
    }
    return 0;
}
