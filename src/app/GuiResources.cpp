#include "app/GuiResources.h"

#include <QApplication>
#include <QtCore/qresource.h>

#include "workflow/FormFont.h"

// Resources of a static library register only when asked to, from outside any namespace.
static void InitKeyquillResources()
{
    Q_INIT_RESOURCE(keyquill);
}

namespace kyq {

void InitGuiResources()
{
    InitKeyquillResources();
    QApplication::setFont(FormFont());
}

}  // namespace kyq
