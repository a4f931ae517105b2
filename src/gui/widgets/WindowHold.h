// Greys a window out while something of ours stands over it (a dialog, a message box), and
// counts the holders so that the last one to go, not the first, gives it back.
#pragma once

#include <QPointer>
#include <QWidget>

namespace kyq {

class WindowHold {
public:
    // Disables `window` (null: nothing) until the hold is released or destroyed.
    explicit WindowHold(QWidget* window);
    ~WindowHold();
    WindowHold(const WindowHold&) = delete;
    WindowHold& operator=(const WindowHold&) = delete;

    // True when this was the last hold and the window is enabled again.
    bool Release();

    // Holds on `window` now: OwnedDialog's and the boxes' together.
    static int Count(const QWidget* window);
    static void Add(QWidget* window);
    // True when the count came to zero and the window was enabled.
    static bool Remove(QWidget* window);

private:
    QPointer<QWidget> window_;
};

}  // namespace kyq
