#include "gui/shell/GuiResources.h"

#include <QApplication>
#include <QProxyStyle>
#include <QtCore/qresource.h>

#include "gui/widgets/FormFont.h"

// Resources of a static library register only when asked to, from outside any namespace.
static void InitKeyquillResources()
{
    Q_INIT_RESOURCE(keyquill);
}

namespace kyq {

namespace {

// Password boxes show "*" for every typed character.
class FormStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

void InitGuiResources()
{
    InitKeyquillResources();
    QApplication::setFont(FormFont());
    QApplication::setStyle(new FormStyle);
}

}  // namespace kyq
