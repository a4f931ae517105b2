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

}  // namespace kyq
