#include "core/autofill/FillTargetRule.h"

namespace kyq {

HotKeyPressStep StepForHotKey(bool fillPending, bool foregroundIsOwn, bool foregroundIsFullscreen)
{
    // The second press of a quick double press finds the fill dialog in front: taking that
    // as the target would type the record into nowhere.
    if (fillPending)
        return HotKeyPressStep::BringForward;
    if (foregroundIsOwn)
        return HotKeyPressStep::Ignore;
    if (foregroundIsFullscreen)
        return HotKeyPressStep::Fullscreen;
    return HotKeyPressStep::RecordAndShow;
}

bool MayRecordFillTarget(bool fillPending, bool foregroundIsOwn)
{
    return StepForHotKey(fillPending, foregroundIsOwn) == HotKeyPressStep::RecordAndShow;
}

}  // namespace kyq
