// The two C entry points of libKeybHook.so. At most one hook runs per process.
#include "platform/x11/KeybHook.h"

#include <memory>
#include <mutex>

#include "platform/x11/KeybHookRecorder.h"

namespace {

std::mutex g_hookMutex;
std::unique_ptr<kyq::KeybHookRecorder> g_hook;

}  // namespace

extern "C" __attribute__((visibility("default"))) int SetKeyboardHook(unsigned long window,
                                                                      unsigned int message)
{
    std::lock_guard lock(g_hookMutex);
    g_hook.reset();
    g_hook = kyq::KeybHookRecorder::Start(window, message);
    return g_hook ? 1 : 0;
}

extern "C" __attribute__((visibility("default"))) int ReleaseKeyboardHook(void)
{
    std::lock_guard lock(g_hookMutex);
    g_hook.reset();
    return 1;
}

extern "C" __attribute__((visibility("default"))) int SetHotKeyGrab(unsigned int virtualKey,
                                                                    unsigned int modifiers)
{
    std::lock_guard lock(g_hookMutex);
    return g_hook ? g_hook->Grab(virtualKey, modifiers) : KEYBHOOK_GRAB_NONE;
}

extern "C" __attribute__((visibility("default"))) int HotKeyGrabState(void)
{
    std::lock_guard lock(g_hookMutex);
    return g_hook ? g_hook->GrabState() : KEYBHOOK_GRAB_NONE;
}
