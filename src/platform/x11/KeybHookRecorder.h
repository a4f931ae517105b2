// The running keyboard hook: a RECORD context on its own two display connections and
// thread, turning each key press and release into a client message for one window.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/record.h>

#include <bitset>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace kyq {

class KeybHookRecorder {
public:
    // Null when there is no display, no RECORD extension, or recording does not start.
    // Returns only once key events are being watched.
    static std::unique_ptr<KeybHookRecorder> Start(unsigned long window, unsigned int message);
    ~KeybHookRecorder();

    // See SetHotKeyGrab; returns one of its KEYBHOOK_GRAB_* results.
    int Grab(unsigned virtualKey, unsigned modifiers);
    // See HotKeyGrabState.
    int GrabState();

    KeybHookRecorder(const KeybHookRecorder&) = delete;
    KeybHookRecorder& operator=(const KeybHookRecorder&) = delete;

private:
    enum class StartState { Waiting, Running, Failed };

    KeybHookRecorder(Display* control, Display* data, unsigned long window, unsigned int message);
    bool Begin();
    void Record();
    static void OnIntercept(XPointer self, XRecordInterceptData* data);
    void OnKeyEvent(bool press, unsigned keycode, unsigned state);
    void SetStartState(StartState state);
    // These need controlMutex_ held.
    void LoadKeyboardMap();
    void LoadOtherGroups(int count);
    // The code the hook reports for the key at `index` (from minKeycode_).
    uint32_t VirtualKeyAt(size_t index, bool numLock) const;
    void ApplyPendingMappingChanges();
    // The keycode and modifier mask of each passive grab the chord needs with this map.
    std::vector<std::pair<unsigned, unsigned>> ChordGrabs(unsigned virtualKey, unsigned modifiers) const;
    int TakeGrabs(const std::vector<std::pair<unsigned, unsigned>>& wanted);
    void Ungrab();

    Display* control_;  // requests, replies, mapping-change events, delivery
    Display* data_;     // blocked in XRecordEnableContext on the recording thread
    unsigned long window_;
    unsigned int message_;
    Atom messageAtom_ = None;
    XRecordContext context_ = 0;
    std::thread thread_;

    std::mutex startMutex_;
    std::condition_variable startChanged_;
    StartState startState_ = StartState::Waiting;

    std::mutex controlMutex_;
    int minKeycode_ = 8;
    std::vector<unsigned long> unshifted_;  // first keysym of each keycode from minKeycode_
    std::vector<unsigned long> shifted_;    // second keysym
    // First keysym of the second, third and fourth layout group, where the map has them.
    std::vector<std::vector<unsigned long>> otherGroups_;
    unsigned numLockMask_ = 0;
    unsigned altMask_ = Mod1Mask;
    // The passive grabs in place: keycode and modifier mask of each, and the chord they
    // stand for (key 0: none), taken again when a new keyboard map moves its keys.
    std::vector<std::pair<unsigned, unsigned>> grabs_;
    unsigned grabbedKey_ = 0;
    unsigned grabbedModifiers_ = 0;
    int grabState_ = 0;  // a KEYBHOOK_GRAB_* result
    int xkbEventBase_ = -1;
    std::bitset<256> down_;  // touched on the recording thread only
};

}  // namespace kyq
