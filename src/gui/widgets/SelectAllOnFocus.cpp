#include "gui/widgets/SelectAllOnFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace kyq {

void SelectAllOnFocus::Attach(QLineEdit* box)
{
    box->installEventFilter(new SelectAllOnFocus(box));
}

bool SelectAllOnFocus::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        // After the event: a mouse click that brought the focus would otherwise put the
        // caret where it landed and undo the selection.
        QPointer<QLineEdit> box = qobject_cast<QLineEdit*>(watched);
        QTimer::singleShot(0, this, [box] {
            if (box && box->hasFocus())
                box->selectAll();
        });
    }
    return false;
}

}  // namespace kyq
