#include "gui/autofill/OwnWindow.h"

#include <QApplication>
#include <QWidget>

namespace kyq {

bool IsOwnWindow(uint64_t window)
{
    if (window == 0)
        return false;
    const auto widgets = QApplication::topLevelWidgets();
    for (const QWidget* widget : widgets) {
        // internalWinId: a widget without a native window is not asked to create one.
        if (static_cast<uint64_t>(widget->internalWinId()) == window)
            return true;
    }
    return false;
}

}  // namespace kyq
