// The hot-key watcher: follows Shift, Ctrl and Alt through the keyboard hook's key events and
// says when the configured hot key fires, plus the decision whether to show the fill dialog.
#pragma once

#include <cstdint>

#include "platform/FillDesktop.h"
#include "core/autofill/HookKeyEvent.h"
#include "core/autofill/HotKey.h"

namespace kyq {

class HotKeyWatcher {
public:
    // Generic modifier codes the hook reports for either side of the keyboard.
    static constexpr int32_t ShiftKey = 16;
    static constexpr int32_t ControlKey = 17;
    static constexpr int32_t AltKey = 18;

    // Forgets every modifier: one already held counts as up until released and pressed
    // again. Called before the hook is started.
    void Install();

    // Looks at one key event of the hook. True exactly when the hot key fires: once the
    // main key has gone down while exactly the hot key's modifiers were down, the first of
    // those keys to be let go fires it, whichever it is (people, macro keys and
    // `xdotool key` let go in every order), and only that one. A main key whose press was
    // not seen fires on its release with exactly the modifiers down. Another key pressed in
    // between calls the chord off. The caller then records the fill target and runs the
    // show step.
    bool OnKey(const HookKeyEvent& event, const HotKey& hotKey);

private:
    bool ModifiersMatch(const HotKey& hotKey) const;

    bool armed_ = false;  // the chord is complete and none of its keys let go yet
    bool mainDown_ = false;
    bool altDown_ = false;
    bool ctrlDown_ = false;
    bool shiftDown_ = false;
};

enum class FillDialogDecision {
    Show,            // create the fill dialog if needed and show it (or bring it forward)
    NoDocument,      // nothing to fill from
    OptionsInFront,  // the user is typing a new hot key into the options dialog
};

// documentOpen: the document's Path is not empty ("nul", new and unsaved, counts as open).
// optionsOpen: the options dialog is loaded. fillTarget: the window just recorded; one of
// the program's own while the options dialog is open is the user typing into it.
FillDialogDecision ShowStepDecision(bool documentOpen, bool optionsOpen,
                                    const FillWindow& fillTarget);

}  // namespace kyq
