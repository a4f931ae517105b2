// The look of a label that acts as a link: blue, red and underlined while the pointer is
// over it. Only the enabled looks: a disabled label stays grey like every other control.
#pragma once

class QLabel;

namespace kyq {

void SetLinkLook(QLabel* label, bool hovered);

}  // namespace kyq
