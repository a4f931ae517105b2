#include "core/workflow/ModalGate.h"

#include <utility>

namespace kyq {

void ModalGate::Leave()
{
    if (open_ > 0)
        --open_;
    // An action may open a modal window itself (a hand-over's password prompt): the rest
    // then waits for that one to close.
    while (open_ == 0 && !waiting_.empty()) {
        std::function<void()> action = std::move(waiting_.front());
        waiting_.erase(waiting_.begin());
        action();
    }
}

void ModalGate::WhenFree(std::function<void()> action)
{
    if (!action)
        return;
    if (open_ == 0)
        action();
    else
        waiting_.push_back(std::move(action));
}

}  // namespace kyq
