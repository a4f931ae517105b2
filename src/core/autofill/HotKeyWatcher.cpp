#include "core/autofill/HotKeyWatcher.h"

namespace kyq {

void HotKeyWatcher::Install()
{
    armed_ = false;
    mainDown_ = false;
    altDown_ = false;
    ctrlDown_ = false;
    shiftDown_ = false;
}

bool HotKeyWatcher::ModifiersMatch(const HotKey& hotKey) const
{
    return altDown_ == hotKey.Alt && ctrlDown_ == hotKey.Ctrl && shiftDown_ == hotKey.Shift;
}

bool HotKeyWatcher::OnKey(const HookKeyEvent& event, const HotKey& hotKey)
{
    const bool down = !event.Released;
    const bool repeat = down && event.Repeat;
    const int32_t key = event.Key;

    bool* modifier = nullptr;
    bool inChord = false;
    switch (key) {
    case AltKey:
        modifier = &altDown_;
        inChord = hotKey.Alt;
        break;
    case ControlKey:
        modifier = &ctrlDown_;
        inChord = hotKey.Ctrl;
        break;
    case ShiftKey:
        modifier = &shiftDown_;
        inChord = hotKey.Shift;
        break;
    default:
        inChord = key == hotKey.Main;
        break;
    }

    if (down) {
        if (modifier != nullptr)
            *modifier = true;
        if (key == hotKey.Main)
            mainDown_ = true;
        if (key == hotKey.Main && !repeat)
            armed_ = ModifiersMatch(hotKey);
        else if (!inChord)
            armed_ = false;
        return false;
    }

    // A main key whose press came before the hook started is judged on its release alone.
    const bool pressUnseen = key == hotKey.Main && !mainDown_ && ModifiersMatch(hotKey);
    const bool fires = (armed_ && inChord) || pressUnseen;
    if (key == hotKey.Main)
        mainDown_ = false;
    if (fires || inChord)
        armed_ = false;
    if (modifier != nullptr)
        *modifier = false;
    return fires;
}

FillDialogDecision ShowStepDecision(bool documentOpen, bool optionsOpen,
                                    const FillWindow& fillTarget)
{
    if (!documentOpen)
        return FillDialogDecision::NoDocument;
    if (optionsOpen && fillTarget.own)
        return FillDialogDecision::OptionsInFront;
    return FillDialogDecision::Show;
}

}  // namespace kyq
