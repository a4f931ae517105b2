// Loads libKeybHook.so at run time, from the program folder first, then from the default
// library search path; without it the program simply runs without the hot key.
#pragma once

#include <string>

namespace kyq {

class KeyboardHookLoader {
public:
    static constexpr char LibraryName[] = "libKeybHook.so";

    // programFolder: the executable's folder with its trailing "/" ("" to skip it).
    explicit KeyboardHookLoader(const std::string& programFolder);

    bool IsLoaded() const { return set_ != nullptr && release_ != nullptr; }
    // The path the library was loaded from ("" when not loaded).
    const std::string& LoadedFrom() const { return loadedFrom_; }

    // False when the library is missing or refuses (no display, no RECORD extension).
    bool Set(unsigned long window, unsigned int message);
    bool Release();
    // SetHotKeyGrab of the library: KEYBHOOK_GRAB_NONE when it is not loaded or too old to
    // grab.
    int Grab(unsigned virtualKey, unsigned modifiers);
    // HotKeyGrabState of the library; KEYBHOOK_GRAB_NONE when it has none.
    int GrabState();

private:
    using SetFunction = int (*)(unsigned long, unsigned int);
    using ReleaseFunction = int (*)();
    using GrabFunction = int (*)(unsigned, unsigned);

    // The library is never unloaded: its thread and X error handler may outlive a release.
    void* handle_ = nullptr;
    SetFunction set_ = nullptr;
    ReleaseFunction release_ = nullptr;
    GrabFunction grab_ = nullptr;  // optional
    using GrabStateFunction = int (*)();
    GrabStateFunction grabState_ = nullptr;  // optional
    std::string loadedFrom_;
};

}  // namespace kyq
