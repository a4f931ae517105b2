// An Xlib connection of our own (typing, foreground window) and a scoped trap that turns
// the X errors of a stretch of requests into a result instead of the end of the process.
#pragma once

// Xlib's Display, declared without Xlib.h: its macros (None, Bool, Status, KeyPress...)
// must not reach the files of the forms that include this.
struct _XDisplay;

namespace kyq {

class X11Display {
public:
    // Opens `name`, or $DISPLAY when null. IsOpen() tells whether that worked.
    explicit X11Display(const char* name = nullptr);
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    bool IsOpen() const { return display_ != nullptr; }
    _XDisplay* get() const { return display_; }
    unsigned long Root() const;

private:
    _XDisplay* display_ = nullptr;
};

// Errors of requests sent on `display` by this thread while the trap lives are recorded
// here; errors of other connections and threads are ignored, never fatal.
class X11ErrorTrap {
public:
    explicit X11ErrorTrap(_XDisplay* display);
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits until the server has handled everything sent so far; true when none of the
    // requests since the trap was set failed.
    bool Succeeded();
    unsigned char ErrorCode() const { return errorCode_; }

    // For the process's X error handler.
    _XDisplay* display() const { return display_; }
    X11ErrorTrap* outer() const { return outer_; }
    void Record(unsigned char errorCode);

private:
    _XDisplay* display_;
    X11ErrorTrap* outer_;
    unsigned char errorCode_ = 0;
};

}  // namespace kyq
