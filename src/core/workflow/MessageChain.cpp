#include "core/workflow/MessageChain.h"

#include <utility>

namespace kyq {

MessageChain::MessageChain(WindowProc innermost) : current_(std::move(innermost)) {}

WindowProc MessageChain::SetWindowProc(WindowProc proc)
{
    return std::exchange(current_, std::move(proc));
}

int32_t MessageChain::Dispatch(const WindowMessage& message) const
{
    // A handler may replace itself while it runs (the shutdown removes the filters from
    // inside a message): run a copy so the running one stays alive.
    const WindowProc proc = current_;
    return CallWindowProc(proc, message);
}

int32_t MessageChain::CallWindowProc(const WindowProc& previous, const WindowMessage& message)
{
    return previous ? previous(message) : 0;
}

MessageFilter::~MessageFilter()
{
    Remove();
}

void MessageFilter::Install(MessageChain& chain)
{
    if (chain_)
        return;
    chain_ = &chain;
    previous_ = chain.SetWindowProc([this](const WindowMessage& m) { return Handle(m); });
}

void MessageFilter::Remove()
{
    if (!chain_)
        return;
    // previous_ stays: a message already on its way through this filter still goes on.
    chain_->SetWindowProc(previous_);
    chain_ = nullptr;
}

int32_t MessageFilter::Handle(const WindowMessage& message)
{
    // A copy: acting may remove this filter, and a later install would replace previous_.
    const WindowProc next = previous_;
    Filter(message);
    return MessageChain::CallWindowProc(next, message);
}

}  // namespace kyq
