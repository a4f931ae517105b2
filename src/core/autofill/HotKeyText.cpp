#include "core/autofill/HotKeyText.h"

namespace kyq {

std::string HotKeyKeyName(int32_t virtualKey)
{
    switch (virtualKey) {
    case 32:
        return "Space";
    case 37:
        return "Left";
    case 38:
        return "Up";
    case 39:
        return "Right";
    case 40:
        return "Down";
    default:
        break;
    }
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z'))
        return std::string(1, static_cast<char>(virtualKey));
    if (virtualKey >= 112 && virtualKey <= 123) {
        // Appending instead of "F" + to_string(...): g++ 12 warns falsely (-Wrestrict) on
        // the latter in optimised builds, and warnings are errors here.
        std::string name = "F";
        name += std::to_string(virtualKey - 111);
        return name;
    }
    return {};
}

std::string HotKeyText(const HotKey& hotKey)
{
    std::string text;
    if (hotKey.Shift)
        text += "Shift+";
    if (hotKey.Ctrl)
        text += "Ctrl+";
    if (hotKey.Alt)
        text += "Alt+";
    return text + HotKeyKeyName(hotKey.Main);
}

std::string ShortcutTriggerText(const HotKey& hotKey)
{
    std::string key = HotKeyKeyName(hotKey.Main);
    if (key.empty())
        return {};
    // Key symbol names: a letter's unshifted symbol is lower case, the space bar's "space".
    if (key.size() == 1 && key[0] >= 'A' && key[0] <= 'Z')
        key[0] = static_cast<char>(key[0] - 'A' + 'a');
    else if (key == "Space")
        key = "space";
    std::string text;
    if (hotKey.Shift)
        text += "SHIFT+";
    if (hotKey.Ctrl)
        text += "CTRL+";
    if (hotKey.Alt)
        text += "ALT+";
    return text + key;
}

}  // namespace kyq
