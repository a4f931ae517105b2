// What auto-fill put on the clipboard where it cannot type: taken back a fixed time after
// the last copy and when the program ends, but only while the clipboard still holds it.
#pragma once

#include <QTimer>
#include <functional>
#include <string>

namespace kyq {

class ClipboardKeeper {
public:
    ClipboardKeeper();
    // The program's end: what is still ours goes.
    ~ClipboardKeeper();
    ClipboardKeeper(const ClipboardKeeper&) = delete;
    ClipboardKeeper& operator=(const ClipboardKeeper&) = delete;

    // Puts `text` on the clipboard, marked for clipboard histories as a secret not to be
    // kept, and (re)starts the wait before it is taken back. False when the clipboard
    // does not hold it afterwards.
    bool Put(const std::u16string& text);
    bool ClearPending() const { return clearTimer_.isActive(); }
    // What the wait ends in: empties the clipboard if it still holds our copy, and forgets it.
    void ClearIfStillOurs();
    // Runs once per copy when the clipboard still holds it a moment after it was emptied: a
    // desktop that keeps its own copy of every selection, or one that takes a clear only
    // from a program with the focus (Wayland), refused to let it go. The clear is tried
    // again whenever a window of the program gets the focus, and at the end.
    void SetWhenClearFails(std::function<void()> failed) { clearFailed_ = std::move(failed); }

private:
    void Forget();
    void CheckCleared();

    QTimer clearTimer_;
    QTimer checkTimer_;
    std::u16string copied_;
    std::function<void()> clearFailed_;
    bool refused_ = false;  // a clear of this copy was refused already (the user was told)
    QMetaObject::Connection focusRetry_;
};

}  // namespace kyq
