#include "platform/x11/KeybHookGrabRule.h"

namespace kyq {

GrabChange GrabAfterMapChange(const std::vector<KeyGrab>& held, const std::vector<KeyGrab>& wanted)
{
    // Releasing here would let the chord through on the keys the user still presses for it
    // (its bytes reach a terminal), and would lose the chord for good when the grabbed key
    // is forgotten with it.
    if (wanted.empty())
        return GrabChange::KeepMissing;
    return wanted == held ? GrabChange::Keep : GrabChange::Move;
}

}  // namespace kyq
