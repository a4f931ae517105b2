// What auto-fill put on the clipboard where it cannot type: taken back a fixed time after
// the last copy and when the program ends, but only while the clipboard still holds it.
#pragma once

#include <QTimer>
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

private:
    QTimer clearTimer_;
    std::u16string copied_;
};

}  // namespace kyq
