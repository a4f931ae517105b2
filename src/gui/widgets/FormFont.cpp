#include "gui/widgets/FormFont.h"

#include <QStringList>

namespace kyq {

QFont FormFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("Droid Sans Fallback"), QStringLiteral("Sans Serif")});
    font.setPixelSize(12);
    return font;
}

}  // namespace kyq
