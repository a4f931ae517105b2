#include "platform/x11/KeybHookRecorder.h"

#include <X11/XKBlib.h>
#include <X11/Xproto.h>
#include <X11/keysym.h>

#include <algorithm>
#include <chrono>

#include "platform/HookMessage.h"
#include "platform/HotKeyChord.h"
#include "platform/Log.h"
#include "platform/x11/KeybHook.h"
#include "platform/x11/KeybHookGrabRule.h"
#include "platform/x11/KeybHookKeyMap.h"
#include "platform/x11/X11Display.h"

namespace kyq {

namespace {

constexpr auto kStartTimeout = std::chrono::seconds(3);

// Xlib's default handler ends the process; a stale target window (BadWindow on delivery)
// must never take the program down with it.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// Losing the server ends the recording thread, not the process.
void KeepProcessOnIOError(Display*, void*) {}

Display* OpenConnection()
{
    Display* display = XOpenDisplay(nullptr);
    if (display != nullptr)
        XSetIOErrorExitHandler(display, KeepProcessOnIOError, nullptr);
    return display;
}

}  // namespace

std::unique_ptr<KeybHookRecorder> KeybHookRecorder::Start(unsigned long window, unsigned int message)
{
    XInitThreads();
    Display* control = OpenConnection();
    if (control == nullptr)
        return nullptr;
    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    // Asked first because the RECORD calls print a complaint when it is missing.
    if (!XQueryExtension(control, "RECORD", &opcode, &firstEvent, &firstError)) {
        XCloseDisplay(control);
        return nullptr;
    }
    Display* data = OpenConnection();
    if (data == nullptr) {
        XCloseDisplay(control);
        return nullptr;
    }
    XSetErrorHandler(IgnoreXError);
    std::unique_ptr<KeybHookRecorder> recorder(new KeybHookRecorder(control, data, window, message));
    if (!recorder->Begin())
        return nullptr;
    return recorder;
}

KeybHookRecorder::KeybHookRecorder(Display* control, Display* data, unsigned long window,
                                   unsigned int message)
    : control_(control), data_(data), window_(window), message_(message)
{
}

bool KeybHookRecorder::Begin()
{
    int major = 0;
    int minor = 0;
    if (!XRecordQueryVersion(control_, &major, &minor))
        return false;
    messageAtom_ = XInternAtom(control_, HookMessageAtomName, False);

    XRecordRange* range = XRecordAllocRange();
    if (range == nullptr)
        return false;
    range->device_events.first = KeyPress;
    range->device_events.last = KeyRelease;
    XRecordClientSpec clients = XRecordAllClients;
    context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
    XFree(range);
    if (context_ == 0)
        return false;
    // Xlib speaks XKB, and the server then tells an XKB client about keymap changes only
    // when it asks for them.
    int xkbOpcode = 0;
    int xkbError = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(control_, &xkbOpcode, &xkbEventBase_, &xkbError, &xkbMajor, &xkbMinor)) {
        constexpr unsigned kMapEvents = XkbMapNotifyMask | XkbNewKeyboardNotifyMask;
        XkbSelectEvents(control_, XkbUseCoreKbd, kMapEvents, kMapEvents);
    } else {
        xkbEventBase_ = -1;
    }
    {
        std::lock_guard lock(controlMutex_);
        LoadKeyboardMap();
    }
    // The data connection must see the context before it is enabled there.
    XSync(control_, False);

    thread_ = std::thread([this] { Record(); });
    std::unique_lock lock(startMutex_);
    startChanged_.wait_for(lock, kStartTimeout, [this] { return startState_ != StartState::Waiting; });
    return startState_ == StartState::Running;
}

KeybHookRecorder::~KeybHookRecorder()
{
    {
        std::lock_guard lock(controlMutex_);
        Ungrab();
    }
    if (thread_.joinable()) {
        {
            std::lock_guard lock(controlMutex_);
            XRecordDisableContext(control_, context_);
            XFlush(control_);
        }
        thread_.join();
    }
    if (context_ != 0)
        XRecordFreeContext(control_, context_);
    XCloseDisplay(data_);
    XCloseDisplay(control_);
}

void KeybHookRecorder::Record()
{
    // Blocks until the context is disabled; OnIntercept runs on this thread meanwhile.
    if (!XRecordEnableContext(data_, context_, OnIntercept, reinterpret_cast<XPointer>(this)))
        SetStartState(StartState::Failed);
    // Covers a connection lost before recording started.
    SetStartState(StartState::Failed);
}

void KeybHookRecorder::SetStartState(StartState state)
{
    std::lock_guard lock(startMutex_);
    if (startState_ != StartState::Waiting)
        return;
    startState_ = state;
    startChanged_.notify_all();
}

void KeybHookRecorder::OnIntercept(XPointer self, XRecordInterceptData* data)
{
    auto* recorder = reinterpret_cast<KeybHookRecorder*>(self);
    if (data->category == XRecordStartOfData) {
        recorder->SetStartState(StartState::Running);
    } else if (data->category == XRecordFromServer && data->data_len * 4 >= sizeof(xEvent)) {
        const auto* event = reinterpret_cast<const xEvent*>(data->data);
        const int type = event->u.u.type & 0x7f;
        if (type == KeyPress || type == KeyRelease) {
            recorder->OnKeyEvent(type == KeyPress, event->u.u.detail,
                                 event->u.keyButtonPointer.state);
        }
    }
    XRecordFreeData(data);
}

void KeybHookRecorder::OnKeyEvent(bool press, unsigned keycode, unsigned state)
{
    const bool wasDown = down_.test(keycode & 0xff);
    down_.set(keycode & 0xff, press);

    std::lock_guard lock(controlMutex_);
    ApplyPendingMappingChanges();
    const long index = static_cast<long>(keycode) - minKeycode_;
    if (index < 0 || index >= static_cast<long>(unshifted_.size()))
        return;
    const uint32_t virtualKey =
        VirtualKeyAt(static_cast<size_t>(index), (state & numLockMask_) != 0);
    if (virtualKey == 0)
        return;

    // X keycodes are evdev codes plus 8; evdev codes of the main block are PC scan codes.
    uint32_t flags = 1u | (((keycode - 8u) & 0xffu) << 16);
    if (!press)
        flags |= HookFlagReleased | HookFlagWasDown;
    else if (wasDown)
        flags |= HookFlagWasDown;  // auto-repeat

    XClientMessageEvent event{};
    event.type = ClientMessage;
    event.display = control_;
    event.window = window_;
    event.message_type = messageAtom_;
    event.format = HookMessageFormat;
    event.data.l[HookSlotMessage] = static_cast<long>(message_);
    event.data.l[HookSlotWParam] = static_cast<long>(virtualKey);
    event.data.l[HookSlotLParam] = static_cast<long>(flags);
    XSendEvent(control_, window_, False, NoEventMask, reinterpret_cast<XEvent*>(&event));
    XFlush(control_);
}

void KeybHookRecorder::ApplyPendingMappingChanges()
{
    bool changed = false;
    while (XPending(control_) > 0) {
        XEvent event;
        XNextEvent(control_, &event);
        if (event.type == MappingNotify && event.xmapping.request != MappingPointer) {
            XRefreshKeyboardMapping(&event.xmapping);
            changed = true;
        } else if (event.type == xkbEventBase_) {
            changed = true;
        }
    }
    if (!changed)
        return;
    LoadKeyboardMap();
    // Another layout can put the hot key on other keycodes (the program's own typing only
    // lends out spare ones, which leaves the chord's keys as they are), or on none.
    if (grabbedKey_ == 0)
        return;
    const std::vector<KeyGrab> wanted = ChordGrabs(grabbedKey_, grabbedModifiers_);
    switch (GrabAfterMapChange(grabs_, wanted)) {
    case GrabChange::Keep:
        grabState_ = KEYBHOOK_GRAB_TAKEN;
        return;
    case GrabChange::KeepMissing:
        grabState_ = KEYBHOOK_GRAB_NO_KEY;
        return;
    case GrabChange::Move:
        break;
    }
    Ungrab();
    grabState_ = TakeGrabs(wanted);
    if (grabState_ != KEYBHOOK_GRAB_TAKEN)
        grabbedKey_ = 0;
}

void KeybHookRecorder::LoadKeyboardMap()
{
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(control_, &minKeycode, &maxKeycode);
    unshifted_.clear();
    otherGroups_.clear();
    shifted_.clear();
    minKeycode_ = minKeycode;
    const int count = maxKeycode - minKeycode + 1;
    int perKeycode = 0;
    KeySym* map = count > 0 ? XGetKeyboardMapping(control_, static_cast<KeyCode>(minKeycode), count,
                                                  &perKeycode)
                            : nullptr;
    if (map == nullptr || perKeycode < 1) {
        if (map != nullptr)
            XFree(map);
        return;
    }
    unshifted_.resize(static_cast<size_t>(count));
    shifted_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        unshifted_[i] = map[i * perKeycode];
        shifted_[i] = perKeycode > 1 ? map[i * perKeycode + 1] : NoSymbol;
    }
    XFree(map);
    LoadOtherGroups(count);

    numLockMask_ = 0;
    altMask_ = 0;
    if (XModifierKeymap* modifiers = XGetModifierMapping(control_)) {
        for (int mod = 0; mod < 8; ++mod) {
            for (int k = 0; k < modifiers->max_keypermod; ++k) {
                const long index =
                    static_cast<long>(modifiers->modifiermap[mod * modifiers->max_keypermod + k]) -
                    minKeycode_;
                if (index < 0 || index >= count)
                    continue;
                if (unshifted_[index] == XK_Num_Lock)
                    numLockMask_ |= 1u << mod;
                // Shift and Control are themselves; Alt is whichever bit holds the Alt keys.
                if (mod > ControlMapIndex && (unshifted_[index] == XK_Alt_L ||
                                              unshifted_[index] == XK_Alt_R ||
                                              unshifted_[index] == XK_Meta_L))
                    altMask_ |= 1u << mod;
            }
        }
        XFreeModifiermap(modifiers);
    }
    if (altMask_ == 0)
        altMask_ = Mod1Mask;
}

void KeybHookRecorder::LoadOtherGroups(int count)
{
    otherGroups_.assign(static_cast<size_t>(count), {});
    if (xkbEventBase_ < 0)
        return;
    XkbDescPtr xkb = XkbGetMap(control_, XkbKeySymsMask, XkbUseCoreKbd);
    if (xkb == nullptr || xkb->map == nullptr || xkb->map->key_sym_map == nullptr ||
        xkb->map->syms == nullptr) {
        if (xkb != nullptr)
            XkbFreeKeyboard(xkb, 0, True);
        LogWarning(LogArea::Keyboard, "XkbGetMap failed: the hot key is looked for in the "
                                      "first layout group only");
        return;
    }
    for (int i = 0; i < count; ++i) {
        const int keycode = minKeycode_ + i;
        if (keycode < xkb->min_key_code || keycode > xkb->max_key_code)
            continue;
        const int groups = XkbKeyNumGroups(xkb, keycode);
        // The server's counts decide where a key's symbols are: they must lie in the table.
        if (XkbKeyGroupsWidth(xkb, keycode) < 1 ||
            XkbCMKeySymsOffset(xkb->map, keycode) + XkbKeyNumSyms(xkb, keycode) > xkb->map->num_syms)
            continue;
        for (int group = 1; group < groups; ++group)
            otherGroups_[static_cast<size_t>(i)].push_back(XkbKeySymEntry(xkb, keycode, 0, group));
    }
    XkbFreeKeyboard(xkb, 0, True);
}

uint32_t KeybHookRecorder::VirtualKeyAt(size_t index, bool numLock) const
{
    static const std::vector<unsigned long> none;
    const auto& others = index < otherGroups_.size() ? otherGroups_[index] : none;
    return VirtualKeyForKey(unshifted_[index], shifted_[index], numLock, others);
}

int KeybHookRecorder::Grab(unsigned virtualKey, unsigned modifiers)
{
    std::lock_guard lock(controlMutex_);
    Ungrab();
    grabbedKey_ = 0;
    grabState_ = KEYBHOOK_GRAB_NONE;
    if (!ChordTakenFromOthers(virtualKey, (modifiers & KEYBHOOK_CTRL) != 0,
                              (modifiers & KEYBHOOK_ALT) != 0))
        return grabState_;
    ApplyPendingMappingChanges();
    const std::vector<KeyGrab> wanted = ChordGrabs(virtualKey, modifiers);
    // Under a map without the key the chord is remembered and taken once a map has it.
    grabState_ = wanted.empty() ? KEYBHOOK_GRAB_NO_KEY : TakeGrabs(wanted);
    if (grabState_ == KEYBHOOK_GRAB_TAKEN || grabState_ == KEYBHOOK_GRAB_NO_KEY) {
        grabbedKey_ = virtualKey;
        grabbedModifiers_ = modifiers;
    }
    return grabState_;
}

int KeybHookRecorder::GrabState()
{
    std::lock_guard lock(controlMutex_);
    ApplyPendingMappingChanges();
    return grabState_;
}

std::vector<std::pair<unsigned, unsigned>> KeybHookRecorder::ChordGrabs(unsigned virtualKey,
                                                                        unsigned modifiers) const
{
    unsigned mask = 0;
    if (modifiers & KEYBHOOK_SHIFT)
        mask |= ShiftMask;
    if (modifiers & KEYBHOOK_CTRL)
        mask |= ControlMask;
    if (modifiers & KEYBHOOK_ALT)
        mask |= altMask_;
    // Caps Lock and Num Lock change the state the server compares, not the chord.
    std::vector<unsigned> locks;
    for (unsigned lock : {0u, unsigned(LockMask), numLockMask_, LockMask | numLockMask_}) {
        if ((lock & mask) == 0 && std::find(locks.begin(), locks.end(), lock) == locks.end())
            locks.push_back(lock);
    }
    std::vector<std::pair<unsigned, unsigned>> wanted;
    for (size_t i = 0; i < unshifted_.size(); ++i) {
        // The keys the hook reports as this code (keypad keys as with Num Lock off).
        if (VirtualKeyAt(i, false) != virtualKey)
            continue;
        const unsigned keycode = static_cast<unsigned>(minKeycode_) + static_cast<unsigned>(i);
        for (unsigned lock : locks)
            wanted.emplace_back(keycode, mask | lock);
    }
    return wanted;
}

int KeybHookRecorder::TakeGrabs(const std::vector<std::pair<unsigned, unsigned>>& wanted)
{
    const Window root = DefaultRootWindow(control_);
    bool busy = false;
    for (const auto& [keycode, mask] : wanted) {
        // One round trip per grab: a refused one must not be released later, since the
        // grab would then be the other program's.
        X11ErrorTrap trap(control_);
        XGrabKey(control_, static_cast<int>(keycode), mask, root, True, GrabModeAsync, GrabModeAsync);
        if (trap.Succeeded())
            grabs_.emplace_back(keycode, mask);
        else if (trap.ErrorCode() == BadAccess)
            busy = true;
    }
    if (busy) {
        Ungrab();
        return KEYBHOOK_GRAB_BUSY;
    }
    return grabs_.empty() ? KEYBHOOK_GRAB_NONE : KEYBHOOK_GRAB_TAKEN;
}

void KeybHookRecorder::Ungrab()
{
    if (grabs_.empty())
        return;
    const Window root = DefaultRootWindow(control_);
    X11ErrorTrap trap(control_);
    for (const auto& [keycode, mask] : grabs_)
        XUngrabKey(control_, static_cast<int>(keycode), mask, root);
    grabs_.clear();
    trap.Succeeded();
}

}  // namespace kyq
