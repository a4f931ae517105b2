#include "core/workflow/HandOverDelivery.h"

namespace kyq {

HandOverDelivery DeliverHandOver(const HandOverSteps& steps)
{
    for (;;) {
        // The lock first: a running instance that ended since the last try (killed, or
        // quit by its user) leaves this start to open the file itself.
        if (steps.TakeLock())
            return HandOverDelivery::BecameFirst;
        if (const uint64_t window = steps.RunningWindow()) {
            if (steps.Send(window))
                return HandOverDelivery::Delivered;
        }
        if (!steps.Pause())
            return HandOverDelivery::NoAnswer;
    }
}

Expected<void> PublishHandOver(const HandOverPublishSteps& steps)
{
    // Removed in any case: a file left by an instance that crashed names a window nobody
    // answers for.
    steps.RemoveStaleFile();
    Expected<void> published = steps.Listen();
    if (published)
        published = steps.WriteFile();
    if (published)
        return published;
    // The reason (a socket path, a system error) is for the log and the details: the
    // user learns what follows from it, in a sentence the box shows whole.
    Error told = published.error();
    told.Detail = told.Message + ": " + told.Detail;
    told.Message = "Keyquill无法接收再次启动时交来的文件。再次启动Keyquill或打开.kyq文件时，"
                   "文件不会在这个窗口中打开。";
    return told;
}

}  // namespace kyq
