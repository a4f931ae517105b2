#include "core/workflow/OptionsChoice.h"

#include "core/workflow/KyqApp.h"

namespace kyq {

bool ApplyOptions(KyqApp& app, const OptionsChoice& choice)
{
    AppSettings& settings = app.Settings;
    const bool hotKeyChanged = !(settings.hotKey == choice.hotKey);
    settings.hotKey = choice.hotKey;
    settings.AutoLoad = choice.AutoLoad;
    settings.ClearClip = choice.ClearClip;
    if (choice.CloseMin)
        settings.CloseMin = *choice.CloseMin;
    settings.Days = choice.Days;
    settings.DblClick = choice.EditOnDoubleClick ? 2 : 1;
    app.SaveSettings();
    if (hotKeyChanged)
        app.Platform().HotKeyChanged();
    return hotKeyChanged;
}

}  // namespace kyq
