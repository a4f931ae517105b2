#include "gui/widgets/WindowHold.h"

namespace kyq {

namespace {

const char* const HeldBy = "kyqDialogsOver";

}  // namespace

int WindowHold::Count(const QWidget* window)
{
    return window ? window->property(HeldBy).toInt() : 0;
}

void WindowHold::Add(QWidget* window)
{
    if (!window)
        return;
    window->setProperty(HeldBy, Count(window) + 1);
    window->setEnabled(false);
}

bool WindowHold::Remove(QWidget* window)
{
    if (!window)
        return false;
    const int over = Count(window) - 1;
    window->setProperty(HeldBy, over > 0 ? over : 0);
    if (over > 0)
        return false;
    window->setEnabled(true);
    return true;
}

WindowHold::WindowHold(QWidget* window) : window_(window)
{
    Add(window_);
}

WindowHold::~WindowHold()
{
    Release();
}

bool WindowHold::Release()
{
    QWidget* window = window_;
    window_ = nullptr;
    return Remove(window);
}

}  // namespace kyq
