// What the options dialog collected, and the one call that makes it the settings: the
// dialog only shows the settings and hands its boxes over.
#pragma once

#include <cstdint>
#include <optional>

#include "core/settings/AppSettings.h"

namespace kyq {

class KyqApp;

struct OptionsChoice {
    HotKey hotKey;
    bool AutoLoad = false;
    bool ClearClip = false;
    // Empty when the box was not offered (no notification area): the stored choice stays
    // for a desktop that has one.
    std::optional<bool> CloseMin;
    int16_t Days = 0;
    bool EditOnDoubleClick = false;
};

// Stores the choice and writes the settings; a changed hot key goes to the platform at
// once. True when the hot key changed.
bool ApplyOptions(KyqApp& app, const OptionsChoice& choice);

}  // namespace kyq
