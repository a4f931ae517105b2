#include "platform/x11/KeyboardHookLoader.h"

#include <dlfcn.h>

#include "platform/Log.h"
#include "platform/x11/KeybHook.h"

namespace kyq {

KeyboardHookLoader::KeyboardHookLoader(const std::string& programFolder)
{
    const std::string candidates[] = {
        programFolder.empty() ? std::string() : programFolder + LibraryName,
        LibraryName,
    };
    for (const std::string& path : candidates) {
        if (path.empty())
            continue;
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (handle == nullptr)
            continue;
        auto set = reinterpret_cast<SetFunction>(dlsym(handle, "SetKeyboardHook"));
        auto release = reinterpret_cast<ReleaseFunction>(dlsym(handle, "ReleaseKeyboardHook"));
        if (set == nullptr || release == nullptr) {
            dlclose(handle);
            continue;
        }
        handle_ = handle;
        set_ = set;
        release_ = release;
        grab_ = reinterpret_cast<GrabFunction>(dlsym(handle, "SetHotKeyGrab"));
        grabState_ = reinterpret_cast<GrabStateFunction>(dlsym(handle, "HotKeyGrabState"));
        loadedFrom_ = path;
        return;
    }
    const char* why = dlerror();
    LogWarning(LogArea::Keyboard, std::string("the keyboard hook library ") + LibraryName +
                                      " could not be loaded (" + (why ? why : "not found") +
                                      "): the program runs without the hot key");
}

bool KeyboardHookLoader::Set(unsigned long window, unsigned int message)
{
    if (set_ == nullptr)
        return false;
    if (set_(window, message) != 0)
        return true;
    LogWarning(LogArea::Keyboard, "the keyboard hook did not start (the X server's RECORD "
                                  "extension may be missing): the program runs without the "
                                  "hot key");
    return false;
}

bool KeyboardHookLoader::Release()
{
    return release_ != nullptr && release_() != 0;
}

int KeyboardHookLoader::Grab(unsigned virtualKey, unsigned modifiers)
{
    return grab_ != nullptr ? grab_(virtualKey, modifiers) : KEYBHOOK_GRAB_NONE;
}

int KeyboardHookLoader::GrabState()
{
    return grabState_ != nullptr ? grabState_() : KEYBHOOK_GRAB_NONE;
}

}  // namespace kyq
