#include "gui/widgets/LinkLook.h"

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

namespace kyq {

void SetLinkLook(QLabel* label, bool hovered)
{
    QPalette palette = label->palette();
    const QColor colour = hovered ? QColor(255, 0, 0) : QColor(0, 0, 255);
    palette.setColor(QPalette::Active, QPalette::WindowText, colour);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    label->setPalette(palette);
    QFont font = label->font();
    font.setUnderline(hovered);
    label->setFont(font);
}

}  // namespace kyq
