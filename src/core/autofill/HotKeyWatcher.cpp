#include "core/autofill/HotKeyWatcher.h"

#include "platform/HookMessage.h"

namespace kyq {

void HotKeyWatcher::Install()
{
    altDown_ = false;
    ctrlDown_ = false;
    shiftDown_ = false;
}

bool HotKeyWatcher::OnMessage(uint32_t message, uintptr_t wParam, intptr_t lParam,
                              const HotKey& hotKey)
{
    if (message != KeyboardHookMessage)
        return false;
    // Press and auto-repeat have bit 31 clear; a receiver may hand lParam on sign-extended.
    const bool down = !HookKeyReleased(static_cast<uint32_t>(lParam));
    const auto key = static_cast<int32_t>(static_cast<uint32_t>(wParam));
    switch (key) {
    case AltKey:
        altDown_ = down;
        return false;
    case ControlKey:
        ctrlDown_ = down;
        return false;
    case ShiftKey:
        shiftDown_ = down;
        return false;
    default:
        return key == hotKey.Main && altDown_ == hotKey.Alt && ctrlDown_ == hotKey.Ctrl &&
               shiftDown_ == hotKey.Shift && !down;
    }
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
