#include "app/DesktopPlatform.h"

#include "app/KyqApp.h"
#include "autofill/FillDesktop.h"
#include "autofill/HotKeyWatcherFilter.h"
#include "platform/HookMessage.h"
#include "platform/KeyboardHookLoader.h"

#include <stdexcept>

namespace kyq {

DesktopPlatform::DesktopPlatform(KyqApp& app, std::unique_ptr<FillDesktop> fillDesktop)
    : app_(app),
      fillDesktop_(std::move(fillDesktop)),
      hotKeyFilter_(fillDesktop_ ? std::make_unique<HotKeyWatcherFilter>(app_, *fillDesktop_)
                                 : nullptr)
{
    if (!fillDesktop_)
        throw std::invalid_argument("DesktopPlatform needs a fill desktop");
}

DesktopPlatform::~DesktopPlatform()
{
    // The watcher (and a fill dialog it opened) goes before the desktop it types through.
    hotKeyFilter_.reset();
}

// --- Hot key and auto-fill ---

void DesktopPlatform::InstallHotKeyWatcher(MessageChain& chain, uint64_t window)
{
    hotKeyFilter_->ClearModifiers();
    if (!hookLoader_)
        hookLoader_ = std::make_unique<KeyboardHookLoader>(app_.ProgramFolder);
    hookActive_ = hookLoader_->Set(static_cast<unsigned long>(window), KeyboardHookMessage);
    hotKeyFilter_->Install(chain);
}

void DesktopPlatform::RemoveHotKeyWatcher(MessageChain& /*chain*/)
{
    if (hookLoader_)
        hookLoader_->Release();
    hookActive_ = false;
    hotKeyFilter_->Remove();
}

}  // namespace kyq
