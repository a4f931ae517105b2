// Messages of the main window, and the chain of handlers in front of its own handling:
// each handler installed in front keeps the one it replaced, hands every message on to it,
// and is removed by putting that one back.
#pragma once

#include <cstdint>
#include <functional>

namespace kyq {

// Message numbers the main window knows.
inline constexpr uint32_t WM_QUERYENDSESSION = 17;
inline constexpr uint32_t WM_HOTKEY_HOOK = 1024;  // key events from the keyboard hook
inline constexpr uint32_t WM_HANDOVER = 1025;     // a second start handed over its file
// "KYQ --fill" from a binding of the desktop: the hot key where no hook can watch the keys.
inline constexpr uint32_t WM_FILL_REQUEST = 1026;

// Widths as on the platform the protocol comes from: the hook's release flag is bit 31.
struct WindowMessage {
    uint32_t Msg = 0;
    uint32_t wParam = 0;
    int32_t lParam = 0;
};

using WindowProc = std::function<int32_t(const WindowMessage&)>;

class MessageChain {
public:
    // innermost: the window's own handling (may be empty: answers 0).
    explicit MessageChain(WindowProc innermost = {});

    // Puts proc in front and returns the handler it replaced. Passing a saved handler back
    // removes everything installed after it, so filters come off in reverse order.
    WindowProc SetWindowProc(WindowProc proc);

    // Runs the message through the chain now and returns the front handler's answer.
    int32_t Dispatch(const WindowMessage& message) const;

    // Hands a message on to a saved handler (0 when there is none).
    static int32_t CallWindowProc(const WindowProc& previous, const WindowMessage& message);

private:
    WindowProc current_;
};

// A handler that looks at every message and always hands it on unchanged.
class MessageFilter {
public:
    MessageFilter() = default;
    MessageFilter(const MessageFilter&) = delete;
    MessageFilter& operator=(const MessageFilter&) = delete;
    virtual ~MessageFilter();

    void Install(MessageChain& chain);
    // Puts back the handler Install replaced; nothing when not installed.
    void Remove();
    bool Installed() const { return chain_ != nullptr; }

protected:
    virtual void Filter(const WindowMessage& message) = 0;

private:
    int32_t Handle(const WindowMessage& message);

    MessageChain* chain_ = nullptr;
    WindowProc previous_;
};

}  // namespace kyq
